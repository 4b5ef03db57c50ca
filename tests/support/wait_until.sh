# Sourced by test scripts. wait_until SECONDS WHAT COMMAND...: runs COMMAND
# (a shell function too) every 0.1 s until it succeeds; after SECONDS it
# fails, saying WHAT, through the caller's fail.
wait_until() {
  tries=$(($1 * 10)) what=$2
  shift 2
  until "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "$what"
    sleep 0.1
  done
}
