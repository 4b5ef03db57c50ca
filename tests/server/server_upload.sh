#!/bin/sh
# "pellucor server --upload" sends each lecture it publishes on to object
# storage (a real S3 server: Swift's S3 layer on 127.0.0.1), where students
# reach it under the lecture's own folder. A refused upload leaves the
# publication noted, the run fails and says so, and the next start sends it.
set -eu
. "$(dirname "$0")/server_lib.sh"
source=$3

# The object store; each of its servers makes a session of its own, so they
# are stopped as the script's children.
sh "$source/tests/upload/servers/swift.sh" "$work/swift" > "$work/swift.txt" 2>&1 &
swift=$!
stop_swift() {
  pkill -TERM -P "$swift" 2>/dev/null || true
  kill -TERM "$swift" 2>/dev/null || true
  cleanup
}
trap stop_swift EXIT
wait_until 120 "the object store to start" grep -q '^PORT ' "$work/swift.txt"
port=$(sed -n 's/^PORT //p' "$work/swift.txt")
export RCLONE_CONFIG_SWIFT_TYPE=s3 RCLONE_CONFIG_SWIFT_PROVIDER=Other RCLONE_CONFIG_SWIFT_REGION=us-east-1 \
  RCLONE_CONFIG_SWIFT_ACCESS_KEY_ID=test:tester RCLONE_CONFIG_SWIFT_SECRET_ACCESS_KEY=testing \
  RCLONE_CONFIG_SWIFT_ENDPOINT=http://127.0.0.1:$port
store() { env -u AWS_CA_BUNDLE rclone --config /dev/null "$@"; }

make_lecture "$orig/talk1"
fresh_tree
drop talk1 course/
upload="--upload s3://lectures/site --endpoint http://127.0.0.1:$port"
# A wrong secret: published here, refused there, and the run says so.
! AWS_ACCESS_KEY_ID=test:tester AWS_SECRET_ACCESS_KEY=wrong server refused --once $upload ||
  fail "a refused upload gave exit 0"
check_published course/talk1
grep -q "could not be uploaded" "$work/out-refused.txt" || fail "the refused upload was not said"
[ -z "$(store lsf -R swift:lectures/site 2>/dev/null)" ] || fail "a refused upload wrote objects"

# The next start sends what is still to be sent.
AWS_ACCESS_KEY_ID=test:tester AWS_SECRET_ACCESS_KEY=testing server again --once $upload ||
  fail "the upload at the next start gave exit $?"
grep -q "Uploaded course/talk1" "$work/log-again.htm" || fail "no upload logged"
# The entry page leads into the version holding the publication, byte for byte.
store cat swift:lectures/site/course/talk1/index.htm > "$work/entry.htm"
version=$(grep -o 'v-[0-9-]*' "$work/entry.htm" | head -n 1)
[ -n "$version" ] || fail "the entry page leads nowhere: $(cat "$work/entry.htm")"
store copy "swift:lectures/site/course/talk1/$version" "$work/fetched"
diff -r "$work/pub/course/talk1" "$work/fetched" || fail "the stored lecture differs from the publication"
[ -z "$(ls -A "$work/pub/.pellucor-uploads")" ] || fail "an upload is still noted: $(ls "$work/pub/.pellucor-uploads")"
echo "ok: a refused upload failed the run and was sent at the next start, byte for byte under the lecture's folder"
