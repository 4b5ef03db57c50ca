#!/bin/sh
# proftpd.sh WORK [tls|sftp]: proftpd serving WORK/root to alice (writes) and
# reader (reads only), password "secret"; with tls, explicit TLS required
# (data connections reuse the control one's session), printing "CERT file";
# with sftp, SFTP with passwords, printing "FINGERPRINT SHA256:...". Last
# "PORT n", then runs until killed.
set -eu
. "$(dirname "$0")/common.sh"
work=$1
prefix=/usr/local/lib/pellucor-proftpd  # unpacked by scripts/setup (the package conflicts with vsftpd)
[ -x /usr/sbin/proftpd ] && [ ! -x "$prefix/usr/sbin/proftpd" ] && prefix=""
mkdir -p "$work/root"
chmod 777 "$work/root"
hash=$(openssl passwd -6 secret)
printf 'alice:%s:%s:%s::%s:/bin/sh\nreader:%s:%s:%s::%s:/bin/sh\n' \
    "$hash" "$run_uid" "$run_gid" "$work/root" "$hash" "$run_uid" "$run_gid" "$work/root" > "$work/passwd"
printf '%s:x:%s:\n' "$run_group" "$run_gid" > "$work/group"
chmod 600 "$work/passwd" "$work/group"
port=$(free_port)
cat > "$work/proftpd.conf" <<CONF
ModulePath $prefix/usr/lib/proftpd
ServerType standalone
DefaultServer on
Port $port
DefaultAddress 127.0.0.1
SocketBindTight on
User $run_user
Group $run_group
PidFile $work/proftpd.pid
ScoreboardFile $work/proftpd.scoreboard
DelayEngine off
WtmpLog off
UseReverseDNS off
TransferLog none
SystemLog $work/system.log
MaxInstances 64
AuthOrder mod_auth_file.c
AuthUserFile $work/passwd
AuthGroupFile $work/group
RequireValidShell off
RootLogin on
DefaultChdir $work/root
<Directory />
  AllowOverwrite on
  <Limit WRITE>
    DenyUser reader
  </Limit>
</Directory>
CONF
if [ "${2:-}" = tls ]; then
    make_certificate "$work"
    cat >> "$work/proftpd.conf" <<CONF
LoadModule mod_tls.c
TLSEngine on
TLSRequired on
TLSRSACertificateFile $work/cert.pem
TLSRSACertificateKeyFile $work/key.pem
TLSLog $work/tls.log
CONF
    echo "CERT $work/cert.pem"
elif [ "${2:-}" = sftp ]; then
    [ -f "$work/hostkey" ] || ssh-keygen -q -m PEM -t rsa -b 2048 -N "" -f "$work/hostkey"
    cat >> "$work/proftpd.conf" <<CONF
LoadModule mod_sftp.c
SFTPEngine on
SFTPHostKey $work/hostkey
SFTPAuthMethods password
SFTPLog $work/sftp.log
CONF
    echo "FINGERPRINT $(ssh-keygen -lf "$work/hostkey.pub" | awk '{ print $2 }')"
fi
echo "PORT $port"
exec "$prefix/usr/sbin/proftpd" -n -q -c "$work/proftpd.conf"
