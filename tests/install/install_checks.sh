#!/bin/bash
# Checks what `cmake --install` and the Debian package put on a machine.
# Usage: install_checks.sh CHECK BUILD STAGE PREFIX GUI SOURCE
#   CHECK   layout | metadata | cli | package
#   BUILD   the build folder; STAGE a scratch folder of this test suite;
#   PREFIX  the configured install prefix; GUI 1 when the desktop program is
#   built; SOURCE the source folder.
# "layout" installs into STAGE (with DESTDIR, and with --prefix) and must run
# first; the other checks use what it installed.
set -u
check=$1
build=$2
stage=$3
prefix=$4
gui=$5
source=$6

destdir="$stage/destdir"
installed="$destdir$prefix"
app_id="com.korvatek.Sonnelith"
guide="Sonnelith - User's Guide.pdf"
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

finish() {
    [ "$failures" -eq 0 ] && echo "install check '$check' passed"
    exit $((failures > 0))
}

# Every file an installation holds, relative to its prefix, one a line, sorted.
expected_files() {
    {
        echo "bin/sonnelith-cli"
        echo "share/man/man1/sonnelith-cli.1.gz"
        echo "share/sonnelith/$guide"
        echo "share/sonnelith/sonnelith-sample.wav"
        echo "share/sonnelith/sonnelith.conf"
        if [ "$gui" = 1 ]; then
            echo "bin/sonnelith"
            echo "share/applications/$app_id.desktop"
            echo "share/metainfo/$app_id.metainfo.xml"
            for size in 16 32 48 64 128 256; do
                echo "share/icons/hicolor/${size}x${size}/apps/sonnelith.png"
            done
            echo "share/icons/hicolor/scalable/apps/sonnelith.svg"
        fi
    } | LC_ALL=C sort
}

files_under() {
    (cd "$1" && find . -type f -printf '%P\n' | LC_ALL=C sort)
}

# Fails with the differences when the file lists $1 and $2 are not the same.
same_list() {
    if ! diff -u "$1" "$2" >"$stage/list.diff"; then
        fail "$3"
        cat "$stage/list.diff"
    fi
}

# The width and height of a PNG file, from its IHDR chunk.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}

check_layout() {
    rm -rf "$stage"
    mkdir -p "$stage"
    DESTDIR="$destdir" cmake --install "$build" >"$stage/install.log" 2>&1 ||
        { cat "$stage/install.log"; fail "cmake --install with DESTDIR failed"; finish; }

    expected_files >"$stage/expected.txt"
    files_under "$installed" >"$stage/installed.txt"
    same_list "$stage/expected.txt" "$stage/installed.txt" "the installed files are not the expected ones"
    # Nothing may land outside the prefix.
    outside=$(cd "$destdir" && find . -type f ! -path ".$prefix/*")
    [ -z "$outside" ] || fail "files outside the prefix: $outside"

    for program in sonnelith-cli $([ "$gui" = 1 ] && echo sonnelith); do
        [ -x "$installed/bin/$program" ] || fail "bin/$program is not executable"
    done
    cmp -s "$installed/share/sonnelith/$guide" "$source/docs/guide/$guide" || fail "the installed guide differs"
    cmp -s "$installed/share/sonnelith/sonnelith-sample.wav" "$source/resources/sample/sonnelith-sample.wav" ||
        fail "the installed sample differs"
    gunzip -c "$installed/share/man/man1/sonnelith-cli.1.gz" | cmp -s - "$source/packaging/sonnelith-cli.1" ||
        fail "the installed manual page is not the packaging/sonnelith-cli.1 source"
    if [ "$gui" = 1 ]; then
        for size in 16 32 48 64 128 256; do
            icon="$installed/share/icons/hicolor/${size}x${size}/apps/sonnelith.png"
            [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $(png_size "$icon")"
        done
    fi

    # The configuration names the data folder under the prefix, without DESTDIR ...
    config=$(grep -v '^#' "$installed/share/sonnelith/sonnelith.conf")
    [ "$config" = "InstallPath=$prefix/share/sonnelith" ] ||
        fail "with DESTDIR the configuration holds '$config', not InstallPath=$prefix/share/sonnelith"
    # ... and follows a prefix given at install time; the guide is found there.
    cmake --install "$build" --prefix "$stage/prefix" >"$stage/install-prefix.log" 2>&1 ||
        { cat "$stage/install-prefix.log"; fail "cmake --install --prefix failed"; }
    config=$(grep -v '^#' "$stage/prefix/share/sonnelith/sonnelith.conf")
    [ "$config" = "InstallPath=$stage/prefix/share/sonnelith" ] ||
        fail "with --prefix the configuration holds '$config'"
    [ -f "${config#InstallPath=}/$guide" ] || fail "no guide in the folder that InstallPath names"
}

check_metadata() {
    local desktop="$installed/share/applications/$app_id.desktop"
    local metainfo="$installed/share/metainfo/$app_id.metainfo.xml"
    if [ "$gui" != 1 ]; then
        # Without the desktop program nothing is installed for the desktop;
        # its metadata is still checked where it is kept.
        desktop="$source/packaging/$app_id.desktop"
        metainfo="$source/packaging/$app_id.metainfo.xml"
    fi
    output=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate refuses the entry: $output"
    [ -z "$output" ] || fail "desktop-file-validate complains: $output"
    grep -qx 'Categories=AudioVideo;Audio;' "$desktop" || fail "the desktop entry's categories are not AudioVideo;Audio;"
    grep -qx 'Exec=sonnelith' "$desktop" || fail "the desktop entry does not start sonnelith"
    output=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli refuses the metainfo: $output"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
        fail "the metainfo does not launch $app_id.desktop"

    # The manual page formats without a single warning from groff or man.
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$installed/share/man/man1/sonnelith-cli.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "the manual page has warnings: $warnings"
    MANWIDTH=80 man -l "$installed/share/man/man1/sonnelith-cli.1.gz" 2>/dev/null | grep -q -- '--grain-length' ||
        fail "the manual page does not describe --grain-length"

    # The guide is a PDF of some substance, titled as the Guide button expects.
    info=$(pdfinfo "$installed/share/sonnelith/$guide" 2>&1) || fail "pdfinfo cannot read the guide: $info"
    echo "$info" | grep -q "^Title: *Sonnelith - User's Guide$" || fail "the guide's title is wrong"
    pages=$(echo "$info" | sed -n 's/^Pages: *//p')
    [ "${pages:-0}" -ge 10 ] || fail "the guide has ${pages:-no} pages"
}

# The installed command-line generator, in a copy of the installed tree moved
# elsewhere, generates from the installed sample and from nothing else.
check_cli() {
    local moved="$stage/moved"
    rm -rf "$moved"
    mkdir -p "$moved"
    cp -a "$installed/." "$moved/"
    local cli="$moved/bin/sonnelith-cli"
    local out="$stage/from-sample.wav"
    rm -f "$out"
    "$cli" -o "$out" --length 4 --density 1000 --grain-length 200 --fade 0 --seed 7 -q ||
        fail "the installed sonnelith-cli failed without an input (exit $?)"
    if [ -f "$out" ]; then
        [ "$(soxi -r "$out")" = 44100 ] || fail "output rate $(soxi -r "$out")"
        [ "$(soxi -c "$out")" = 2 ] || fail "output channels $(soxi -c "$out")"
        [ "$(soxi -b "$out")" = 16 ] || fail "output bits $(soxi -b "$out")"
        [ "$(soxi -s "$out")" = 176400 ] || fail "output has $(soxi -s "$out") frames, not 4 seconds"
        # The start volume, 50 %, puts the peak (of either sign; no fade) at half
        # of full scale; a silent result would mean the sample was not read.
        peak=$(sox "$out" -n stat 2>&1 | awk '/^(Maximum|Minimum) amplitude:/ {
            v = $3 < 0 ? -$3 : $3; if (v > p) p = v } END { print p + 0 }')
        awk -v p="$peak" 'BEGIN { exit !(p > 0.49 && p <= 0.5001) }' || fail "output peak is $peak"
        sndfile-info "$out" | grep -q 'Sample Rate : 44100' || fail "sndfile-info does not accept the output"
    else
        fail "no output file"
    fi

    # Spoil the moved tree's sample: the program must now fail on it, which
    # shows that it read that file rather than the source tree's copy.
    echo "not a sound" >"$moved/share/sonnelith/sonnelith-sample.wav"
    errors=$("$cli" -o "$stage/from-spoiled.wav" --length 2 -q 2>&1)
    status=$?
    [ "$status" = 1 ] || fail "with a spoiled sample the exit status is $status, not 1"
    echo "$errors" | grep -q "Cannot open the input (original) sound file" ||
        fail "with a spoiled sample the message is: $errors"
}

check_package() {
    local packages="$stage/package"
    rm -rf "$packages"
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$packages" >"$stage/cpack.log" 2>&1 ||
        { cat "$stage/cpack.log"; fail "cpack failed"; finish; }
    deb=$(ls "$packages"/sonnelith_*.deb 2>/dev/null | head -n 1)
    [ -n "$deb" ] || { fail "cpack made no sonnelith_*.deb"; finish; }

    # The package holds exactly what the installation holds, under /usr.
    files_under "$installed" >"$stage/installed.txt"
    dpkg-deb --contents "$deb" | awk '$1 !~ /^d/' | sed 's/^.* \.\/usr\///' | LC_ALL=C sort >"$stage/packaged.txt"
    same_list "$stage/installed.txt" "$stage/packaged.txt" "the package's files are not the installed ones"

    [ "$(dpkg-deb -f "$deb" Package)" = sonnelith ] || fail "package name $(dpkg-deb -f "$deb" Package)"
    [ "$(dpkg-deb -f "$deb" Section)" = sound ] || fail "section $(dpkg-deb -f "$deb" Section)"
    [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
    depends=$(dpkg-deb -f "$deb" Depends)
    # dpkg-shlibdeps found the libraries the programs link.
    echo "$depends" | grep -q 'libc6' || fail "Depends lacks libc6: '$depends'"
    echo "$depends" | grep -q 'libstdc++6' || fail "Depends lacks libstdc++6: '$depends'"
    if [ "$gui" = 1 ]; then
        echo "$depends" | grep -q 'libwxgtk3.2' || fail "Depends lacks wxWidgets: '$depends'"
    fi
    config=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/sonnelith/sonnelith.conf | grep -v '^#')
    [ "$config" = "InstallPath=/usr/share/sonnelith" ] || fail "the package's configuration holds '$config'"
}

case "$check" in
layout) check_layout ;;
metadata) check_metadata ;;
cli) check_cli ;;
package) check_package ;;
*) echo "unknown check '$check'"; exit 2 ;;
esac
finish
