#!/usr/bin/env bash
# End-to-end check of the notification-area icon with a real tray host (trayer) under Xvfb
# and openbox: `glimmer --tray` shows exactly one icon; a click opens its menu; "Always On
# Top" twice takes the browser out of the topmost band and back; a web link reaches the
# default browser; "Exit" ends the process and takes the icon away. Usage: e2e-tray.sh BUILD
source "$(dirname "$0")/x-session.sh" "${1:?build dir}"
fail() {
    echo "e2e-tray FAIL: $*"
    cat "$work/glimmer.log" 2>/dev/null || true
    exit 1
}

trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
timeout 10 xdotool search --sync --name '^panel$' >/dev/null || fail "no tray host"

# The default browser is a script that writes down the address it was asked to open.
cat >"$work/browser" <<SH
#!/bin/sh
echo "\$1" >>"$work/opened"
SH
chmod +x "$work/browser"
export BROWSER=$work/browser

start_glimmer --tray
browser=$(timeout 15 xdotool search --sync --onlyvisible --limit 1 --name '^Glimmer$') ||
    fail "the browser did not open"
# Tray icons are the program's small windows, inside the tray host's panel.
icons() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        # Small, and placed in the panel at the top right once the tray host took it in.
        if [ "$WIDTH" -le 32 ] && [ "$HEIGHT" -le 32 ] && [ "$X" -gt 512 ]; then echo "$id"; fi
    done
}
one_icon() { [ "$(icons | wc -l)" = 1 ]; }
wait_until 10 one_icon || fail "not exactly one icon: $(icons | wc -l)"
icon=$(icons)

above() { xprop -id "$browser" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
above || fail "the browser is not kept above other windows"

# Opens the icon's menu and picks an item with the keyboard.
menu() {
    local before after
    before=$(xdotool search --onlyvisible --pid "$app" | wc -l)
    more() { [ "$(xdotool search --onlyvisible --pid "$app" | wc -l)" -gt "$before" ]; }
    # A click that comes while the icon is still being taken in is lost; click again then.
    for _ in 1 2 3 4 5; do
        xdotool mousemove --window "$icon" 11 11 click 1
        wait_until 2 more && break
    done
    more || fail "a click on the icon opened no menu ($before, icon $icon: $(xdotool search --onlyvisible --pid "$app" | tr "\n" " "))"
    xdotool key "$@"
}
menu Up Return                          # Always On Top
below() { ! above; }
wait_until 5 below ||
    fail "Always On Top did not take the browser out of the topmost band"
menu Up Return
wait_until 5 above ||
    fail "Always On Top did not put the browser back"

menu Down Down Return                   # Fragvault - Home
wait_until 10 test -s "$work/opened" || fail "no page was opened"
grep -qx 'https://fragvault.example/' "$work/opened" || fail "opened $(cat "$work/opened")"

menu Up Up Return                       # Exit
timeout 10 tail --pid="$app" -f /dev/null || fail "Exit did not end the program"
[ "$(xwininfo -root -tree | grep -c '22x22')" = 0 ] || fail "the icon stayed"
echo "e2e-tray: 1 passed, 0 failed"
