# shellcheck shell=bash
# Sourced, not run: a desktop of the script's own, an X server (Xvfb) with Debian's openbox to
# frame, place and focus the windows as a desktop does. screenshots.sh and bench-desktop.sh use it.
#   desktop_start DISPLAY LOG-PREFIX XVFB-OPTIONS...
#       starts both on DISPLAY (empty: the first free display from :90 on), exports DISPLAY and
#       returns once the window manager is up; the logs are LOG-PREFIXxvfb.log and
#       LOG-PREFIXopenbox.log. Fails, saying why, when either does not start.
#   desktop_stop
#       ends both; for the caller's EXIT trap.

desktop_pids=()

desktop_start() {
    local display="$1" logs="$2" n
    shift 2
    desktop_free() { [ ! -e "/tmp/.X$1-lock" ] && [ ! -e "/tmp/.X11-unix/X$1" ]; }
    if [ -z "$display" ]; then
        for n in $(seq 90 199); do
            desktop_free "$n" && { display=":$n"; break; }
        done
        [ -n "$display" ] || { echo "no free X display" >&2; return 1; }
    fi
    # A display another server holds would answer the checks below as if this one had started.
    n="${display#:}"
    desktop_free "${n%%.*}" || { echo "the X display $display is taken" >&2; return 1; }

    Xvfb "$display" "$@" >"${logs}xvfb.log" 2>&1 &
    desktop_pids+=($!)
    export DISPLAY="$display"
    for _ in $(seq 50); do
        xprop -root >/dev/null 2>&1 && break
        sleep 0.1
    done
    xprop -root >/dev/null 2>&1 ||
        { echo "Xvfb did not start on $display (see ${logs}xvfb.log)" >&2; return 1; }

    openbox >"${logs}openbox.log" 2>&1 &
    desktop_pids+=($!)
    # The window manager is up once it names itself on the root window.
    for _ in $(seq 50); do
        desktop_wm_up && return 0
        sleep 0.1
    done
    desktop_wm_up ||
        { echo "openbox did not start on $display (see ${logs}openbox.log)" >&2; return 1; }
}

desktop_wm_up() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

desktop_stop() {
    local pid
    for pid in "${desktop_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    desktop_pids=()
}
