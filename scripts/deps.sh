#!/bin/sh
# Installs the Debian packages the build, the data tools and the tests need.
# Idempotent and silent when everything is already there.
set -e
PACKAGES="build-essential cmake pkg-config clang-format
 libgtest-dev libgmock-dev libbenchmark-dev libbox2d-dev
 xvfb xdotool x11-utils libx11-dev libxext-dev
 libegl1-mesa-dev libgles2-mesa-dev libgl1-mesa-dri
 libgtk2.0-dev libpango1.0-dev libdbus-glib-1-dev dbus python3-dbus
 libasound2-dev alsa-utils libvorbis-dev libogg-dev
 libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
 gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools
 lame sox vorbis-tools imagemagick libexpat1-dev libpugixml-dev libtasn1-6-dev fonts-dejavu-core
 python3 python3-pyasn1 python3-gi xauth
 clang libclang-rt-14-dev llvm gdb stress-ng gcovr python3-coverage"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
if [ "$(id -u)" != 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q >/dev/null || true
$SUDO apt-get install -y -q $missing >/dev/null
