#!/bin/sh
# swift.sh WORK: OpenStack Swift with its S3 layer (s3api, tempauth) on
# 127.0.0.1, every server in this process group with its configuration,
# rings and one device under WORK. The account test:tester (S3 access key
# "test:tester", secret "testing") owns the bucket "lectures". Prints
# "PORT n" once the bucket is there, then runs the proxy. Started again on
# the same WORK, it serves what it stored before on the same ports.
set -eu
. "$(dirname "$0")/common.sh"
work=$1
etc=$work/etc
mkdir -p "$etc" "$work/devices/d1" "$work/cache"
user=$(id -un)
common="bind_ip = 127.0.0.1
swift_dir = $etc
devices = $work/devices
mount_check = false
workers = 0
user = $user
log_level = WARNING
log_address = $work/no-syslog"
# Configuration and rings, each server on a free port; the rings made in
# one Python (swift-ring-builder would take three runs a ring).
configure() {
ports=""
for server in account container object; do
    port=$(free_port)
    cat > "$etc/$server-server.conf" <<CONF
[DEFAULT]
bind_port = $port
$common
[pipeline:main]
pipeline = $server-server
[app:$server-server]
use = egg:swift#$server
CONF
    ports="$ports $server:$port"
done
proxy_port=$(free_port)
cat > "$etc/proxy-server.conf" <<CONF
[DEFAULT]
bind_port = $proxy_port
$common
[pipeline:main]
pipeline = catch_errors proxy-logging cache s3api tempauth slo proxy-logging proxy-server
[app:proxy-server]
use = egg:swift#proxy
account_autocreate = true
[filter:catch_errors]
use = egg:swift#catch_errors
[filter:proxy-logging]
use = egg:swift#proxy_logging
[filter:cache]
use = egg:swift#memcache
memcache_servers = 127.0.0.1:$(free_port)
[filter:s3api]
use = egg:swift#s3api
location = us-east-1
[filter:slo]
use = egg:swift#slo
[filter:tempauth]
use = egg:swift#tempauth
user_test_tester = testing .admin
CONF
/usr/bin/python3 - "$etc" $ports <<'PY'
import sys
from swift.common.ring import RingBuilder
for server_port in sys.argv[2:]:
    server, port = server_port.split(":")
    builder = RingBuilder(2, 1, 0)  # 4 partitions, 1 replica
    builder.add_dev({"region": 1, "zone": 1, "ip": "127.0.0.1", "port": int(port), "device": "d1", "weight": 1})
    builder.rebalance()
    builder.get_ring().save("%s/%s.ring.gz" % (sys.argv[1], server))
PY
}
[ -f "$etc/proxy-server.conf" ] || configure
proxy_port=$(sed -n 's/^bind_port = //p' "$etc/proxy-server.conf")
for server in account container object; do
    "swift-$server-server" "$etc/$server-server.conf" >> "$work/$server.log" 2>&1 &
done
swift-proxy-server "$etc/proxy-server.conf" >> "$work/proxy.log" 2>&1 &
proxy=$!
# Ready once the bucket can be made (every server answers then); rclone
# takes the access key as it is (curl's --user would split it at its ":").
export RCLONE_CONFIG_SWIFT_TYPE=s3 RCLONE_CONFIG_SWIFT_PROVIDER=Other RCLONE_CONFIG_SWIFT_REGION=us-east-1 \
    RCLONE_CONFIG_SWIFT_ACCESS_KEY_ID=test:tester RCLONE_CONFIG_SWIFT_SECRET_ACCESS_KEY=testing \
    RCLONE_CONFIG_SWIFT_ENDPOINT=http://127.0.0.1:$proxy_port
tries=0
until env -u AWS_CA_BUNDLE rclone --config /dev/null --retries 1 --low-level-retries 1 mkdir swift:lectures 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -lt 300 ] || { echo "swift did not start" >&2; cat "$work"/*.log >&2; exit 1; }
    sleep 0.1
done
echo "PORT $proxy_port"
wait $proxy
