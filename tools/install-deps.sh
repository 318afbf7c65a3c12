#!/bin/sh
# Installs, through apt, every Debian package that building, running and testing
# Sonnelith needs and that this machine does not have yet. Safe to run again:
# when nothing is missing it does nothing but check.
# Usage: tools/install-deps.sh [cli]
#   cli  only what building and running sonnelith-cli needs (tools/run-sample.sh)
set -eu

# The compiler, CMake, dpkg-buildflags (dpkg-dev, part of build-essential),
# CLI11, toml++ and utf8-cpp (score files), and the sound-file libraries with
# pkg-config to find them (libsndfile, libsoxr, libebur128, libFLAC for the
# score a FLAC output stores), lilv for effects from LV2 plugins: enough for
# sonnelith-cli.
CLI_PACKAGES="build-essential cmake libcli11-dev libtomlplusplus-dev libutfcpp-dev pkg-config libsndfile1-dev
  libsoxr-dev libebur128-dev libflac-dev liblilv-dev"

# Beyond the CLI: GoogleTest and Google Benchmark; wxWidgets for the desktop
# program; PortAudio for sound output and kissfft for spectra; a PulseAudio
# server, its tools (pactl, parecord, pacat) and ALSA's pulse plugin for the
# tests that play into a null sink and record what it received; Debian's
# mda-lv2 and swh-lv2, the LV2 plugins the effects tests run.
PACKAGES="
  $CLI_PACKAGES
  libgtest-dev libgmock-dev libbenchmark-dev
  portaudio19-dev libkissfft-dev
  pulseaudio pulseaudio-utils libasound2-plugins
  libwxgtk3.2-dev
  libgtk-3-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils imagemagick openbox
  sox sndfile-programs flac parallel
  mda-lv2 swh-lv2
  dpkg-dev desktop-file-utils appstream poppler-utils man-db lintian
  python3
"

case "${1:-all}" in
cli) PACKAGES=$CLI_PACKAGES ;;
all) ;;
*) echo "install-deps: unknown package set '$1' (cli, or none for everything)" >&2; exit 2 ;;
esac

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
