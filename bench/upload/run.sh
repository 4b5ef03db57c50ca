#!/bin/sh
# Bench: `pellucor upload` against `lftp mirror -R` (lftp's default
# settings) to the same local server, over FTP (proftpd) and SFTP (OpenSSH's
# sshd), for many small files and for one large file. Prints the best time
# of each and the ratio (targets: 0.8 at most for the small files, 1.0 at
# most for the large file).
#   bench/upload/run.sh [PELLUCOR_EXE] [FILES] [ROUNDS] [LARGE_MB]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src_root=$(cd "$here/../.." && pwd)
servers=$src_root/tests/upload/servers
exe=${1:-$src_root/build/src/pellucor}
files=${2:-1000}
rounds=${3:-3}
large_mb=${4:-200}
[ -x "$exe" ] || { echo "no pellucor executable at $exe (build first)" >&2; exit 2; }
command -v lftp >/dev/null || { echo "lftp is not installed (scripts/setup)" >&2; exit 2; }

# The servers write into memory where the machine has it (/dev/shm): the
# figures are then the transfers', not the disk's write-back of the rounds
# before.
base=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/pellucor-bench-upload.XXXXXX")
chmod 755 "$work"  # the servers' sessions run as nobody when started by root
pids=""
cleanup() {
    for p in $pids; do kill -- "-$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A server script in a session of its own (so that it and its children can
# be ended together); waits for its "PORT" line.
start_server() {  # NAME SCRIPT ARGS...
    name=$1; shift
    setsid sh "$@" > "$work/$name.out" 2> "$work/$name.err" &
    pids="$pids $!"
    echo $! > "$work/$name.pid"  # the script execs the server: its master
    n=0
    until grep -q '^PORT' "$work/$name.out" 2>/dev/null; do
        n=$((n + 1)); [ "$n" -lt 100 ] || { cat "$work/$name.err" >&2; exit 1; }
        sleep 0.1
    done
    sleep 0.5
}
value() { awk -v k="$2" '$1 == k { print $2 }' "$work/$1.out"; }

mkdir -p "$work/small" "$work/large" "$work/home"
i=1
while [ "$i" -le "$files" ]; do
    printf 'slide %d of the bench lecture\n%0200d\n' "$i" "$i" > "$work/small/$(printf 'f%04d.htm' "$i")"
    i=$((i + 1))
done
head -c "$((large_mb * 1024 * 1024))" /dev/urandom > "$work/large/talk1.mp4"
echo secret > "$work/pw"

start_server ftp "$servers/proftpd.sh" "$work/ftp"
start_server sftp "$servers/sshd.sh" "$work/sftp"
ftp_port=$(value ftp PORT)
sftp_port=$(value sftp PORT)
sftp_user=$(value sftp USER)
key=$work/sftp/userkey
fingerprint=$(ssh-keygen -lf "$work/sftp/hostkey.pub" | awk '{ print $2 }')
ssh_cmd="ssh -a -x -i $key -o UserKnownHostsFile=$work/home/lftp_known_hosts -o StrictHostKeyChecking=accept-new"

export HOME="$work/home" PELLUCOR_STATE_DIR="$work/state" XDG_CONFIG_HOME="$work/config"
now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }
count() { find "$1" -type f | wc -l; }

ours() {  # PROTOCOL SOURCE DEST
    if [ "$1" = ftp ]; then
        "$exe" upload "$2" --host "127.0.0.1:$ftp_port" --user alice --password-file "$work/pw" --remote "$3" --quiet
    else
        "$exe" upload "$2" --host "sftp://127.0.0.1:$sftp_port/" --user "$sftp_user" --key "$key" \
            --accept-host-key "$fingerprint" --remote "$work/sftp/$3" --quiet
    fi
}
theirs() {  # PROTOCOL SOURCE DEST
    if [ "$1" = ftp ]; then
        lftp -c "set cmd:fail-exit yes; set ftp:ssl-allow no; set net:max-retries 1;
                 open -u alice,secret -p $ftp_port 127.0.0.1; mirror -R --no-perms '$2' '$3'"
    else
        lftp -c "set cmd:fail-exit yes; set net:max-retries 1; set sftp:connect-program '$ssh_cmd';
                 open -u $sftp_user, -p $sftp_port sftp://127.0.0.1; mirror -R --no-perms '$2' '$work/sftp/$3'"
    fi
}
# The CPU seconds the server's sessions have used so far: its master's
# ended children (each session is reaped by the master once it ends).
ticks=$(getconf CLK_TCK)
server_cpu() { awk -v hz="$ticks" '{ print ($16 + $17) / hz }' "/proc/$(cat "$work/$protocol.pid")/stat"; }
# "SECONDS SERVER_CPU_SECONDS" of one of them for the round's upload (its
# output in a log, shown if it fails). Each starts against a settled server:
# proftpd's master, once a session has ended, sleeps 0.2 s at a time (0.4 s
# and more after several) before it accepts the next connection, so a run
# that started at once after the other's would wait out that sleep.
timed() {  # ours|theirs
    sleep 1
    c0=$(server_cpu)
    t0=$(now)
    "$1" "$protocol" "$work/$set" "$1-$set$r" > "$work/$1.log" 2>&1 || { cat "$work/$1.log" >&2; exit 1; }
    t1=$(now)
    sleep 0.2  # the session's end reaped
    echo "$(calc "$t1 - $t0") $(calc "$(server_cpu) - $c0")"
}
best() { printf '%s\n' "$@" | sort -g | head -n 1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
dest_root() { [ "$1" = ftp ] && echo "$work/ftp/root" || echo "$work/sftp"; }

# Each client's own start-up (its libraries loaded) is part of each run:
# the difference between the two is a fixed cost of every upload.
startup() {  # COMMAND...: best of 3
    starts=""
    for i in 1 2 3; do
        t0=$(now); "$@" > /dev/null; t1=$(now)
        starts="$starts $(calc "$t1 - $t0")"
    done
    best $starts
}
printf 'start-up, best of 3: pellucor (upload --help) %.3f s, lftp (-c exit) %.3f s\n' \
    "$(startup "$exe" upload --help)" "$(startup lftp -c exit)"

for protocol in ftp sftp; do
    for set in small large; do
        all_ours=""; all_lftp=""; cpu_ours=""; cpu_lftp=""
        expected=$(count "$work/$set")
        r=1
        while [ "$r" -le "$rounds" ]; do
            # Each goes first in every other round, so that neither always
            # meets the other's writes still on their way to the disk.
            if [ $((r % 2)) -eq 1 ]; then
                ours_r=$(timed ours); lftp_r=$(timed theirs)
            else
                lftp_r=$(timed theirs); ours_r=$(timed ours)
            fi
            ours_t=${ours_r% *}; lftp_t=${lftp_r% *}
            cpu_ours="$cpu_ours ${ours_r#* }"; cpu_lftp="$cpu_lftp ${lftp_r#* }"
            root=$(dest_root "$protocol")
            [ "$(count "$root/ours-$set$r")" -eq "$expected" ] || { echo "pellucor sent $(count "$root/ours-$set$r") files" >&2; exit 1; }
            [ "$(count "$root/theirs-$set$r")" -eq "$expected" ] || { echo "lftp sent $(count "$root/theirs-$set$r") files" >&2; exit 1; }
            cmp -s "$work/large/talk1.mp4" "$root/ours-large$r/talk1.mp4" 2>/dev/null || [ "$set" = small ] ||
                { echo "pellucor's copy differs" >&2; exit 1; }
            rm -rf "$root/ours-$set$r" "$root/theirs-$set$r"
            all_ours="$all_ours $ours_t"; all_lftp="$all_lftp $lftp_t"
            r=$((r + 1))
        done
        best_ours=$(best $all_ours); best_lftp=$(best $all_lftp)
        if [ "$set" = small ]; then what="$files small files"; target=0.80; else what="one $large_mb MB file"; target=1.00; fi
        printf '%-5s %-18s best of %d: pellucor %.3f s, lftp mirror -R %.3f s, ratio %.2f (target <= %s)\n' \
            "$protocol" "$what" "$rounds" "$best_ours" "$best_lftp" "$(calc "$best_ours / $best_lftp")" "$target"
        # One round's luck (a fresh server, memory the machine had at hand)
        # can make either side's best: the medians say how they usually go.
        median_ours=$(median $all_ours); median_lftp=$(median $all_lftp)
        printf '%-5s %-18s median:     pellucor %.3f s, lftp mirror -R %.3f s, ratio %.2f\n' \
            "$protocol" "$what" "$median_ours" "$median_lftp" "$(calc "$median_ours / $median_lftp")"
        # The server's own CPU time for the upload: where it is close to the
        # upload's time, the server is what bounds it, not the client.
        printf '%-5s %-18s server CPU, median: for pellucor %.3f s, for lftp %.3f s\n' \
            "$protocol" "$what" "$(median $cpu_ours)" "$(median $cpu_lftp)"
    done
done
