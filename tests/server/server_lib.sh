# Shared by the server process tests (sourced): a work tree on disk, the
# repository on another file system (/dev/shm), starting and stopping real
# "pellucor server" processes, and the checks that every lecture was
# published exactly once and arrived byte for byte.
pellucor=$1
sample=$2
work=$(mktemp -d)
shm=$(mktemp -d /dev/shm/pellucor-server-test-XXXXXX)
pids=""
cleanup() {
  for p in $pids; do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$work" "$shm"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$work/config" "$shm/orig"
# The lectures as dropped, kept on the faster file system.
orig=$shm/orig

fail() {  # with the end of every log and output
  echo "FAIL: $*"
  for f in "$work"/log-*.htm "$work"/out-*.txt; do
    [ ! -f "$f" ] || { echo "== $f"; sed 's/<br>\r*$//' "$f" | tail -40; }
  done
  exit 1
}
. "$(dirname "$0")/../support/wait_until.sh"

# make_lecture DIR [SMALL_FILES]: the sample lecture, plus that many small
# files spread over sub-directories.
make_lecture() {
  mkdir -p "$1"
  find "$sample" -maxdepth 1 -type f -exec cp {} "$1/" \;
  [ -n "${2:-}" ] || return 0
  i=0
  while [ "$i" -lt "$2" ]; do
    d="$1/extra/d$((i / 100))"
    [ -d "$d" ] || mkdir -p "$d"
    echo "small file $i" > "$d/f$i.txt"
    i=$((i + 1))
  done
}

fresh_tree() {
  rm -rf "$work/in" "$work/pub" "$shm/repo" "$work"/log-*.htm "$work"/out-*.txt
  mkdir -p "$work/in" "$work/pub" "$shm/repo"
}

# drop NAME [REL]: copies orig/NAME in under a temporary name, then marks it
# ready with one rename.
drop() {
  mkdir -p "$work/in/${2:-}"
  cp -r "$orig/$1" "$work/in/${2:-}.drop-$1"
  mv "$work/in/${2:-}.drop-$1" "$work/in/${2:-}x-$1"
}

# exec_server NAME ARGS...: becomes a server (so that signals reach it);
# with host set, on a host of that name (its own UTS namespace).
exec_server() {
  name=$1
  shift
  set -- "$pellucor" server --incoming "$work/in" --repository "$shm/repo" --publish "$work/pub" \
    --log "$work/log-$name.htm" --url http://lectures.example.org/ --stream "" --interval 1 "$@"
  [ -z "${host:-}" ] || set -- unshare -u sh -c 'hostname "$1"; shift; exec "$@"' sh "$host" "$@"
  exec "$@" >> "$work/out-$name.txt" 2>&1
}
# server NAME ARGS...: runs a server in the foreground; start_server in the background.
server() { (exec_server "$@"); }
start_server() {
  (exec_server "$@") &
  pids="$pids $!"
}
stop_servers() {
  for p in $pids; do kill -TERM "$p" 2>/dev/null || true; done
  for p in $pids; do
    wait "$p" || fail "a server exited with $? after SIGTERM"
  done
  pids=""
}

completed() { cat "$work"/log-*.htm 2>/dev/null | grep -c "Complete - " || true; }
completed_at_least() { [ "$(completed)" -ge "$1" ]; }
wait_completed() { wait_until "$2" "fewer than $1 lectures completed within $2 s" completed_at_least "$1"; }

# check_published REL/NAME...: each published exactly once, in the
# repository byte for byte (besides the text of each slide, which the
# publish keeps beside its picture there), with its pages and index page;
# nothing left in the incoming tree and no copy directories left in the
# repository.
check_published() {
  for lecture in "$@"; do
    name=$(basename "$lecture")
    n=$(cat "$work"/log-*.htm | grep -c "Complete - $shm/repo/$lecture/<br>" || true)
    [ "$n" -eq 1 ] || fail "$lecture completed $n times"
    diff -r -x 'img*.text' "$orig/$name" "$shm/repo/$lecture" > "$work/diff.txt" 2>&1 ||
      { cat "$work/diff.txt" | head; fail "$lecture differs in the repository"; }
    for gif in "$shm/repo/$lecture"/img*.gif; do
      [ -s "${gif%.gif}.text" ] || fail "$lecture: no text kept for $(basename "$gif")"
    done
    [ -s "$work/pub/$lecture/index.htm" ] || fail "$lecture has no index page"
    [ -n "$(find "$work/pub/$lecture" -name '*.htm' ! -name index.htm | head -1)" ] || fail "$lecture has no pages"
  done
  left=$(find "$work/in" -mindepth 1 ! -type d | head -5)
  [ -z "$left" ] || fail "left in the incoming tree: $left"
  left=$(find "$work/in" -mindepth 1 \( -name '.pellucor*' -o -name 'e-*' \) | head -5)
  [ -z "$left" ] || fail "claims or refusals left: $left"
  left=$(find "$shm/repo" -name '.pellucor*' | head -5)
  [ -z "$left" ] || fail "copies left in the repository: $left"
  ! grep -h "Error" "$work"/log-*.htm || fail "errors were logged"
}
