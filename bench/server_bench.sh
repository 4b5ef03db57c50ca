#!/bin/sh
# 40 lectures dropped at once into one incoming directory, published by one
# "pellucor server", by two servers sharing the tree, and by three of which
# one is killed and one (on a host of its own, a UTS namespace) paused
# halfway and resumed once the others are done; prints the times, the
# throughput ratio (two servers / one) and checks that every lecture was
# published exactly once in every run.
# Then 20 lectures (BENCH_SLURM_LECTURES) through "--dispatch slurm" on a
# one-node cluster of this machine's 2 CPUs (scripts/slurm-cluster) against
# one local server on the same machine (target: at most 15% slower), and
# once more with one job cancelled (scancel) and the node's slurmd killed
# and started again during the run: every other lecture published exactly
# once, the cancelled one back as e-NAME (or published once, when it ended
# before the cancel came).
# BENCH_BUILD_DIR overrides the build directory (default: build-bench, a
# Release build); BENCH_LECTURES the number of lectures; BENCH_PART=shared
# or slurm runs only that part.
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
    --stream "" --interval 1 --settle 0 --stale 3 $server_options >/dev/null 2>&1 &
  pids="$pids $!"
}
completed() { cat "$work"/tree/log*.htm 2>/dev/null | grep -c 'Complete - ' || true; }
returned() { find "$work/tree/in" -maxdepth 1 -name 'e-*' | wc -l; }
server_options=""

# drop: the lectures, made beside the incoming directory, marked ready at once.
drop() {
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
}

# check_once [RETURNED]: every lecture published exactly once, but for
# RETURNED (at most) that came back as e-NAME.
check_once() {
  once=$(cat "$work"/tree/log*.htm | grep -o 'Complete - [^<]*' | sort | uniq -c | awk '$1 != 1' | wc -l)
  total=$(cat "$work"/tree/log*.htm | grep -c 'Complete - ')
  [ "$once" -eq 0 ] && [ "$((total + $(returned)))" -eq "$lectures" ] && [ "$(returned)" -le "${1:-0}" ] ||
    { echo "FAIL: not published exactly once each ($total published, $(returned) returned)" >&2; exit 1; }
}

# run SERVERS [faults]: prints the seconds until every lecture was published.
run() {
  drop
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
  check_once
  elapsed "$s" "$e"
}

# run_slurm [faults]: one server handing every lecture to a job; prints the
# seconds until every lecture was published or returned.
run_slurm() {
  drop
  pids=""
  server_options="--dispatch slurm --slurm-cpus 1 --slurm-max-jobs 4"
  start 1
  server_options=""
  if [ "${1:-}" = faults ]; then
    while [ "$(completed)" -lt $((lectures / 4)) ]; do sleep 0.1; done
    job=""
    while [ -z "$job" ]; do job=$(squeue --noheader --states=RUNNING --format=%i | head -1 | tr -d ' '); done
    scancel "$job"
    while [ "$(completed)" -lt $((lectures / 2)) ]; do sleep 0.1; done
    sh "$root/scripts/slurm-cluster" restart-node "$work/cluster"
  fi
  while [ "$(($(completed) + $(returned)))" -lt "$lectures" ]; do sleep 0.1; done
  e=$(now)
  kill -TERM $pids
  wait $pids || true
  check_once "$([ "${1:-}" = faults ] && echo 1 || echo 0)"
  elapsed "$s" "$e"
}

part=${BENCH_PART:-all}
exec 9>"$lock"
flock 9
if [ "$part" != slurm ]; then
  one=$(run 1)
  two=$(run 2)
  faults=$(run 3 faults)
fi
if [ "$part" != shared ]; then
  shared_lectures=$lectures
  lectures=${BENCH_SLURM_LECTURES:-20}
  eval "$(sh "$root/scripts/slurm-cluster" start "$work/cluster" 2)"
  trap 'sh "$root/scripts/slurm-cluster" stop "$work/cluster"; rm -rf "$work"' EXIT
  local_one=$(run 1)
  echo "(one local server: $local_one s)" >&2
  slurm=$(run_slurm)
  echo "(jobs: $slurm s)" >&2
  slurm_faults=$(run_slurm faults)
  slurm_returned=$(returned)
  lectures=$shared_lectures
fi
flock -u 9
if [ "$part" != slurm ]; then
  echo "lectures: $lectures, each published exactly once in every run"
  echo "one server:  ${one} s"
  echo "two servers: ${two} s"
  echo "three servers, one killed and one paused halfway: ${faults} s"
  awk -v a="$one" -v b="$two" 'BEGIN { printf "throughput ratio (two / one): %.2f\n", a / b }'
fi
if [ "$part" != shared ]; then
  echo "lectures through Slurm: ${BENCH_SLURM_LECTURES:-20} on one node of 2 CPUs, 1 CPU and at most 4 jobs each"
  echo "one local server:  ${local_one} s"
  echo "one server, jobs:  ${slurm} s"
  awk -v a="$local_one" -v b="$slurm" 'BEGIN { printf "jobs / local: %.2f (target: at most 1.15)\n", b / a }'
  echo "jobs, one cancelled and slurmd restarted: ${slurm_faults} s ($slurm_returned returned as e-NAME, the rest published once)"
fi
