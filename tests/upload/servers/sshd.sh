#!/bin/sh
# sshd.sh WORK: sshd whose user logs in with WORK/userkey or WORK/lockedkey
# (passphrase "secret"); SFTP writes on one port, only reads on another.
# Prints "READONLY_PORT n", "USER name", "FINGERPRINT SHA256:..." and last
# "PORT n", then runs until killed.
set -eu
. "$(dirname "$0")/common.sh"
work=$1
mkdir -p "$work/root"
[ -f "$work/hostkey" ] || ssh-keygen -q -t ed25519 -N "" -f "$work/hostkey"
[ -f "$work/userkey" ] || ssh-keygen -q -t ed25519 -N "" -f "$work/userkey"
[ -f "$work/lockedkey" ] || ssh-keygen -q -t ed25519 -N secret -f "$work/lockedkey"
cat "$work/userkey.pub" "$work/lockedkey.pub" > "$work/authorized_keys"
chmod 600 "$work/authorized_keys"
# Started by root, sshd needs its privilege separation directory.
[ "$(id -u)" -ne 0 ] || mkdir -p /run/sshd
port=$(free_port)
roport=$(free_port)
cat > "$work/sshd_config" <<CONF
ListenAddress 127.0.0.1:$port
ListenAddress 127.0.0.1:$roport
HostKey $work/hostkey
PidFile none
AuthorizedKeysFile $work/authorized_keys
StrictModes no
UsePAM no
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
MaxStartups 64
MaxSessions 64
LogLevel ERROR
Subsystem sftp internal-sftp
Match LocalPort $roport
  ForceCommand internal-sftp -R
CONF
echo "READONLY_PORT $roport"
echo "USER $(id -un)"
echo "FINGERPRINT $(ssh-keygen -lf "$work/hostkey.pub" | awk '{ print $2 }')"
echo "PORT $port"
exec /usr/sbin/sshd -D -e -f "$work/sshd_config"
