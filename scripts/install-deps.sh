#!/bin/sh
# Installs the Debian packages the build, the tests and the benchmarks need.
# Does nothing when they are all present already.
set -e
packages="cmake ninja-build g++ clang libclang-rt-14-dev lld pkg-config qt6-base-dev qt6-base-dev-tools libqt6svg6-dev libjpeg62-turbo-dev libspng-dev libwebp-dev libtiff-dev libassimp-dev libgtest-dev libgmock-dev libbenchmark-dev netpbm libfreetype-dev fonts-dejavu-core xvfb xauth python3 dpkg-dev desktop-file-utils appstream man-db groff-base libavcodec-dev libavformat-dev libswscale-dev libavutil-dev ffmpeg python3-pil"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
