#!/bin/sh
# In a private mount namespace with copy-on-write /usr and /var/lib/dpkg: the
# installed package holds a valid desktop entry, D-Bus service and systemd
# units, publishes by D-Bus activation (publish_by_activation.sh) and leaves
# nothing behind when removed.
#   usage: private_install.sh DEB SAMPLE_DIR WORK_DIR SOURCE_DIR
set -eu
deb=$1
sample=$2
work=$3
source=$4
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; exit 1; }

layers="$work/layers"
mkdir -p "$layers"
mount -t tmpfs tmpfs "$layers"
for d in /usr /var/lib/dpkg; do
  mkdir -p "$layers/up$d" "$layers/work$d"
  mount -t overlay overlay -o "lowerdir=$d,upperdir=$layers/up$d,workdir=$layers/work$d" "$d"
done

dpkg --log=/dev/null -i "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "dpkg -i"; }
[ "$(dpkg-query -W -f='${db:Status-Status}' pellucor)" = installed ] || fail "the package is not installed"
[ -x /usr/bin/pellucor ] || fail "no /usr/bin/pellucor"
desktop-file-validate /usr/share/applications/pellucor.desktop || fail "the desktop entry is not valid"
service=/usr/share/dbus-1/services/org.pellucor.Pellucor.service
grep -qx 'Name=org.pellucor.Pellucor' "$service" || fail "the D-Bus service names no org.pellucor.Pellucor"
grep -qx 'Exec=/usr/bin/pellucor automation' "$service" || fail "the D-Bus service does not start /usr/bin/pellucor automation"
for unit in pellucor-server.service pellucor-server@.service; do
  grep -q '^ExecStart=/usr/bin/pellucor server' "/usr/lib/systemd/user/$unit" ||
    fail "the systemd unit $unit does not start /usr/bin/pellucor server"
done
echo "ok: installed with dpkg"

# The program was built here and would fall back on the source tree's
# styles: hidden, so that only the installed style can make the pages.
mount -t tmpfs tmpfs "$source/styles"

# A private session bus that starts the installed services only.
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
env -u PELLUCOR_STYLE_DIR HOME="$work/home" XDG_CONFIG_HOME="$work/config" PELLUCOR_STATE_DIR="$work/state" \
  dbus-run-session --config-file="$work/session.conf" -- sh "$here/publish_by_activation.sh" "$work/talk" ||
  fail "publishing through D-Bus activation"

dpkg --log=/dev/null --purge pellucor >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; fail "dpkg --purge"; }
for f in /usr/bin/pellucor "$service" /usr/share/applications/pellucor.desktop /usr/share/pellucor; do
  [ ! -e "$f" ] || fail "$f is left after removing the package"
done
echo "ok: removed with dpkg"
