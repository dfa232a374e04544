#!/usr/bin/env bash
# Runs the real kestrune executable as a user would start it.
#   run-executable.sh escape EXE      under Xvfb: the window opens, Escape closes it, exit code 0
#   run-executable.sh no-display EXE  without a display: one line on stderr, non-zero exit
set -euo pipefail
mode=$1
exe=$2

case "$mode" in
escape)
    # A packager's build machine may lack the display server: skipped (77), naming what is missing.
    missing=()
    for tool in xvfb-run Xvfb xauth xdotool; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    if ((${#missing[@]})); then
        echo "skipped: ${missing[*]} not found (Debian: xvfb xauth xdotool)"
        exit 77
    fi
    # xdotool focuses the window and presses Escape through the X server, as a keyboard does.
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        exe=$1
        "$exe" & pid=$!
        window=$(timeout 20 xdotool search --sync --onlyvisible --name "^Kestrune Ver\.1\.00$" | head -n 1)
        [[ -n "$window" ]] || { echo "the window did not appear"; kill "$pid"; exit 1; }
        xdotool windowfocus --sync "$window"
        xdotool key Escape
        status=0
        timeout 20 tail --pid="$pid" -f /dev/null || { echo "Escape did not end the process"; kill "$pid"; exit 1; }
        wait "$pid" || status=$?
        echo "exit code $status"
        exit "$status"
    ' _ "$exe"
    ;;
no-display)
    status=0
    errors=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe" 2>&1 >/dev/null) || status=$?
    echo "exit code $status: $errors"
    [[ $status -ne 0 ]] || { echo "started without a display"; exit 1; }
    [[ $(wc -l <<<"$errors") -eq 1 && "$errors" == *display* ]] || { echo "expected one line naming the display"; exit 1; }
    ;;
esac
