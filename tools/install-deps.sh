#!/bin/sh
# Installs, through apt, every Debian package that building, running and testing
# Sonnelith needs and that this machine does not have yet. Safe to run again:
# when nothing is missing it does nothing but check.
set -eu

PACKAGES="
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  libwxgtk3.2-dev
  libgtk-3-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils imagemagick openbox
  sox sndfile-programs
  dpkg-dev desktop-file-utils appstream poppler-utils man-db
"

missing=""
for package in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $package"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "Installing missing packages:$missing"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086  # the list is meant to split into words
$SUDO apt-get install -y -q --no-install-recommends $missing
