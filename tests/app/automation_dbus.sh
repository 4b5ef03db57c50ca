#!/bin/sh
# Runs "pellucor automation" on the caller's private session bus and drives
# it with gdbus from this process: a full publish of the sample lecture, an
# FTP upload to a server started here, the lecture as one video, a part's
# cut list, a slide sync, automatic captions; then releases it, and
# a service whose bus went away ends too. With "--automation" as the fourth
# argument the windowed program offers the same object (on the caller's display).
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
calls() {  # METHOD ARG [METHOD ARG...]: each call in turn, its reply dropped
  while [ $# -ge 2 ]; do call "$1" "$2" >/dev/null; shift 2; done
}
fail() { echo "FAIL: $*"; cat "$work/service.log"; exit 1; }
expect() {  # WHAT GOT WANTED
  [ "$2" = "$3" ] || fail "$1 answered $2, expected $3"
  echo "ok: $1 -> $2"
}
. "$(dirname "$0")/../support/wait_until.sh"

wait_until 10 "the service did not appear" call IsRunning
# A first run of the windows makes the default lecture folder.
[ "$start" != --automation ] || [ -d "$work/home/Lectures" ] || fail "no ~/Lectures after the first run"
# A lecture that cannot be published is answered, never shown in a window.
mkdir -p "$work/empty"
call SetTextPP "'$work/empty'" >/dev/null
expect "OKToPublish of an empty lecture" "$(call OKToPublish "'text from the client'" | cut -c1-9)" "(false, '"
expect "Publish of an empty lecture" "$(call Publish "''")" "(false, 'Media directory is empty $work/empty/')"
calls SetTextPP "'$work/talk'" SetTextStyle "'$style'" SetTextCDDir "'  $work/out  '" SetOptCD true SetOptWeb false
expect OKToPublish "$(call OKToPublish "'text from the client'")" "(true, '')"
expect Publish "$(call Publish "''")" "(true, '')"
call WaitUntilComplete >/dev/null
expect IsRunning "$(call IsRunning)" "(false,)"
expect GetStatus "$(call GetStatus)" "('Process:All Done',)"
[ -s "$work/out/index.htm" ] || fail "no published index.htm"
# The same lecture as one video, to a file the client names.
expect ExportVideo "$(call ExportVideo "'$work/talk.mp4'" | cut -c1-30)" "(true, 'Lecture video written:"
ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$work/talk.mp4" | grep -qx h264 || fail "no H.264 in talk.mp4"
expect "ExportVideo to a directory" "$(call ExportVideo "'$work'")" "(false, 'Name the video file to write')"

# What the students will not see of part 3 (6 s long): set, a list that is
# not right refused with the line at fault (the one there kept), cleared.
expect SetCuts "$(call SetCuts 3 "'0:00:05 0:00:06  # chatter\n0 1'")" \
  "(true, 'Part 3: 2 cuts, students see 0:00:04.000 of 0:00:06.000')"
cuts="'# Stretches of talk3.mp4 left out of the published lecture: FROM TO\n0:00:00.000 0:00:01.000\n0:00:05.000 0:00:06.000\n'"
expect Cuts "$(call Cuts 3)" "(true, $cuts)"
expect "SetCuts overlapping" "$(call SetCuts 3 "'0 2\n1 3'")" \
  "(false, 'The cut list is not right: line 2: the cut 0:00:01.000 0:00:03.000 overlaps the cut 0:00:00.000 0:00:02.000')"
expect "SetCuts past the end" "$(call SetCuts 3 "'5 7'")" \
  "(false, 'The cut list is not right: line 1: the cut 0:00:05.000 0:00:07.000 ends after the recording, which is 0:00:06.000 long')"
expect "Cuts after the refusals" "$(call Cuts 3)" "(true, $cuts)"
expect "SetCuts of no part" "$(call SetCuts 9 "'0 1'")" "(false, 'The lecture has no part 9')"
expect ClearCuts "$(call ClearCuts 3)" "(true, 'Part 3: no cuts, students see 0:00:06.000 of 0:00:06.000')"
[ ! -e "$work/talk/talk3.cuts" ] || fail "ClearCuts left talk3.cuts"
expect "Cuts after ClearCuts" "$(call Cuts 3)" "(true, '')"

# The published lecture uploaded by FTP (the password never stored).
mkdir -p "$work/ftproot"
mkfifo "$work/ftp.in"
/usr/bin/python3 "$(dirname "$0")/../upload/ftp_server.py" --root "$work/ftproot" --user alice --password secret \
  <"$work/ftp.in" >"$work/ftp.port" &
ftp=$!
exec 4>"$work/ftp.in"
wait_until 10 "the FTP server did not start" grep -q PORT "$work/ftp.port"
calls SetUploadServer "'127.0.0.1:$(awk '{ print $2 }' "$work/ftp.port")'" SetUploadAccount "'alice'" \
  SetUploadPassword "'wrong'" SetUploadLocalDir "'$work/out'" SetUploadRemoteDir "'/lectures/talk'"
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

# Automatic captions for a spoken part (a read LibriVox clip): made, kept,
# made again on request.
mkdir -p "$work/spoken"
cp /usr/share/pocketsphinx/test/data/librivox/sense_and_sensibility_01_austen_64kb-0870.wav "$work/spoken/talk1.wav"
printf 'u 00:00:00 00:00:05 URL\\sld001.htm\r\n' >"$work/spoken/talk1.txt"
call SetTextPP "'$work/spoken'" >/dev/null
expect MakeCaptions "$(call MakeCaptions false | cut -c1-29)" "(true, 'Captions: talk1.vtt ("
grep -qi "his power" "$work/spoken/talk1.vtt" || fail "no captions of the speech in talk1.vtt"
[ -s "$work/spoken/talk1.vtt.auto" ] || fail "talk1.vtt is not marked as automatic captions"
expect "MakeCaptions again" "$(call MakeCaptions false)" "(true, 'Captions: talk1.vtt kept (made before)')"
expect "MakeCaptions replacing" "$(call MakeCaptions true | cut -c1-29)" "(true, 'Captions: talk1.vtt ("

call Class_Terminate >/dev/null
wait_until 10 "the service is still running after Class_Terminate" sh -c "! kill -0 $svc"
wait "$svc" || fail "the service exited with an error"
svc=""
echo "ok: the service ended"
[ "$start" = automation ] || exit 0

# A service whose private bus goes away while nobody released it ends by
# itself (exit 1, saying why) instead of staying behind unreachable.
dbus-run-session -- sh -c '
  fail() { exit 1; }; . "$3"
  ( "$1" automation >"$2/service.log" 2>&1; echo $? >"$2/rc" ) &
  wait_until 10 "" gdbus call --session --dest org.pellucor.Pellucor --object-path /Pellucor \
    --method org.pellucor.Pellucor.IsRunning' sh "$pellucor" "$work" "$(dirname "$0")/../support/wait_until.sh" ||
  fail "the service on a bus of its own did not answer"
wait_until 10 "the service outlived its bus" test -s "$work/rc"
expect "The service's exit code after its bus went" "$(cat "$work/rc")" 1
grep -q "the session bus is gone" "$work/service.log" || fail "no reason given"
