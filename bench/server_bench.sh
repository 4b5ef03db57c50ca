#!/bin/sh
# 40 lectures dropped at once into one incoming directory, published by one
# "pellucor server", by two servers sharing the tree, and by three of which
# one is killed and one (on a host of its own, a UTS namespace) paused
# halfway and resumed once the others are done; prints the times, the
# throughput ratio (two servers / one) and checks that every lecture was
# published exactly once in every run.
# BENCH_BUILD_DIR overrides the build directory (default: build-bench, a
# Release build); BENCH_LECTURES the number of lectures.
set -eu
. "$(dirname "$0")/bench_lib.sh"
lectures=${BENCH_LECTURES:-40}
bench_build pellucor
export XDG_CONFIG_HOME="$work/config"
sh "$root/samples/make-sample.sh" "$work/sample" >/dev/null

# start N [PREFIX...]: starts server N (its log logN.htm), run through PREFIX.
start() {
  n=$1
  shift
  "$@" "$build/src/pellucor" server --incoming "$work/tree/in" --repository "$work/tree/repo" \
    --publish "$work/tree/pub" --log "$work/tree/log$n.htm" --url http://lectures.example.org/ \
    --stream "" --interval 1 --settle 0 --stale 3 >/dev/null 2>&1 &
  pids="$pids $!"
}
completed() { cat "$work"/tree/log*.htm 2>/dev/null | grep -c 'Complete - ' || true; }

# run SERVERS [faults]: prints the seconds until every lecture was published.
run() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree/in" "$work/tree/repo" "$work/tree/pub" "$work/tree/stage"
  i=1
  while [ "$i" -le "$lectures" ]; do
    mkdir "$work/tree/stage/talk$i"
    find "$work/sample" -maxdepth 1 -type f -exec cp {} "$work/tree/stage/talk$i/" \;
    i=$((i + 1))
  done
  s=$(now)
  for d in "$work/tree/stage"/*; do mv "$d" "$work/tree/in/x-$(basename "$d")"; done
  pids=""
  n=1
  while [ "$n" -le "$1" ]; do
    if [ "${2:-}" = faults ] && [ "$n" -eq 2 ]; then
      start "$n" unshare -u sh -c 'hostname other-host; exec "$@"' sh
    else
      start "$n"
    fi
    n=$((n + 1))
  done
  if [ "${2:-}" = faults ]; then
    killed=$(echo $pids | cut -d' ' -f1)
    paused=$(echo $pids | cut -d' ' -f2)
    while [ "$(completed)" -lt $((lectures / 2)) ]; do sleep 0.1; done
    kill -KILL "$killed"
    kill -STOP "$paused"
    wait "$killed" || true
    pids=$(echo "$pids" | sed "s/ $killed / /")
  fi
  while [ "$(completed)" -lt "$lectures" ]; do sleep 0.1; done
  e=$(now)
  [ "${2:-}" != faults ] || { kill -CONT "$paused"; sleep 3; }
  for p in $pids; do kill -TERM "$p"; done
  for p in $pids; do wait "$p" || true; done
  once=$(cat "$work"/tree/log*.htm | grep -o 'Complete - [^<]*' | sort | uniq -c | awk '$1 != 1' | wc -l)
  total=$(cat "$work"/tree/log*.htm | grep -c 'Complete - ')
  [ "$once" -eq 0 ] && [ "$total" -eq "$lectures" ] || { echo "FAIL: not published exactly once each" >&2; exit 1; }
  elapsed "$s" "$e"
}

exec 9>"$lock"
flock 9
one=$(run 1)
two=$(run 2)
faults=$(run 3 faults)
flock -u 9
echo "lectures: $lectures, each published exactly once in every run"
echo "one server:  ${one} s"
echo "two servers: ${two} s"
echo "three servers, one killed and one paused halfway: ${faults} s"
awk -v a="$one" -v b="$two" 'BEGIN { printf "throughput ratio (two / one): %.2f\n", a / b }'
