#!/bin/sh
# The Debian package as a user gets it: made with CPack from this build,
# checked for its dependencies and files, installed with apt-get (dpkg),
# then on a private session bus a plain gdbus call of Publish starts
# "pellucor automation" by D-Bus activation and publishes the sample
# lecture (publish_by_activation.sh). The package is removed again however
# the test ends. Needs root (CI runs as root) or password-less sudo.
#   usage: package_install.sh BUILD_DIR SAMPLE_DIR
set -eu
build=$1
sample=$2
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; exit 1; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  sudo -n true 2>/dev/null || fail "installing the package needs root or password-less sudo"
  SUDO="sudo -n"
fi
apt() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }

# One run at a time on this machine (other trees run this test too). The
# marker says that an installed pellucor package is this test's own, left
# behind by a run that was killed.
exec 9>/tmp/pellucor-package-test.lock
flock -w 900 9 || fail "another package test holds /tmp/pellucor-package-test.lock"
marker=/var/tmp/pellucor-package-test.installed
# Any state but "not installed" counts (a failed install leaves "unpacked").
is_installed() {
  state=$(dpkg-query -W -f='${db:Status-Status}' pellucor 2>/dev/null || true)
  [ -n "$state" ] && [ "$state" != not-installed ]
}
if is_installed; then
  [ -e "$marker" ] || fail "a pellucor package that this test did not install is installed here; not replacing it"
  apt purge -y pellucor >/dev/null 2>&1 || fail "could not remove the pellucor package left by an earlier run"
fi

work=$(mktemp -d)
cleanup() {
  if is_installed; then
    apt purge -y pellucor >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; echo "FAIL: could not remove the package"; }
  fi
  is_installed || $SUDO rm -f "$marker"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# The package.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/pellucor_*.deb)
echo "ok: built $(basename "$deb") ($(du -k "$deb" | cut -f1) kB)"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6core6 libqt6widgets6 libqt6dbus6 libqt6multimedia6 libavformat libavcodec libcurl libpoppler-cpp \
         qt6-qpa-plugins xdg-utils dbus-daemon; do
  case "$depends" in *"$d"*) ;; *) fail "Depends names no $d: $depends" ;; esac
done
echo "ok: Depends: $depends"
dpkg-deb -c "$deb" >"$work/contents"
for f in usr/bin/pellucor usr/share/applications/pellucor.desktop usr/share/icons/hicolor/scalable/apps/pellucor.svg \
         usr/share/icons/hicolor/256x256/apps/pellucor.png usr/share/dbus-1/services/org.pellucor.Pellucor.service \
         usr/lib/systemd/user/pellucor-server.service usr/share/pellucor/styles/html5/index.htm; do
  grep -q " \./$f\$" "$work/contents" || { cat "$work/contents"; fail "the package holds no /$f"; }
done
echo "ok: the package holds the program, styles, desktop entry, icons, D-Bus service and systemd unit"

# Installed as a user would.
$SUDO touch "$marker"
apt install -y --no-install-recommends "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "apt-get install"; }
[ "$(dpkg-query -W -f='${db:Status-Status}' pellucor)" = installed ] || fail "the package is not installed after apt-get install"
[ -x /usr/bin/pellucor ] || fail "no /usr/bin/pellucor"
desktop-file-validate /usr/share/applications/pellucor.desktop || fail "the desktop entry is not valid"
grep -qx 'Exec=/usr/bin/pellucor automation' /usr/share/dbus-1/services/org.pellucor.Pellucor.service ||
  fail "the D-Bus service does not start /usr/bin/pellucor automation"
grep -qx 'Name=org.pellucor.Pellucor' /usr/share/dbus-1/services/org.pellucor.Pellucor.service || fail "D-Bus name"
grep -qx 'ExecStart=/usr/bin/pellucor server' /usr/lib/systemd/user/pellucor-server.service ||
  fail "the systemd unit does not start /usr/bin/pellucor server"
echo "ok: installed"

# A private session bus that activates the installed services only.
cat >"$work/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=$work</listen>
  <servicedir>/usr/share/dbus-1/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
mkdir -p "$work/home" "$work/config/Pellucor2.0" "$work/state" "$work/talk"
find "$sample" -maxdepth 1 -type f -exec cp {} "$work/talk/" \;
# The user's last lecture is the sample: Publish alone publishes it.
printf '[Pref]\nprfLectureDir=%s/talk/\n' "$work" >"$work/config/Pellucor2.0/Pellucor2.0.ini"
# The bus and the services it starts write to a file, not to the test's
# output, which must close when the test ends.
env -u PELLUCOR_STYLE_DIR HOME="$work/home" XDG_CONFIG_HOME="$work/config" PELLUCOR_STATE_DIR="$work/state" \
  dbus-run-session --config-file="$work/session.conf" -- sh "$here/publish_by_activation.sh" "$work/talk" \
  >"$work/bus.log" 2>&1 || { cat "$work/bus.log"; fail "publishing through D-Bus activation"; }
grep "^ok:" "$work/bus.log"
# The debug log names the style files read: the installed ones.
grep -rq "/usr/share/pellucor/styles/html5/index.htm" "$work/state" ||
  fail "the service did not publish with the installed style /usr/share/pellucor/styles/html5/"

# Removed again, nothing left behind.
apt purge -y pellucor >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; fail "apt-get purge"; }
$SUDO rm -f "$marker"
for f in /usr/bin/pellucor /usr/share/dbus-1/services/org.pellucor.Pellucor.service /usr/share/pellucor; do
  [ ! -e "$f" ] || fail "$f is left after removing the package"
done
echo "ok: removed"
