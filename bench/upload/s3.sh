#!/bin/sh
# Bench: `pellucor upload` to S3 against `rclone copy` (Debian's rclone, its
# S3 backend, default settings) to the same OpenStack Swift with its S3
# layer (tests/upload/servers/swift.sh), for many small files, each into a
# fresh prefix, the two taking turns at going first. Prints the best and the
# median time of each and their ratio (target: 1.0 at most).
#   bench/upload/s3.sh [PELLUCOR_EXE] [FILES] [ROUNDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src_root=$(cd "$here/../.." && pwd)
exe=${1:-$src_root/build/src/pellucor}
files=${2:-1000}
rounds=${3:-3}
[ -x "$exe" ] || { echo "no pellucor executable at $exe (build first)" >&2; exit 2; }
command -v rclone >/dev/null || { echo "rclone is not installed (scripts/setup)" >&2; exit 2; }
command -v swift-proxy-server >/dev/null || { echo "swift-proxy is not installed (scripts/setup)" >&2; exit 2; }

base=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/pellucor-bench-s3.XXXXXX")
server=""
cleanup() {
    # Swift's servers each start a session of their own: the script's
    # children are ended by their parent's id.
    [ -z "$server" ] || { pkill -KILL -P "$server"; kill -KILL "$server"; } 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/small" "$work/home/.aws" "$work/swift"
i=1
while [ "$i" -le "$files" ]; do
    printf 'slide %d of the bench lecture\n%0200d\n' "$i" "$i" > "$work/small/$(printf 'f%04d.htm' "$i")"
    i=$((i + 1))
done
printf '<html>the bench lecture</html>\n' > "$work/small/index.htm"  # a lecture's entry page
printf '[default]\naws_access_key_id = test:tester\naws_secret_access_key = testing\n' > "$work/home/.aws/credentials"

sh "$src_root/tests/upload/servers/swift.sh" "$work/swift" > "$work/swift.out" 2> "$work/swift.err" &
server=$!
n=0
until grep -q '^PORT' "$work/swift.out" 2>/dev/null; do
    n=$((n + 1)); [ "$n" -lt 1800 ] || { cat "$work/swift.err" >&2; exit 1; }
    sleep 0.1
done
port=$(awk '$1 == "PORT" { print $2 }' "$work/swift.out")
endpoint=http://127.0.0.1:$port

export HOME="$work/home" PELLUCOR_STATE_DIR="$work/state" XDG_CONFIG_HOME="$work/config"
export RCLONE_CONFIG_SWIFT_TYPE=s3 RCLONE_CONFIG_SWIFT_PROVIDER=Other RCLONE_CONFIG_SWIFT_REGION=us-east-1 \
    RCLONE_CONFIG_SWIFT_ACCESS_KEY_ID=test:tester RCLONE_CONFIG_SWIFT_SECRET_ACCESS_KEY=testing \
    RCLONE_CONFIG_SWIFT_ENDPOINT=$endpoint
unset AWS_CA_BUNDLE  # an https setting rclone refuses with its http transport
now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }
best() { printf '%s\n' "$@" | sort -g | head -n 1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

ours() { "$exe" upload "$work/small" --host "s3://lectures/ours$1" --endpoint "$endpoint" --quiet; }
theirs() { rclone --config /dev/null copy "$work/small" "swift:lectures/theirs$1"; }
timed() {  # ours|theirs ROUND
    sleep 1
    t0=$(now)
    "$1" "$2" > "$work/$1.log" 2>&1 || { cat "$work/$1.log" >&2; exit 1; }
    t1=$(now)
    echo "$(calc "$t1 - $t0")"
}
# The lecture's files stored: pellucor's in its version folder.
objects() { rclone --config /dev/null lsf -R --files-only "swift:lectures/$1" | grep -c "^$2[^/]*\.htm$"; }

all_ours=""; all_theirs=""
r=1
while [ "$r" -le "$rounds" ]; do
    if [ $((r % 2)) -eq 1 ]; then
        o=$(timed ours "$r"); t=$(timed theirs "$r")
    else
        t=$(timed theirs "$r"); o=$(timed ours "$r")
    fi
    stored=$(objects "ours$r" 'v-[^/]*/'); [ "$stored" -eq $((files + 1)) ] || { echo "pellucor stored $stored files" >&2; exit 1; }
    stored=$(objects "theirs$r" ''); [ "$stored" -eq $((files + 1)) ] || { echo "rclone stored $stored files" >&2; exit 1; }
    all_ours="$all_ours $o"; all_theirs="$all_theirs $t"
    r=$((r + 1))
done
printf 's3    %d small files best of %d: pellucor %.3f s, rclone copy %.3f s, ratio %.2f (target <= 1.00)\n' \
    "$files" "$rounds" "$(best $all_ours)" "$(best $all_theirs)" "$(calc "$(best $all_ours) / $(best $all_theirs)")"
printf 's3    %d small files median:     pellucor %.3f s, rclone copy %.3f s, ratio %.2f\n' \
    "$files" "$(median $all_ours)" "$(median $all_theirs)" "$(calc "$(median $all_ours) / $(median $all_theirs)")"
