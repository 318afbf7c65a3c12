#!/bin/bash
# The Guide button of the installed desktop program opens the guide in the
# folder that the installed configuration names (InstallPath). A stand-in
# xdg-open, first on the PATH, records what the program asks it to open.
# Runs on the X display it is given, after install_checks.sh layout.
# Usage: guide_button.sh STAGE
set -u
stage=$1
guide="Sonnelith - User's Guide.pdf"
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A copy of the tree that `cmake --install --prefix` made, so its
# configuration can be changed here without disturbing other checks.
tree="$work/tree"
cp -a "$stage/prefix" "$tree"
config="$tree/share/sonnelith/sonnelith.conf"
sed -i "s|^InstallPath=.*|InstallPath=$tree/share/sonnelith|" "$config"

mkdir "$work/bin"
cat >"$work/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$1" >"$work/opened"
exit \$(cat "$work/open-status")
EOF
chmod +x "$work/bin/xdg-open"

find_window() {
    timeout "${2:-20}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# Starts the installed program, presses its Guide button and waits for the
# stand-in opener; prints what it was asked to open. $1 is the opener's exit status.
press_guide() {
    echo "$1" >"$work/open-status"
    rm -f "$work/opened"
    PATH="$work/bin:$PATH" "$tree/bin/sonnelith" 2>/dev/null &
    pid=$!
    main=$(find_window "   Sonnelith")
    if [ -z "$main" ]; then
        fail "the installed program showed no main window"
        kill "$pid" 2>/dev/null
        return
    fi
    eval "$(xdotool getwindowgeometry --shell "$main")"
    # The Guide button: 429, 352, 72 x 32 pixels of the client area.
    xdotool mousemove $((X + 465)) $((Y + 368))
    sleep 0.4
    xdotool click 1
    for _ in $(seq 100); do
        [ -s "$work/opened" ] && break
        sleep 0.1
    done
}

# Ends the program started by press_guide.
close_program() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

# 1. The installed configuration names the installation's own data folder.
press_guide 0
opened=$(cat "$work/opened" 2>/dev/null)
[ "$opened" = "$tree/share/sonnelith/$guide" ] || fail "the Guide button opened '$opened'"
[ -f "$opened" ] || fail "the guide it opened does not exist"
# No failure message: the opener succeeded.
box=$(find_window sonnelith 2)
if [ -n "$box" ]; then
    import -window root "$stage/guide-unexpected-message.png" 2>/dev/null || true
    fail "a message box appeared although the guide opened"
fi
close_program

# 2. The folder comes from the configuration, not from where the program lies.
mkdir "$work/elsewhere"
cp "$tree/share/sonnelith/$guide" "$work/elsewhere/"
sed -i "s|^InstallPath=.*|InstallPath=$work/elsewhere|" "$config"
press_guide 0
opened=$(cat "$work/opened" 2>/dev/null)
[ "$opened" = "$work/elsewhere/$guide" ] || fail "with InstallPath=$work/elsewhere the Guide button opened '$opened'"
close_program

# 3. An opener that fails: the program says so in a message box and goes on.
press_guide 1
box=$(find_window sonnelith 10)
if [ -n "$box" ]; then
    import -window "$box" "$stage/guide-failure-message.png" 2>/dev/null || true
    eval "$(xdotool getwindowgeometry --shell "$box" | sed 's/^/B/')"
    xdotool mousemove $((BX + BWIDTH / 2)) $((BY + BHEIGHT / 2))
    sleep 0.3
    xdotool key Return
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || fail "the program ended after the failure message"
else
    fail "no message box when the guide could not be opened"
fi
close_program

[ "$failures" -eq 0 ] && echo "guide button check passed"
exit $((failures > 0))
