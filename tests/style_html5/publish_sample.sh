#!/bin/sh
# Publishes the sample lecture (or another lecture directory) for disk with
# the pellucor command into OUT, for the browser tests of the html5 style.
#   publish_sample.sh PELLUCOR SAMPLE_DIR OUT [PUBLISH OPTION...]
set -eu
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
rm -rf "$3"
pellucor=$1 lecture=$2 out=$3
shift 3
XDG_CONFIG_HOME="$config" "$pellucor" publish "$lecture" --disk "$out" --quiet "$@"
