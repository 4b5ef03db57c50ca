#!/bin/sh
# Builds a lecture whose slide times are known, for the slide-sync tests and
# bench: a deck of slide images (imgNNN.gif, titles.txt) and one recording of
# those slides shown on a schedule, made with the ffmpeg command-line tool.
# The schedule ("START_SECONDS SLIDE" per line) goes to standard output.
#   make-sync-lecture.sh KIND[+word|+topics] DEST RECORDING [SECONDS] [WIDTHxHEIGHT] [FPS] [PACE]
# KIND, how the slides appear in the recording:
#   screen   the whole frame (4:3 slide centred on a wide screen), a mouse
#            pointer moving over it
#   meeting  the slide at 75% of the frame width beside a moving camera
#            strip, a mouse pointer moving over it and a notification
#            over it for two seconds now and then
#   moving   as meeting, and in the middle of a slide's time halfway
#            through the meeting tool lays the picture out anew: the
#            camera strip moves to the left and the slide, smaller, to the
#            right ("layout moved AT" follows the schedule)
#   camera   a camera pointed at a projected screen: perspective, blur,
#            noise, flickering light, a person passing in front now and then,
#            and now and then the camera on the lecturer (no slide seen)
#   hall     a camera of another make in a lecture hall: the screen seen
#            from lower left (keystone), a lecturer walking to and fro in
#            front of it, a laser pointer dot moving over it, the camera
#            shaking a little and its exposure drifting
#   strip    a meeting tool of another make: the slide at 75% of the frame
#            width beside a camera strip on the left that shows a person
#            moving before a still room (little noise)
#   gallery  a meeting tool of a third make: the slide at 75% of the
#            frame height above a row of camera tiles, people moving in
#            them
#   deck     as screen, going to and fro between the slides that differ
#            least (the builds and the pair that differs in one line)
#   clip     as screen, with a video clip shown full screen now and then
#            in the middle of a slide's time (no slide seen) and a
#            notification over the slide for two seconds now and then;
#            each clip's "clip FROM TO" follows the schedule
#   video    a video clip over the whole recording: no slide ever stays
#            on screen (the schedule is printed all the same)
# The deck has builds (a slide growing point by point), two slides that
# differ in one line only (with "+word" after KIND: in one word of that
# line, the rest identical), and the schedule goes back to an earlier slide
# and skips slides. With "+topics" after KIND the deck has slides 9 to 14
# too, all alike ("Topic N" and three lines that differ only in their
# numbers), and after the first slide the schedule goes round those. RECORDING is a file name in DEST; its extension chooses
# the format: .mp4 .mov .mkv (H.264/AAC), .webm (VP8/Opus), .rm (RealVideo
# rv20/AC-3), .m4a (sound only, no picture). PACE: "quick" (a change every
# 3 to 5.5 s; the default up to 90 s) or "lecture" (every 12 to 62 s).
set -eu
usage="usage: make-sync-lecture.sh KIND[+word|+topics] DEST RECORDING [SECONDS] [WIDTHxHEIGHT] [FPS] [PACE]"
kind=${1:?$usage}
# The last lines of slides 6 and 7, the pair that differs least.
differ6="Camera recordings: 91 percent"
differ7="Camera recordings: 97 percent after tuning"
topics=no
case $kind in
  *+word) kind=${kind%+word}; differ6="Camera recordings: changes missed"; differ7="Camera recordings: changes found" ;;
  *+topics) kind=${kind%+topics}; topics=yes ;;
esac
dest=${2:?$usage}
rec=${3:?$usage}
seconds=${4:-30}
size=${5:-640x360}
fps=${6:-25}
pace=${7:-$([ "$seconds" -le 90 ] && echo quick || echo lecture)}
w=${size%x*}
h=${size#*x}
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

# The deck: slides 1-8 are fixed, further slides are made up for long
# lectures (one every 40 s or so).
slides=$((seconds / 40 > 8 ? seconds / 40 : 8))
[ "$topics" = yes ] && [ "$slides" -lt 14 ] && slides=14
: > "$dest/titles.txt"
: > "$dest/slide-texts.txt"  # each slide's words, to tell how well its picture reads
slide_text() {  # N: title line, then bullet lines
  case $1 in
    1) printf '%s\n' "Reading the slides" "from any recording" "Lecture 7, spring term" ;;
    2) printf '%s\n' "Outline" "Why slide times matter" "Matching frames to slides" "Choosing the sequence" \
         "Results and limits" ;;
    3) printf '%s\n' "The method" "Sample a few frames per second" ;;
    4) printf '%s\n' "The method" "Sample a few frames per second" "Find the slide in each frame" ;;
    5) printf '%s\n' "The method" "Sample a few frames per second" "Find the slide in each frame" \
         "Compare it with every slide" ;;
    6) printf '%s\n' "Results" "Screen recordings: all changes" "Meeting layouts: all changes" \
         "$differ6" ;;
    7) printf '%s\n' "Results" "Screen recordings: all changes" "Meeting layouts: all changes" \
         "$differ7" ;;
    8) printf '%s\n' "Summary" "Slides are the best reference" "Changes cost something" \
         "Review what is unsure" ;;
    *) printf '%s\n' "Topic $1" "Point $1.1 about sampling $(($1 * 7))" "Point $1.2 on matching $(($1 * 13))" \
         "Point $1.3 with care $(($1 * 3))" ;;
  esac
}
n=1
while [ $n -le $slides ]; do
  name=$(printf 'img%03d.gif' $n)
  vf="drawbox=x=0:y=0:w=640:h=92:color=0x1f3a68:t=fill"
  line=0
  slide_text $n > "$dest/.text"
  while IFS= read -r text; do
    printf '%s' "$text" > "$dest/.line$line"
    if [ $line -eq 0 ]; then
      printf '"%s" "%s"\r\n' "$name" "$text" >> "$dest/titles.txt"
      vf="$vf,drawtext=fontfile=$font:textfile=$dest/.line0:fontsize=40:fontcolor=white:x=40:y=26"
    else
      vf="$vf,drawtext=fontfile=$font:textfile=$dest/.line$line:fontsize=28:fontcolor=0x202020:x=60:y=$((80 + 70 * line))"
      vf="$vf,drawbox=x=36:y=$((88 + 70 * line)):w=12:h=12:color=0x1f3a68:t=fill"
    fi
    line=$((line + 1))
  done < "$dest/.text"
  printf '%s %s\n' "$name" "$(tr '\n' ' ' < "$dest/.text")" >> "$dest/slide-texts.txt"
  ff -f lavfi -i "color=c=0xf4f4ee:s=640x480" -vf "$vf" -frames:v 1 -pix_fmt rgb8 "$dest/$name"
  n=$((n + 1))
done
rm -f "$dest/.text" "$dest"/.line*

# The schedule: the fixed opening (builds 3-5, a return to 2, a skip to 6,
# the pair 6/7 that differs in one line), then for the deck kind a round
# between those slides again and again, else a walk that mostly goes on,
# sometimes skips one and sometimes goes back. With +topics: the first
# slide, then round the Topic slides.
awk -v total="$seconds" -v slides="$slides" -v kind="$kind" -v pace="$pace" -v topics="$topics" 'BEGIN {
  srand(7)
  split("1 2 3 4 5 2 6 7 8", opening, " ")
  split("3 4 5 3 6 7 6 2 4 5 7", near, " ")
  t = 0; i = 1; cur = 1
  while (t < total - 2) {
    if (topics == "yes") cur = i == 1 ? 1 : 9 + (i - 2) % (slides - 8)
    else if (i <= 9) cur = opening[i]
    else if (kind == "deck") cur = near[(i - 10) % 11 + 1]
    else {
      r = rand()
      if (r < 0.15 && cur > 2) cur = 1 + int(rand() * (cur - 1))
      else if (r < 0.25) cur += 2
      else cur += 1
      if (cur > slides) cur = 2 + int(rand() * (slides - 1))
      if (cur == last) cur = cur % slides + 1
    }
    last = cur
    printf "%.2f %d\n", t, cur
    t += pace == "quick" ? 3 + rand() * 2.5 : 12 + rand() * 50
    i++
  }
}' > "$dest/.schedule"
cat "$dest/.schedule"

# The slide show as the concat demuxer reads it.
awk -v total="$seconds" -v dir="$dest" '
  { start[NR] = $1; slide[NR] = $2 }
  END {
    for (i = 1; i <= NR; i++) {
      end = i < NR ? start[i + 1] : total
      printf "file %s/img%03d.gif\nduration %.3f\n", dir, slide[i], end - start[i]
    }
    printf "file %s/img%03d.gif\n", dir, slide[NR]
  }' "$dest/.schedule" > "$dest/.show"
# The camera turns to the lecturer now and then, in the middle of a
# slide's time (between(t,A,B) terms for the overlay that shows it).
cuts=$(awk -v total="$seconds" '
  { start[NR] = $1 }
  END {
    expr = "0"
    for (i = 3; i <= NR; i += 3) {
      end = i < NR ? start[i + 1] : total
      if (end - start[i] >= 3.5)
        expr = expr sprintf("+between(t,%.2f,%.2f)", start[i] + (end - start[i]) / 4, end - (end - start[i]) / 4)
    }
    print expr
  }' "$dest/.schedule")
# A notification over the slide for two seconds, from a second into
# some of the slides that last long enough.
notes=$(awk -v total="$seconds" '
  { start[NR] = $1 }
  END {
    expr = "0"
    for (i = 2; i <= NR; i += 3) {
      end = i < NR ? start[i + 1] : total
      if (end - start[i] >= 4.5)
        expr = expr sprintf("+between(t,%.2f,%.2f)", start[i] + 1, start[i] + 3)
    }
    print expr
  }' "$dest/.schedule")
# The meeting tool lays the picture out anew in the middle of the slide
# shown halfway through.
switch=$(awk -v total="$seconds" '
  { start[NR] = $1 }
  END {
    for (i = 1; i <= NR; i++) {
      end = i < NR ? start[i + 1] : total
      if (end > total / 2) { printf "%.2f", (start[i] + end) / 2; exit }
    }
  }' "$dest/.schedule")
rm -f "$dest/.schedule"
[ "$kind" = moving ] && echo "layout moved $switch"
[ "$kind" = clip ] && printf '%s\n' "$cuts" | tr '+' '\n' | sed -n 's/^between(t,\(.*\),\(.*\))$/clip \1 \2/p'

# A mouse pointer (to be moved over the slide), and a notification over
# the top right of a slide W pixels wide for two seconds now and then.
pointer="color=c=white:s=$((w / 60 + 4))x$((w / 40 + 6)),drawbox=t=2:color=black"
notification() {
  printf '%s' "drawbox=x=$(($1 * 62 / 100)):y=$((h / 20)):w=$(($1 * 28 / 100)):h=$((h * 12 / 100)):color=0xfcfcf0:t=fill:enable='$notes',drawtext=fontfile=$font:text='New message':fontsize=$((h / 24)):fontcolor=0x202020:x=$(($1 * 64 / 100)):y=$((h / 20 + h / 30)):enable='$notes'"
}
# A meeting layout of slide stream IN as stream OUT: the slide SW pixels
# wide, a pointer moving over it and now and then a notification, beside
# a camera strip on the right, or on the left when LEFT is given.
meeting_layout() {  # IN OUT SW [LEFT]
  lsw=$3; lsh=$((lsw * 3 / 4 / 2 * 2)); lcw=$((w - lsw))
  printf '%s' "[$1]scale=$lsw:$lsh,pad=$lsw:$h:0:($h-$lsh)/2:0x303030[$2s];
      $pointer[$2p];
      [$2s][$2p]overlay=x='$lsw/2+$lsw*0.35*sin(t*0.8)':y='$h/2+$h*0.35*cos(t*0.5)':shortest=1,
      $(notification "$lsw")[$2n];
      testsrc2=s=${lcw}x$h:r=$fps,noise=alls=20:allf=t[$2c];
      $([ -n "${4:-}" ] && echo "[$2c][$2n]" || echo "[$2n][$2c]")hstack=shortest=1[$2]"
}
# A camera tile NAME W H [SPEED] as stream NAME: a person (a head and
# shoulders) moving before a still room, with little sensor noise.
person_tile() {
  pw=$(($2 / 3)); ph=$(($3 * 2 / 3))
  printf '%s' "color=c=0x6a6458:s=$2x$3:r=$fps,drawbox=x=$(($2 / 10)):y=$(($3 / 8)):w=$(($2 / 4)):h=$(($3 / 3)):color=0x9a9a90:t=fill[$1r];
      color=c=0x283848:s=${pw}x${ph}:r=$fps,drawbox=x=$((pw / 4)):y=0:w=$((pw / 2)):h=$((ph / 3)):color=0xc09878:t=fill[$1p];
      [$1r][$1p]overlay=x='$(($2 / 3))+$(($2 / 5))*sin(t*${4:-0.6})':y='$(($3 / 3))+$(($3 / 20))*sin(t*1.3)',noise=alls=4:allf=t"
}
# A video clip: a test pattern scrolling and changing colour all over.
moving="testsrc2=s=${w}x$h:r=$fps,scroll=horizontal=0.011:vertical=0.007,hue=H=2*PI*t*0.3"
case $kind in
  clip)
    sh=$h; sw=$((h * 4 / 3 / 2 * 2))
    graph="[0:v]fps=$fps,scale=$sw:$sh,pad=$w:$h:($w-$sw)/2:0:black[s];
      $pointer[p];
      [s][p]overlay=x='$w/2+$w*0.35*sin(t*0.9)':y='$h/2+$h*0.35*cos(t*0.6)':shortest=1,
      $(notification "$w")[n];
      $moving[clip];
      [n][clip]overlay=enable='$cuts':shortest=1,format=yuv420p[v]" ;;
  video)
    graph="[0:v]fps=$fps,scale=$w:$h,setsar=1[s];
      $moving[clip];
      [s][clip]overlay=shortest=1,format=yuv420p[v]" ;;
  screen|deck)
    sh=$h; sw=$((h * 4 / 3 / 2 * 2))
    graph="[0:v]fps=$fps,scale=$sw:$sh,pad=$w:$h:($w-$sw)/2:0:black[s];
      $pointer[p];
      [s][p]overlay=x='$w/2+$w*0.35*sin(t*0.9)':y='$h/2+$h*0.35*cos(t*0.6)':shortest=1,format=yuv420p[v]" ;;
  meeting)
    graph="[0:v]fps=$fps[in];
      $(meeting_layout in one $((w * 3 / 4 / 4 * 4)));
      [one]format=yuv420p[v]" ;;
  moving)
    graph="[0:v]fps=$fps,split[in][in2];
      $(meeting_layout in one $((w * 3 / 4 / 4 * 4)));
      $(meeting_layout in2 two $((w - w / 3 / 4 * 4)) left);
      [one][two]overlay=enable='gte(t,$switch)':shortest=1,format=yuv420p[v]" ;;
  camera)
    sw=$((w * 6 / 10 / 2 * 2)); sh=$((sw * 3 / 4 / 2 * 2)); x0=$((w / 5)); y0=$((h / 8))
    graph="[0:v]fps=$fps,scale=$sw:$sh[s];
      color=c=0x40403a:s=${w}x$h:r=$fps[room];
      [room][s]overlay=x=$x0:y=$y0:shortest=1,
      perspective=sense=destination:x0=$((w / 12)):y0=$((h / 14)):x1=$((w - w / 30)):y1=0:x2=0:y2=$((h - h / 20)):x3=$w:y3=$h,
      eq=brightness='0.06*sin(2*PI*t*0.7)':contrast='0.85+0.1*sin(2*PI*t*0.23)':eval=frame[lit];
      color=c=0x201810:s=$((w / 5))x$((h * 8 / 10)):r=$fps[person];
      [lit][person]overlay=x='mod(t*$((w / 9)),$((w * 3)))-$((w / 5))':y=$((h / 4)):shortest=1[seen];
      testsrc2=s=${w}x$h:r=$fps[lecturer];
      [seen][lecturer]overlay=enable='$cuts':shortest=1,
      boxblur=2:1,noise=alls=14:allf=t,format=yuv420p[v]" ;;
  hall)
    sw=$((w * 68 / 100 / 2 * 2)); sh=$((sw * 3 / 4 / 2 * 2))
    graph="[0:v]fps=$fps,scale=$sw:$sh[s];
      color=c=0x303030:s=${w}x$h:r=$fps[room];
      [room][s]overlay=x=$((w * 16 / 100)):y=$((h / 12)):shortest=1,
      perspective=sense=destination:x0=$((w / 6)):y0=$((h / 9)):x1=$((w - w / 8)):y1=$((h / 14)):x2=$((w / 20)):y2=$((h - h / 12)):x3=$((w - w / 40)):y3=$((h - h / 30))[proj];
      color=c=red:s=$((w / 120 + 2))x$((w / 120 + 2)):r=$fps[dot];
      [proj][dot]overlay=x='$w/2+$w/5*sin(t*1.7)':y='$h/2+$h/6*cos(t*1.1)':shortest=1[lit];
      color=c=0x30363c:s=$((w / 7))x$((h * 7 / 10)):r=$fps,drawbox=x=$((w / 28)):y=0:w=$((w / 14)):h=$((h / 9)):color=0xb09070:t=fill[person];
      [lit][person]overlay=x='$w*0.3+$w*0.4*sin(t*0.3)':y=$((h * 3 / 10)):shortest=1,
      eq=brightness='0.07*sin(2*PI*t*0.05)':contrast='0.9+0.08*sin(2*PI*t*0.11)':eval=frame,
      pad=$((w + 16)):$((h + 16)):8:8:0x303030,crop=$w:$h:x='8+4*sin(t*5.3)':y='8+3*cos(t*4.1)',
      boxblur=1:1,noise=alls=8:allf=t,format=yuv420p[v]" ;;
  strip)
    lsw=$((w * 3 / 4 / 4 * 4)); lsh=$((lsw * 3 / 4 / 2 * 2)); lcw=$((w - lsw))
    graph="[0:v]fps=$fps,scale=$lsw:$lsh,pad=$lsw:$h:0:($h-$lsh)/2:0x1e1e1e[s];
      $pointer[p];
      [s][p]overlay=x='$lsw/2+$lsw*0.3*sin(t*0.7)':y='$h/2+$h*0.3*cos(t*0.4)':shortest=1[n];
      $(person_tile c "$lcw" "$h")[c];
      [c][n]hstack=shortest=1,format=yuv420p[v]" ;;
  gallery)
    gsh=$((h * 3 / 4 / 2 * 2)); gsw=$((gsh * 4 / 3 / 2 * 2)); th=$((h - gsh)); tw=$((w / 4))
    graph="[0:v]fps=$fps,scale=$gsw:$gsh,pad=$w:$gsh:($w-$gsw)/2:0:0x202124[s];
      $pointer[p];
      [s][p]overlay=x='$w/2+$gsw*0.3*sin(t*0.9)':y='$gsh/2+$gsh*0.3*cos(t*0.5)':shortest=1[n];
      $(person_tile a "$tw" "$th" 0.5)[a]; $(person_tile b "$tw" "$th" 0.8)[b];
      $(person_tile c "$tw" "$th" 1.1)[c]; $(person_tile d "$((w - 3 * tw))" "$th" 0.3)[d];
      [a][b][c][d]hstack=inputs=4[row];
      [n][row]vstack=shortest=1,format=yuv420p[v]" ;;
  *) echo "make-sync-lecture.sh: unknown kind $kind (screen, meeting, moving, camera, hall, strip, gallery, deck, clip or video)" >&2; exit 2 ;;
esac

out="$dest/$rec"
case $rec in
  *.mp4|*.mov|*.mkv) codec="-c:v libx264 -preset veryfast -crf 24 -c:a aac -b:a 64k" ;;
  *.webm) codec="-c:v libvpx -deadline realtime -cpu-used 8 -b:v 1500k -c:a libopus -b:a 48k" ;;
  *.rm) codec="-c:v rv20 -b:v 1200k -c:a ac3 -b:a 64k -ar 44100 -f rm" ;;
  *.m4a) codec="" ;;
  *) echo "make-sync-lecture.sh: no format for $rec" >&2; exit 2 ;;
esac
if [ -z "$codec" ]; then
  ff -f lavfi -i "sine=frequency=330:duration=$seconds" -c:a aac -b:a 64k "$out"
else
  # shellcheck disable=SC2086
  ff -f concat -safe 0 -i "$dest/.show" -f lavfi -i "sine=frequency=330:duration=$seconds" \
    -filter_complex "$graph" -map "[v]" -map 1:a -t "$seconds" $codec "$out"
fi
rm -f "$dest/.show"
