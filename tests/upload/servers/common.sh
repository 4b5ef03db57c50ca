# Shared by the server scripts: a free port on 127.0.0.1, the user the
# server's sessions run as (nobody when started by root), a certificate.
free_port() {
    /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
if [ "$(id -u)" -eq 0 ]; then
    run_user=nobody; run_group=$(id -gn nobody); run_uid=$(id -u nobody); run_gid=$(id -g nobody)
else
    run_user=$(id -un); run_group=$(id -gn); run_uid=$(id -u); run_gid=$(id -g)
fi
make_certificate() {  # DIR: cert.pem and key.pem for 127.0.0.1
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
        -addext subjectAltName=IP:127.0.0.1 -addext basicConstraints=critical,CA:FALSE \
        -keyout "$1/key.pem" -out "$1/cert.pem" 2>/dev/null
}
