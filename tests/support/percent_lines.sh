# Sourced by tests that read a publish's progress written to a pipe.
# check_percent_lines FILE SECONDS: the "Publishing: N%" lines in FILE, of a
# publish that took SECONDS, hold several distinct figures, none twice, a few
# a second at most, ending at 100% (once). The time left that may follow a
# figure is left out. The caller defines fail.
check_percent_lines() {
  grep -E '^Publishing: [0-9]+%(, .* left)?$' "$1" | sed 's/,.*//' > "$1.percents" || true
  distinct=$(sort -u "$1.percents" | wc -l)
  lines=$(wc -l < "$1.percents")
  [ "$distinct" -ge 5 ] || fail "only $distinct distinct percent figures"
  [ "$lines" -eq "$distinct" ] || fail "a percent figure was printed twice"
  [ "$lines" -le $(($2 * 4 + 2)) ] || fail "$lines percent lines in $2 s: more than a few per second"
  [ "$(tail -n 1 "$1.percents")" = "Publishing: 100%" ] || fail "did not end at 100%"
}
