#!/bin/sh
# "pellucor server --dispatch slurm" on the real one-node cluster the
# fixture started (SLURM_CONF): lectures published through batch jobs equal
# a local publish of them; a job that fails and a job cancelled with
# scancel send their lectures back as e-NAME, nothing half-published; a
# server stopped while its jobs run finishes each lecture once when started
# again; a claim taken over while its job waits before the swap keeps the
# job's publication out.
set -eu
. "$(dirname "$0")/server_lib.sh"
[ -n "${SLURM_CONF:-}" ] && scontrol ping >/dev/null || fail "no cluster at SLURM_CONF=${SLURM_CONF:-}"
make_lecture "$orig/talk"
cp -a "$orig/talk" "$orig/other"
cp -a "$orig/talk" "$orig/cut"
f=$orig/cut/talk1.rm
head -c $(($(wc -c < "$f") / 2)) "$f" > "$f.cut" && mv "$f.cut" "$f"
slurm() { start_server "$@" --dispatch slurm --settle 0; }
# Dropped with their times kept: a publish of the same files here is then
# the same byte for byte.
drop() {
  mkdir -p "$work/in/${2:-}"
  cp -a "$orig/$1" "$work/in/${2:-}.drop-$1"
  mv "$work/in/${2:-}.drop-$1" "$work/in/${2:-}x-$1"
}
log_has() { cat "$work"/log-*.htm | grep -c -- "$1" || true; }
jobs_logged() { cat "$work"/log-*.htm | sed -n 's/.*Submitted job \([0-9]*\) .*/\1/p'; }
job_of() { cat "$work"/log-*.htm | sed -n "s|.*Submitted job \([0-9]*\) - .*/$1/<br>.*|\1|p" | tail -1; }
followed() { [ "$(log_has 'Following job')" -eq "$1" ]; }
returned() { [ -d "$work/in/e-cut" ] && [ -d "$work/in/e-talk" ]; }
job_known() { [ -n "$(job_of "$1")" ]; }
job_state() { scontrol show job --oneliner "$1" | sed 's/.*JobState=\([A-Z_]*\).*/\1/'; }
job_is() { [ "$(job_state "$1")" = "$2" ]; }
job_paused() {  # a process of the job stopped itself (PELLUCOR_PUBLISH_STOP_AT)
  for p in $(scontrol listpids "$1" 2>/dev/null | awk 'NR > 1 { print $1 }'); do
    [ "$(cut -d' ' -f3 "/proc/$p/stat" 2>/dev/null)" != T ] || return 0
  done
  return 1
}
paused_count() {
  n=0
  for j in $(jobs_logged); do ! job_paused "$j" || n=$((n + 1)); done
  [ "$n" -ge "$1" ]
}
resume() { scancel --batch --signal=CONT "$1"; }
trap 'for j in $(jobs_logged); do scancel "$j"; done 2>/dev/null; cleanup' EXIT
nothing_staged() {
  left=$(find "$work/pub" "$work/in" "$shm/repo" \( -name '.pellucor-stage*' -o -name '.pellucor-claim*' \
    -o -name '.pellucor-copy*' -o -name '.pellucor-old*' \))
  [ -z "$left" ] || fail "stagings or claims left: $left"
}

# Two lectures through jobs, then the same two published here: equal.
fresh_tree
drop talk
drop other course/
slurm jobs --slurm-cpus 1
wait_completed 2 90
stop_servers
for lecture in talk course/other; do
  n=$(log_has "Complete - $shm/repo/$lecture/<br>")
  [ "$n" -eq 1 ] || fail "$lecture completed $n times"
  j=$(job_of "$(basename "$lecture")")
  [ "$(job_state "$j")" = COMPLETED ] || fail "job $j of $lecture is $(job_state "$j")"
  grep -q "JobId=$j .*Name=pellucor-$(basename "$lecture") JobState=COMPLETED" "$(dirname "$SLURM_CONF")/jobs.txt" ||
    fail "the cluster's record has no completed job $j for $lecture"
done
[ "$(log_has 'Job [0-9]* - talk - ')" -ge 2 ] || fail "the job's steps were not logged"
nothing_staged
mv "$work/pub" "$work/pub-jobs"
rm -rf "$shm/repo" "$work/in"
mkdir -p "$work/pub" "$shm/repo" "$work/in"
drop talk
drop other course/
server local --settle 0 --once
server local --settle 0 --once
for lecture in talk course/other; do
  diff -r "$work/pub/$lecture" "$work/pub-jobs/$lecture" || fail "$lecture differs from a local publish"
  grep -q "href=\"$(echo "$lecture" | sed 's|[^/]*|..|g')/index.htm\"" "$work/pub/$lecture/part1.htm" ||
    fail "$lecture does not link to the course page at the publish root"
done
rm -rf "$work/pub-jobs"
echo "published through jobs as here"

# A recording cut short fails its job; a job cancelled while it runs: both
# come back as e-NAME with the reason logged, and nothing is published.
fresh_tree
drop cut
(PELLUCOR_PUBLISH_STOP_AT=media exec_server fail --dispatch slurm --settle 0) & pids="$pids $!"
wait_until 60 "no job submitted" job_known cut
drop talk
wait_until 60 "the jobs did not pause" paused_count 2
cut=$(job_of cut) talk=$(job_of talk)
resume "$cut"
scancel "$talk"
wait_until 60 "the lectures did not come back" returned
stop_servers
[ "$(log_has "Publish failed - $shm/repo/cut/ - job $cut FAILED, exit code 1:0")" -eq 1 ] ||
  fail "the failed job's state and exit code were not logged"
[ "$(log_has "Job $cut error: .*talk1.rm failed")" -ge 1 ] || fail "the failed job's error was not logged"
[ "$(log_has "Publish failed - $shm/repo/talk/ - job $talk CANCELLED")" -eq 1 ] || fail "the cancel was not logged"
cmp "$orig/talk/talk1.rm" "$work/in/e-talk/talk1.rm" || fail "the cancelled lecture did not come back whole"
[ -z "$(ls "$shm/repo")" ] || fail "the repository kept a failed lecture"
[ ! -e "$work/pub/cut" ] && [ ! -e "$work/pub/talk" ] || fail "a failed lecture was published"
[ "$(completed)" -eq 0 ] || fail "a failed lecture completed"
nothing_staged
echo "failed and cancelled jobs returned as e-NAME"

# Stopped with both jobs waiting before the swap: one finishes while no
# server runs, the other after the restart; each lecture completes once.
fresh_tree
drop talk
drop other
(PELLUCOR_PUBLISH_STOP_AT=install exec_server first --dispatch slurm --settle 0) & pids="$pids $!"
wait_until 90 "the jobs did not reach the swap" paused_count 2
stop_servers
[ "$(log_has 'Left job [0-9]* running')" -eq 2 ] || fail "the stop did not leave both jobs running"
talk=$(job_of talk) other=$(job_of other)
resume "$talk"
wait_until 60 "job $talk did not finish" job_is "$talk" COMPLETED
slurm second
wait_until 30 "the restarted server did not follow the jobs" followed 2
resume "$other"
wait_completed 2 60
stop_servers
for lecture in talk other; do
  [ "$(log_has "Complete - $shm/repo/$lecture/<br>")" -eq 1 ] || fail "$lecture did not complete once"
done
[ "$(jobs_logged | wc -l)" -eq 2 ] || fail "a job was submitted again"
nothing_staged
echo "restarted server finished each lecture once"

# The server is killed while its job waits before the swap; a server here
# that publishes itself (with another URL) takes the claim over: the job,
# resumed, keeps out.
fresh_tree
drop talk
(PELLUCOR_PUBLISH_STOP_AT=install exec_server owner --dispatch slurm --settle 0) & owner=$!
pids="$pids $owner"
wait_until 60 "the job did not reach the swap" paused_count 1
kill -KILL "$owner"
wait "$owner" || true
pids=""
server taker --settle 0 --once --url http://taker.example.org/
[ "$(completed)" -eq 1 ] || fail "the taker did not complete the lecture"
job=$(job_of talk)
resume "$job"
wait_until 60 "the job did not end" job_is "$job" FAILED
grep -rq "taker.example.org" "$work/pub/talk" || fail "the taker's publication is not in place"
! grep -rq "lectures.example.org" "$work/pub/talk" || fail "the job swapped its publication in"
nothing_staged
echo "taken-over job kept out"
echo "ok"
