#!/bin/sh
# Runs a command under a private virtual X server and returns its status.
# Xvfb picks a free display number itself (-displayfd) and takes it with its
# lock file, so test runs started at the same moment from different build
# trees never race for one display (xvfb-run -a can: both see :99 free and
# the second server fails to start).
#   usage: run_with_x_server.sh COMMAND [ARGUMENTS...]
#   SONNELITH_X_SCREEN overrides the screen (default 1280x1024x24),
#   SONNELITH_XVFB the server program (default Xvfb on the PATH),
#   SONNELITH_X_WINDOW_MANAGER names a window manager to run on the server
#   (openbox, say), as on a desktop: windows get frames, placement and the
#   keyboard focus from it. The command starts once it manages the screen.
set -u

work=$(mktemp -d) || exit 1
xvfb=
wm=
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"${SONNELITH_XVFB:-Xvfb}" -displayfd 3 -screen 0 "${SONNELITH_X_SCREEN:-1280x1024x24}" -nolisten tcp \
    3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!

# The server writes its display number once it accepts clients. The deadline
# is generous: a machine busy with builds can take seconds to start it.
tries=0
until grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null; do
    if ! kill -0 "$xvfb" 2>/dev/null || [ "$tries" -ge 600 ]; then
        echo "run_with_x_server: Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    tries=$((tries + 1))
    sleep 0.05
done

DISPLAY=":$(cat "$work/display")"
export DISPLAY

if [ -n "${SONNELITH_X_WINDOW_MANAGER:-}" ]; then
    "$SONNELITH_X_WINDOW_MANAGER" >"$work/wm.log" 2>&1 &
    wm=$!
    # A window manager announces itself on the root window once it runs.
    tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        if ! kill -0 "$wm" 2>/dev/null || [ "$tries" -ge 600 ]; then
            echo "run_with_x_server: $SONNELITH_X_WINDOW_MANAGER did not start:" >&2
            cat "$work/wm.log" >&2
            exit 1
        fi
        tries=$((tries + 1))
        sleep 0.05
    done
fi

"$@"
status=$?
exit "$status"
