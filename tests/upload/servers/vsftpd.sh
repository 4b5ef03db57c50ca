#!/bin/sh
# vsftpd.sh WORK: vsftpd serving WORK/root to anonymous users over TLS (data
# connections reuse the control one's session). Prints "CERT file" and last
# "PORT n", then runs until killed.
set -eu
. "$(dirname "$0")/common.sh"
work=$1
mkdir -p "$work/root" "$work/empty"
make_certificate "$work"
port=$(free_port)
cat > "$work/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
run_as_launching_user=YES
anonymous_enable=YES
local_enable=NO
write_enable=YES
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_other_write_enable=YES
anon_umask=022
no_anon_password=YES
anon_root=$work/root
ssl_enable=YES
allow_anon_ssl=YES
force_anon_logins_ssl=YES
force_anon_data_ssl=YES
rsa_cert_file=$work/cert.pem
rsa_private_key_file=$work/key.pem
seccomp_sandbox=NO
secure_chroot_dir=$work/empty
pasv_address=127.0.0.1
xferlog_enable=NO
CONF
# vsftpd 3.0.3 breaks off uploads over TLS 1.3 ("426 Failure reading
# network stream"): the server is held to TLS 1.2, the client is not.
printf 'openssl_conf = default_conf\n[default_conf]\nssl_conf = ssl_sect\n[ssl_sect]\nsystem_default = tls\n[tls]\nMaxProtocol = TLSv1.2\n' \
    > "$work/openssl.cnf"
echo "CERT $work/cert.pem"
echo "PORT $port"
OPENSSL_CONF=$work/openssl.cnf exec /usr/sbin/vsftpd "$work/vsftpd.conf"
