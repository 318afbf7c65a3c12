#!/bin/sh
# Runs a command beside a private PulseAudio server whose default sink is a
# null sink, and returns its status. What plays there is heard by nobody and
# can be recorded from the sink's monitor (parecord), so tests can listen to
# what a program plays, on a machine without a sound card, as root in a
# container without a session bus.
#   usage: run_with_null_sink.sh COMMAND [ARGUMENTS...]
#   SONNELITH_PULSEAUDIO overrides the server program (default pulseaudio on
#   the PATH).
# The command finds, in its environment:
#   PULSE_SERVER (and PULSE_COOKIE, PULSE_CLIENTCONFIG) pointing every client
#     (pactl, parecord, ALSA's pulse plugin) at this server and no other;
#   ALSA_CONFIG_PATH, ALSA's own configuration with the default device sent to
#     the pulse plugin last (Debian's pulseaudio package does the same while a
#     server runs; an ~/.asoundrc could send it elsewhere), so that PortAudio's
#     default device plays into the null sink;
#   SONNELITH_NULL_SINK and SONNELITH_NULL_SINK_MONITOR, the sink's name and
#     its monitor's, to record from;
#   or, when the server could not start, SONNELITH_NULL_SINK_UNAVAILABLE with
#     the reason (the tests then skip and say why; the command still runs).
# The server runs in the foreground of a background job, with nothing loaded
# but the modules named here (-n), and --disallow-exit so that no client ends
# it; this script ends it when the command has finished. The monitor records
# silence between sounds, as a silent stream keeps the sink awake (below).
set -u

work=$(mktemp -d) || exit 1
server=
keeper=
cleanup() {
    [ -n "$keeper" ] && kill "$keeper" 2>/dev/null && wait "$keeper" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

sink=sonnelith_null
pulseaudio=${SONNELITH_PULSEAUDIO:-pulseaudio}

# Starts the server in this shell (not a subshell: the server's process
# number must stay known here); says why it could not on standard output.
start_server() {
    command -v "$pulseaudio" >/dev/null 2>&1 || {
        echo "$pulseaudio is not installed (tools/install-deps.sh installs it)"
        return 1
    }
    command -v pactl >/dev/null 2>&1 || {
        echo "pactl is not installed (pulseaudio-utils; tools/install-deps.sh installs it)"
        return 1
    }
    mkdir -m 700 "$work/runtime" "$work/state" || return 1
    # HOME and the runtime and state paths keep the server's files (its
    # cookie, its state) in the private folder, whoever runs it.
    HOME="$work" XDG_RUNTIME_DIR="$work/runtime" PULSE_RUNTIME_PATH="$work/runtime" \
        PULSE_STATE_PATH="$work/state" \
        "$pulseaudio" -n --daemonize=no --use-pid-file=no --system=no \
        --exit-idle-time=-1 --disallow-exit --realtime=no --high-priority=no \
        --log-target=stderr \
        -L "module-null-sink sink_name=$sink format=float32le rate=44100 channels=2" \
        -L "module-native-protocol-unix socket=$work/native auth-anonymous=1" \
        -L "module-always-sink" \
        </dev/null >/dev/null 2>"$work/pulseaudio.log" &
    server=$!

    # The server takes clients once its socket answers. The deadline is
    # generous: a machine busy with builds can take seconds to start it.
    tries=0
    until pactl info >/dev/null 2>&1; do
        if ! kill -0 "$server" 2>/dev/null || [ "$tries" -ge 400 ]; then
            echo "$pulseaudio did not start:"
            tail -n 20 "$work/pulseaudio.log"
            return 1
        fi
        tries=$((tries + 1))
        sleep 0.05
    done
    pactl set-default-sink "$sink" || {
        echo "pactl could not make $sink the default sink"
        return 1
    }
    # An idle null sink sleeps in blocks of 2 s and looks at a new stream
    # only when its block ends, so a player would wait up to 2 s for its first
    # frames to be taken (a sound card's sink starts at once). A silent stream
    # asking for 20 ms keeps it awake in blocks of 20 ms once the sink wakes,
    # which suspending and resuming it makes happen at once. The silence adds
    # nothing to what the monitor records.
    pacat --playback --device="$sink" --latency-msec=20 --raw --format=float32le --rate=44100 --channels=2 \
        /dev/zero </dev/null >/dev/null 2>"$work/keeper.log" &
    keeper=$!
    tries=0
    until [ -n "$(pactl list short sink-inputs 2>/dev/null)" ]; do
        if ! kill -0 "$keeper" 2>/dev/null || [ "$tries" -ge 200 ]; then
            echo "pacat could not play silence into $sink:"
            cat "$work/keeper.log"
            return 1
        fi
        tries=$((tries + 1))
        sleep 0.05
    done
    pactl suspend-sink "$sink" 1 && pactl suspend-sink "$sink" 0 || {
        echo "pactl could not wake $sink"
        return 1
    }
}

export PULSE_SERVER="unix:$work/native"
export PULSE_COOKIE="$work/cookie"
export PULSE_CLIENTCONFIG="$work/client.conf"
# A client that finds no server must not start one of its own.
printf 'autospawn = no\n' >"$PULSE_CLIENTCONFIG"
# PortAudio asks JACK too; a JACK client must not start a JACK server.
export JACK_NO_START_SERVER=1

alsa_config=/usr/share/alsa/alsa.conf
if [ -r "$alsa_config" ]; then
    cat >"$work/asoundrc" <<'ALSA'
pcm.!default { type pulse }
ctl.!default { type pulse }
ALSA
    export ALSA_CONFIG_PATH="$alsa_config:$work/asoundrc"
fi

if start_server >"$work/failure"; then
    export SONNELITH_NULL_SINK="$sink"
    export SONNELITH_NULL_SINK_MONITOR="$sink.monitor"
else
    SONNELITH_NULL_SINK_UNAVAILABLE=$(cat "$work/failure")
    echo "run_with_null_sink: no sound server: $SONNELITH_NULL_SINK_UNAVAILABLE" >&2
    export SONNELITH_NULL_SINK_UNAVAILABLE
fi

"$@"
status=$?
exit "$status"
