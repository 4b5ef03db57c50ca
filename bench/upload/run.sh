#!/bin/sh
# Bench: upload 1000 small files with `pellucor upload` and with
# `lftp mirror -R` to the same local FTP server and report the time ratio
# (target: pellucor within 1.2x of lftp). Needs python3-pyftpdlib and lftp.
#   bench/upload/run.sh [PELLUCOR_EXE] [FILES] [ROUNDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src_root=$(cd "$here/../.." && pwd)
exe=${1:-$src_root/build/src/pellucor}
files=${2:-1000}
rounds=${3:-3}
python=/usr/bin/python3
[ -x "$python" ] || python=python3
[ -x "$exe" ] || { echo "no pellucor executable at $exe (build first)" >&2; exit 2; }
command -v lftp >/dev/null || { echo "lftp is not installed" >&2; exit 2; }

work=$(mktemp -d /tmp/pellucor-bench-upload.XXXXXX)
fifo="$work/stdin"
cleanup() {
    exec 3>&- 2>/dev/null || true
    [ -n "${server_pid:-}" ] && wait "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/local" "$work/root"
i=1
while [ "$i" -le "$files" ]; do
    printf 'slide %d of the bench lecture\n%0200d\n' "$i" "$i" > "$work/local/$(printf 'f%04d.htm' "$i")"
    i=$((i + 1))
done

# The server stops when the write end of its stdin is closed.
mkfifo "$fifo"
"$python" "$src_root/tests/upload/ftp_server.py" --root "$work/root" --user bench --password benchpw \
    < "$fifo" > "$work/port" &
server_pid=$!
exec 3>"$fifo"
n=0
while ! grep -q PORT "$work/port" 2>/dev/null; do
    n=$((n + 1)); [ "$n" -lt 100 ] || { echo "server did not start" >&2; exit 1; }
    sleep 0.1
done
port=$(awk '/PORT/ {print $2}' "$work/port")

now() { date +%s.%N; }
count() { find "$1" -type f | wc -l; }
calc() { awk "BEGIN { print $1 }"; }
less() { awk "BEGIN { exit !($1 < $2) }"; }

best_ours=""
best_lftp=""
r=1
while [ "$r" -le "$rounds" ]; do
    t0=$(now)
    PELLUCOR_FTP_PASSWORD=benchpw PELLUCOR_STATE_DIR="$work/state" "$exe" upload "$work/local" \
        --host "127.0.0.1:$port" --user bench --remote "/ours$r" --quiet > "$work/ours.log" 2>&1 \
        || { cat "$work/ours.log" >&2; exit 1; }
    t1=$(now)
    lftp -c "set cmd:fail-exit yes; set ftp:ssl-allow no; set net:max-retries 1;
             open -u bench,benchpw -p $port 127.0.0.1; mirror -R --no-perms '$work/local' /lftp$r" \
        > "$work/lftp.log" 2>&1 || { cat "$work/lftp.log" >&2; exit 1; }
    t2=$(now)
    [ "$(count "$work/root/ours$r")" -eq "$files" ] || { echo "pellucor sent $(count "$work/root/ours$r") files" >&2; exit 1; }
    [ "$(count "$work/root/lftp$r")" -eq "$files" ] || { echo "lftp sent $(count "$work/root/lftp$r") files" >&2; exit 1; }
    ours=$(calc "$t1 - $t0")
    theirs=$(calc "$t2 - $t1")
    printf 'round %d: pellucor %.3f s, lftp %.3f s\n' "$r" "$ours" "$theirs"
    if [ -z "$best_ours" ] || less "$ours" "$best_ours"; then best_ours=$ours; fi
    if [ -z "$best_lftp" ] || less "$theirs" "$best_lftp"; then best_lftp=$theirs; fi
    r=$((r + 1))
done

ratio=$(calc "$best_ours / $best_lftp")
printf 'upload of %d files, best of %d: pellucor %.3f s, lftp mirror -R %.3f s, ratio %.2f (target <= 1.20)\n' \
    "$files" "$rounds" "$best_ours" "$best_lftp" "$ratio"
