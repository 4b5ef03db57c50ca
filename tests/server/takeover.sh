#!/bin/sh
# Claims that must not be taken, a server paused past the stale time on
# another host (its own UTS namespace) and resumed after the lecture was
# taken over and published, a name too long for the file system, and a
# repository that fills up.
set -eu
. "$(dirname "$0")/server_lib.sh"
make_lecture "$orig/talk"
log_has() { cat "$work"/log-*.htm | grep -c -- "$1" || true; }

# A claim named for a live process is never taken, whatever the journal in
# it says (as left by an owner that took it over a moment ago).
fresh_tree
sleep 300 & sleeper=$!
pids="$pids $sleeper"
start=$(sed 's/.*) //' "/proc/$sleeper/stat" | cut -d' ' -f20)
for name in ".pellucor-claim+$(hostname)+$sleeper+$start+1+42-1" ".pellucor-claim+$(hostname)+$sleeper+42-2"; do
  mkdir -p "$work/in/$name"
  cp -r "$orig/talk" "$work/in/$name/lecture"
  printf 'step=claimed\nname=x-talk\nrel=\ndest=\ncopy=\nowner-start=1\n' > "$work/in/$name/journal"
done
server adopt --settle 0 --once
[ "$(find "$work/in" -mindepth 2 -maxdepth 2 -name lecture | wc -l)" -eq 2 ] || fail "a live owner's claim was taken"
[ "$(completed)" -eq 0 ] || fail "a live owner's lecture was published"
echo "claims of a live owner left alone"

# Paused on host A past the stale time with its publication built and
# checked, just before the swap; taken over by host B, which publishes it
# for another URL; then resumed: A gives up and puts nothing in place.
fresh_tree
drop talk
(host=host-a PELLUCOR_PUBLISH_STOP_AT=install exec_server a --settle 0 --stale 2 --once) & a=$!
pids="$pids $a"
stopped() { [ "$(cut -d' ' -f3 "/proc/$1/stat")" = T ]; }
wait_until 60 "host A never reached the swap" stopped "$a"
sleep 3
(host=host-b exec_server b --settle 0 --stale 2 --once --url http://host-b.example.org/) ||
  fail "host B failed to publish the lecture it took over"
grep -rq "host-b.example.org" "$work/pub/talk" || fail "host B's publication is not in place"
[ "$(completed)" -eq 1 ] || fail "host B did not complete the lecture"
cp -a "$work/pub" "$work/pub-b"
kill -CONT "$a"
! wait "$a" || fail "host A reported success after it was taken over"
[ "$(completed)" -eq 1 ] || fail "the lecture completed twice"
[ "$(log_has 'Gave up .*claim taken over by')" -eq 1 ] || fail "host A did not say it gave up"
diff -r -x '.pellucor-stage*' "$work/pub-b" "$work/pub" || fail "host A changed the publication after the takeover"
! grep -rq "lectures.example.org" "$work/pub/talk" || fail "host A swapped its publication in"
left=$(find "$work/pub" "$work/in" "$shm/repo" \( -name '.pellucor-claim*' -o -name '.pellucor-copy*' \
  -o -name '.pellucor-stage*' -o -name '.pellucor-old*' \))
[ -z "$left" ] || fail "stagings or claims left: $left"
rm -rf "$work/pub-b"
echo "paused host gave up; published once"

# A name too long for any file the publish makes goes back as "e-" at once.
fresh_tree
long=$(printf 'l%.0s' $(seq 252))
cp -r "$orig/talk" "$work/in/x-$long"
server long --settle 0 --once
[ -d "$work/in/e-$long" ] || fail "the long name was not returned as e-"
[ -z "$(find "$work/pub" "$shm/repo" -mindepth 1)" ] || fail "something of the long name was published"
[ "$(log_has 'the name is too long for the file system (252 bytes')" -eq 1 ] || fail "no reason for the long name"
echo "long name returned as e-"

# A repository that fills up: the reason is the system's, the lecture goes
# back where it was and the repository keeps nothing of it.
fresh_tree
mkdir -p "$work/small"
mount -t tmpfs -o size=600k tmpfs "$work/small"
trap 'umount "$work/small" 2>/dev/null || true; cleanup' EXIT
make_lecture "$orig/big"
head -c 2000000 /dev/urandom > "$orig/big/talk1.rm"
drop big
! server full --settle 0 --once --repository "$work/small" || fail "a full repository was reported as success"
[ "$(log_has 'No space left on device')" -ge 1 ] || fail "the full disk was not named"
[ -d "$work/in/x-big" ] && diff -r "$orig/big" "$work/in/x-big" || fail "the lecture did not go back whole"
[ -z "$(ls -A "$work/small")" ] || fail "the full repository kept a partial copy"
echo "full repository named; nothing lost"
echo "ok"
