#!/bin/sh
# apache.sh WORK: Apache serving WORK/root by WebDAV over HTTPS at /dav/
# (basic authentication) and /digest/ to alice (writes) and reader (reads
# only), password "secret". Prints "CERT file" and "PORT n", then runs.
set -eu
. "$(dirname "$0")/common.sh"
work=$1
mods=/usr/lib/apache2/modules
mkdir -p "$work/root" "$work/lock"
chmod 777 "$work/root" "$work/lock"
make_certificate "$work"
sha=$(printf secret | openssl sha1 -binary | openssl base64)
printf 'alice:{SHA}%s\nreader:{SHA}%s\n' "$sha" "$sha" > "$work/users"
for u in alice reader; do
    printf '%s:pellucor:%s\n' "$u" "$(printf '%s:pellucor:secret' "$u" | md5sum | cut -d' ' -f1)"
done > "$work/digest"
port=$(free_port)
cat > "$work/httpd.conf" <<CONF
ServerRoot $work
Listen 127.0.0.1:$port
PidFile $work/httpd.pid
ErrorLog $work/error.log
LogLevel warn
ServerName 127.0.0.1
User $run_user
Group $run_group
$(for m in mpm_event authz_core authn_core authn_file authz_user auth_basic auth_digest dav dav_fs alias ssl \
    socache_shmcb; do echo "LoadModule ${m}_module $mods/mod_$m.so"; done)
DavLockDB $work/lock/DavLock
Mutex file:$work/lock
SSLEngine on
SSLCertificateFile $work/cert.pem
SSLCertificateKeyFile $work/key.pem
SSLSessionCache shmcb:$work/lock/ssl_scache(512000)
Alias /dav $work/root
Alias /digest $work/root
<Directory $work/root>
  Dav On
  AuthName pellucor
  AuthUserFile $work/users
  AuthType Basic
  <RequireAny>
    <RequireAll>
      Require method GET HEAD OPTIONS PROPFIND
      Require valid-user
    </RequireAll>
    Require user alice
  </RequireAny>
</Directory>
<Location /digest>
  AuthType Digest
  AuthDigestProvider file
  AuthUserFile $work/digest
</Location>
CONF
echo "CERT $work/cert.pem"
echo "PORT $port"
exec /usr/sbin/apache2 -DFOREGROUND -f "$work/httpd.conf"
