#!/bin/bash
# Checks what `cmake --install` and the Debian package put on a machine.
# Usage: install_checks.sh CHECK BUILD STAGE PREFIX GUI SOURCE HARDENED
#   CHECK    layout | metadata | cli | package | lintian
#   BUILD    the build folder; STAGE a scratch folder of this test suite;
#   PREFIX   the configured install prefix; GUI 1 when the desktop program is
#   built; SOURCE the source folder; HARDENED 1 when the build uses the
#   hardening flags of dpkg-buildflags (an optimised build).
# "layout" installs into STAGE (with DESTDIR, and with --prefix) and must run
# first; the other checks use what it installed; "lintian" judges the package
# that "package" made.
set -u
check=$1
build=$2
stage=$3
prefix=$4
gui=$5
source=$6
hardened=${7:-0}

destdir="$stage/destdir"
installed="$destdir$prefix"
app_id="com.korvatek.Sonnelith"
studio_id="com.korvatek.SonnelithStudio"
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
        echo "share/doc/sonnelith/copyright"
        echo "share/doc/sonnelith/changelog.gz"
        echo "share/sonnelith/$guide"
        echo "share/sonnelith/sonnelith-sample.wav"
        echo "share/sonnelith/sonnelith.conf"
        if [ "$gui" = 1 ]; then
            echo "bin/sonnelith"
            echo "share/man/man1/sonnelith.1.gz"
            echo "share/applications/$app_id.desktop"
            echo "share/metainfo/$app_id.metainfo.xml"
            echo "bin/sonnelith-studio"
            echo "share/man/man1/sonnelith-studio.1.gz"
            echo "share/applications/$studio_id.desktop"
            echo "share/metainfo/$studio_id.metainfo.xml"
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

    for program in sonnelith-cli $([ "$gui" = 1 ] && echo sonnelith sonnelith-studio); do
        [ -x "$installed/bin/$program" ] || fail "bin/$program is not executable"
    done
    cmp -s "$installed/share/sonnelith/$guide" "$source/docs/guide/$guide" || fail "the installed guide differs"
    cmp -s "$installed/share/sonnelith/sonnelith-sample.wav" "$source/resources/sample/sonnelith-sample.wav" ||
        fail "the installed sample differs"
    gunzip -c "$installed/share/man/man1/sonnelith-cli.1.gz" | cmp -s - "$source/packaging/sonnelith-cli.1" ||
        fail "the installed manual page is not the packaging/sonnelith-cli.1 source"
    gunzip -c "$installed/share/doc/sonnelith/changelog.gz" | cmp -s - "$source/packaging/changelog" ||
        fail "the installed changelog is not the packaging/changelog source"
    cmp -s "$installed/share/doc/sonnelith/copyright" "$source/packaging/copyright" ||
        fail "the installed copyright file is not the packaging/copyright source"
    if [ "$gui" = 1 ]; then
        gunzip -c "$installed/share/man/man1/sonnelith.1.gz" | cmp -s - "$source/packaging/sonnelith.1" ||
            fail "the installed manual page is not the packaging/sonnelith.1 source"
        gunzip -c "$installed/share/man/man1/sonnelith-studio.1.gz" | cmp -s - "$source/packaging/sonnelith-studio.1" ||
            fail "the installed manual page is not the packaging/sonnelith-studio.1 source"
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

# Fails unless the desktop entry ($desktop) has key $1 with exactly the value $2.
desktop_key() {
    local value
    value=$(sed -n "s/^$1=//p" "$desktop")
    [ "$value" = "$2" ] || fail "the desktop entry's $1 is '$value', not '$2'"
}

# Fails when the manual page $1 formats with warnings or lacks the text $2.
man_page_clean() {
    local warnings
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "the manual page $(basename "$1") has warnings: $warnings"
    MANWIDTH=80 man -l "$1" 2>/dev/null | grep -q -- "$2" ||
        fail "the manual page $(basename "$1") does not show '$2'"
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
    # One application ID everywhere: the entry's file name, the window class
    # the desktop matches running windows by, and the AppStream ID.
    desktop_key Categories "AudioVideo;Audio;"
    desktop_key Exec "sonnelith %f"
    desktop_key StartupWMClass "$app_id"
    desktop_key MimeType "audio/x-wav;audio/wav;"
    output=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli refuses the metainfo: $output"
    id=$(sed -n 's:^ *<id>\(.*\)</id> *$:\1:p' "$metainfo")
    [ "$id" = "$app_id" ] || fail "the metainfo's ID is '$id', not $app_id"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
        fail "the metainfo does not launch $app_id.desktop"

    # The manual pages format without a single warning from groff or man.
    man_page_clean "$installed/share/man/man1/sonnelith-cli.1.gz" '--grain-length'
    if [ "$gui" = 1 ]; then
        man_page_clean "$installed/share/man/man1/sonnelith.1.gz" 'sonnelith \[FILE\]'
        man_page_clean "$installed/share/man/man1/sonnelith-studio.1.gz" 'Ctrl+Shift+S'
    else
        man_page_clean "$source/packaging/sonnelith.1" 'sonnelith \[FILE\]'
        man_page_clean "$source/packaging/sonnelith-studio.1" 'Ctrl+Shift+S'
    fi

    # The studio's own entry and description, under its own ID.
    desktop="${desktop%/*}/$studio_id.desktop"
    metainfo="${metainfo%/*}/$studio_id.metainfo.xml"
    output=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate refuses the studio's entry: $output"
    [ -z "$output" ] || fail "desktop-file-validate complains about the studio's entry: $output"
    desktop_key Name "Sonnelith Studio"
    desktop_key Exec "sonnelith-studio %f"
    desktop_key StartupWMClass "$studio_id"
    output=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli refuses the studio's metainfo: $output"
    grep -q "<launchable type=\"desktop-id\">$studio_id.desktop</launchable>" "$metainfo" ||
        fail "the studio's metainfo does not launch $studio_id.desktop"

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

    # Spoil the moved tree's sample: the program must now fail on it, naming
    # that file, which shows that it read it rather than the source tree's copy.
    echo "not a sound" >"$moved/share/sonnelith/sonnelith-sample.wav"
    errors=$("$cli" -o "$stage/from-spoiled.wav" --length 2 -q 2>&1)
    status=$?
    [ "$status" = 1 ] || fail "with a spoiled sample the exit status is $status, not 1"
    echo "$errors" | grep -qF "Cannot read $moved/share/sonnelith/sonnelith-sample.wav: not a sound file" ||
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

# Debian's own package checker finds no error and no warning in the package
# that "package" made. In an optimised build the programs also carry every
# hardening feature: lintian reports a missing one as a hardening-* tag (some
# only as information, hence -I), and the stack protector, which lintian no
# longer checks, shows as the programs' use of __stack_chk_fail.
check_lintian() {
    deb=$(ls "$stage/package"/sonnelith_*.deb 2>/dev/null | head -n 1)
    [ -n "$deb" ] || { fail "no package to check (the package check makes it)"; finish; }
    report=$(lintian --display-info --fail-on none "$deb" 2>&1)
    status=$?
    [ "$status" = 0 ] || { echo "$report"; fail "lintian did not run (exit $status)"; finish; }
    echo "$report"
    problems=$(echo "$report" | grep -E '^[EW]: ')
    [ -z "$problems" ] || fail "lintian reports errors or warnings"
    if [ "$hardened" = 1 ]; then
        missing=$(echo "$report" | grep -E '^[A-Z]: [^ ]+ hardening-')
        [ -z "$missing" ] || fail "hardening is missing: $missing"
        rm -rf "$stage/unpacked"
        dpkg-deb -x "$deb" "$stage/unpacked"
        for program in "$stage"/unpacked/usr/bin/*; do
            nm -D "$program" | grep -q ' U __stack_chk_fail' ||
                fail "$(basename "$program") is built without the stack protector"
        done
    fi
    # The changelog's newest entry is this very version.
    logged=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/sonnelith/changelog.gz | gunzip -c |
        dpkg-parsechangelog -l - -S Version 2>&1)
    [ "$logged" = "$(dpkg-deb -f "$deb" Version)" ] ||
        fail "the changelog's newest version is '$logged', the package's $(dpkg-deb -f "$deb" Version)"
}

case "$check" in
layout) check_layout ;;
metadata) check_metadata ;;
cli) check_cli ;;
package) check_package ;;
lintian) check_lintian ;;
*) echo "unknown check '$check'"; exit 2 ;;
esac
finish
