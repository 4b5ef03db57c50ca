#!/bin/sh
# Runs "pellucor automation" on the session bus (the caller provides a
# private one with dbus-run-session) and drives a full publish of the sample
# lecture from this separate process with gdbus, waiting with
# WaitUntilComplete, uploads it by FTP to a server started here and syncs
# the slides of a generated lecture; then releases the service and checks
# that it ended, and that a service whose bus went away ends too.
# With "--automation" as the fourth argument the windowed program is started
# instead and offers the same object (the caller provides a display).
set -eu
pellucor=$1
sample=$2
style=$3
start=${4:-automation}
work=$(mktemp -d)
svc=""
ftp=""
cleanup() {
  if [ -n "$svc" ] && kill -0 "$svc" 2>/dev/null; then kill "$svc"; fi
  if [ -n "$ftp" ] && kill -0 "$ftp" 2>/dev/null; then kill "$ftp"; fi
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/config" "$work/talk" "$work/home"
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
find "$sample" -maxdepth 1 -type f -exec cp {} "$work/talk/" \;

"$pellucor" "$start" >"$work/service.log" 2>&1 &
svc=$!

call() {  # METHOD [ARGS...] -> gdbus's printed reply
  method=$1
  shift
  gdbus call --session --timeout 100 --dest org.pellucor.Pellucor --object-path /Pellucor \
    --method "org.pellucor.Pellucor.$method" "$@"
}
fail() { echo "FAIL: $*"; cat "$work/service.log"; exit 1; }
expect() {  # WHAT GOT WANTED
  [ "$2" = "$3" ] || fail "$1 answered $2, expected $3"
  echo "ok: $1 -> $2"
}
waitfor() {  # WHAT COMMAND...: runs COMMAND every 0.1 s until it succeeds, for 10 s at most
  what=$1
  shift
  i=0
  until "$@" >/dev/null 2>&1; do
    i=$((i + 1))
    [ $i -lt 100 ] || fail "$what"
    sleep 0.1
  done
}

waitfor "the service did not appear" call IsRunning
# A first run of the windows makes the default lecture folder.
[ "$start" != --automation ] || [ -d "$work/home/Lectures" ] || fail "no ~/Lectures after the first run"
# A lecture that cannot be published is answered, never shown in a window.
mkdir -p "$work/empty"
call SetTextPP "'$work/empty'" >/dev/null
expect "OKToPublish of an empty lecture" "$(call OKToPublish "'text from the client'" | cut -c1-9)" "(false, '"
expect "Publish of an empty lecture" "$(call Publish "''")" "(false, 'Media directory is empty $work/empty/')"
call SetTextPP "'$work/talk'" >/dev/null
call SetTextStyle "'$style'" >/dev/null
call SetTextCDDir "'  $work/out  '" >/dev/null
call SetOptCD true >/dev/null
call SetOptWeb false >/dev/null
expect OKToPublish "$(call OKToPublish "'text from the client'")" "(true, '')"
expect Publish "$(call Publish "''")" "(true, '')"
call WaitUntilComplete >/dev/null
expect IsRunning "$(call IsRunning)" "(false,)"
expect GetStatus "$(call GetStatus)" "('Process:All Done',)"
[ -s "$work/out/index.htm" ] || fail "no published index.htm"

# The published lecture uploaded by FTP (the password never stored).
mkdir -p "$work/ftproot"
mkfifo "$work/ftp.in"
/usr/bin/python3 "$(dirname "$0")/../upload/ftp_server.py" --root "$work/ftproot" --user alice --password secret \
  <"$work/ftp.in" >"$work/ftp.port" &
ftp=$!
exec 4>"$work/ftp.in"
waitfor "the FTP server did not start" grep -q PORT "$work/ftp.port"
call SetUploadServer "'127.0.0.1:$(awk '{ print $2 }' "$work/ftp.port")'" >/dev/null
call SetUploadAccount "'alice'" >/dev/null
call SetUploadPassword "'wrong'" >/dev/null
call SetUploadLocalDir "'$work/out'" >/dev/null
call SetUploadRemoteDir "'/lectures/talk'" >/dev/null
expect "Upload with a wrong password" "$(call Upload "''")" "(false, 'Unable to Log In: 530 Authentication failed.')"
call SetUploadPassword "'secret'" >/dev/null
expect Upload "$(call Upload "''")" "(true, '')"
cmp -s "$work/out/index.htm" "$work/ftproot/lectures/talk/index.htm" || fail "index.htm was not uploaded"
expect GetUploadStatus "$(call GetUploadStatus | cut -c1-17)" "('Upload Complete"
exec 4>&-

# The slide times of a lecture found from its recording: written once,
# then kept unless the client asks for them to be replaced.
sh "$style/../../samples/make-sync-lecture.sh" screen "$work/sync" talk1.mp4 12 320x180 >/dev/null
call SetTextPP "'$work/sync'" >/dev/null
expect SyncSlides "$(call SyncSlides false | cut -c1-26)" "(true, 'Slide times found:"
grep -q 'URL\\sld003.htm' "$work/sync/talk1.txt" || fail "no slide times in talk1.txt"
expect "SyncSlides again" "$(call SyncSlides false | cut -c1-7)" "(false,"
expect "SyncSlides replacing" "$(call SyncSlides true | cut -c1-6)" "(true,"
[ -s "$work/sync/talk1.txt.bak" ] || fail "the replaced talk1.txt was not kept"

call Class_Terminate >/dev/null
waitfor "the service is still running after Class_Terminate" sh -c "! kill -0 $svc"
wait "$svc" || fail "the service exited with an error"
svc=""
echo "ok: the service ended"
[ "$start" = automation ] || exit 0

# A service whose private bus goes away while nobody released it ends by
# itself (exit 1, saying why) instead of staying behind unreachable.
dbus-run-session -- sh -c '
  ( "$1" automation >"$2/service.log" 2>&1; echo $? >"$2/rc" ) &
  i=0
  until gdbus call --session --dest org.pellucor.Pellucor --object-path /Pellucor \
          --method org.pellucor.Pellucor.IsRunning >/dev/null 2>&1; do
    i=$((i + 1)); [ $i -lt 100 ] || exit 1; sleep 0.1
  done' sh "$pellucor" "$work" || fail "the service on a bus of its own did not answer"
waitfor "the service outlived its bus" test -s "$work/rc"
expect "The service's exit code after its bus went" "$(cat "$work/rc")" 1
grep -q "the session bus is gone" "$work/service.log" || fail "no reason given"
