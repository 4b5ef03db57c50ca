#!/bin/sh
# Three servers on one tree, the repository on another file system: five
# lectures (one of 20,000 small files), dropped before and while the servers
# run, several rounds. Each lecture must be published exactly once and
# arrive whole.
set -eu
. "$(dirname "$0")/server_lib.sh"
rounds=${PELLUCOR_TEST_ROUNDS:-3}

make_lecture "$orig/big" 20000
for name in talka talkb talkc talkd; do make_lecture "$orig/$name"; done
drop_all() {
  drop big
  drop talka
  drop talkb course/
  drop talkc course/week1/
  drop talkd
}

round=1
while [ "$round" -le "$rounds" ]; do
  fresh_tree
  if [ $((round % 2)) -eq 1 ]; then
    drop_all
    for s in one two three; do start_server "$s" --settle 1; done
  else
    for s in one two three; do start_server "$s" --settle 1; done
    drop_all
  fi
  wait_completed 5 150
  sleep 1  # a second look: nothing is published twice
  stop_servers
  check_published big talka course/talkb course/week1/talkc talkd
  echo "round $round: five lectures published once each by $(grep -l 'Complete - ' "$work"/log-*.htm | wc -l) servers"
  round=$((round + 1))
done
echo "ok"
