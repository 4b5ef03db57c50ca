#!/bin/sh
# The Debian package as a user gets it: made with CPack from this build,
# checked for its dependencies and files, then installed, used and removed in
# a private mount namespace (private_install.sh; root or password-less sudo).
#   usage: package_install.sh BUILD_DIR SAMPLE_DIR SOURCE_DIR
set -eu
build=$1
sample=$2
source=$3
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; exit 1; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  sudo -n true 2>/dev/null || fail "installing the package in a private mount namespace needs root or password-less sudo"
  SUDO="sudo -n"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/pellucor_*.deb)
echo "ok: built $(basename "$deb") ($(du -k "$deb" | cut -f1) kB)"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6core6 libqt6widgets6 libqt6dbus6 libqt6multimedia6 libavformat libavcodec libcurl libpoppler-cpp \
         qt6-qpa-plugins xdg-utils dbus-daemon libsecret-1-0; do
  case "$depends" in *"$d"*) ;; *) fail "Depends names no $d: $depends" ;; esac
done
echo "ok: Depends: $depends"
dpkg-deb -c "$deb" >"$work/contents"
# The program, styles, desktop entry, D-Bus service and systemd units are
# checked where dpkg puts them (private_install.sh); the icons and the
# manual page here.
for f in usr/share/icons/hicolor/scalable/apps/pellucor.svg usr/share/icons/hicolor/256x256/apps/pellucor.png \
         usr/share/man/man1/pellucor.1; do
  grep -q " \./$f\$" "$work/contents" || { cat "$work/contents"; fail "the package holds no /$f"; }
done

# The output goes to a file: a process left behind must not hold the test's
# output open.
$SUDO unshare --mount --propagation private sh "$here/private_install.sh" "$deb" "$sample" "$work" "$source" \
  >"$work/private.log" 2>&1 || { cat "$work/private.log"; fail "the package in a private root"; }
grep '^ok:' "$work/private.log"
