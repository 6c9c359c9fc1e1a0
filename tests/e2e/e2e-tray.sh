#!/usr/bin/env bash
# End-to-end check of the notification-area icon with a real tray host (trayer) under Xvfb
# and openbox: `glimmer --tray` shows exactly one icon; a click opens its menu, whose items
# are found through the accessibility bus and clicked with the pointer; "Always On Top" twice
# takes the browser out of the topmost band and back; View PCX with nothing picked says so in a
# box above the browser kept on top; a web link reaches the default browser; closing the
# browser leaves the program and its icon; a double click on the icon brings the browser back,
# and it browses into a folder; "Exit" ends the process and takes every window away.
# Usage: e2e-tray.sh BUILD
source "$(dirname "$0")/lib/x-session.sh" "${1:?build dir}"
fail_more() {
    kill -0 "${app:-0}" 2>/dev/null || return 0
    echo "--- its threads:"
    ps -L -o lwp=,stat=,wchan:32=,time= -p "$app" || true
}

trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
panel=$(timeout 10 xdotool search --sync --limit 1 --name '^panel$') || fail "no tray host"

# The default browser is a script that writes down the address it was asked to open.
cat >"$work/browser" <<SH
#!/bin/sh
echo "\$1" >>"$work/opened"
SH
chmod +x "$work/browser"
export BROWSER=$work/browser

start_glimmer --tray
# Tray icons are the program's windows the tray host took into its panel.
in_panel() { # WINDOW
    local w
    for w in $(xwininfo -tree -id "$panel" 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
        [ "$((w))" = "$1" ] && return 0
    done
    return 1
}
icons() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null); do
        if in_panel "$id"; then echo "$id"; fi
    done
}
# The icon's window and the icon's menu bear the program's name too; only the browser is
# managed by the window manager.
browser_window() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$app" --name '^Glimmer$' 2>/dev/null); do
        [[ $(xwininfo -id "$id" 2>/dev/null) == *"Override Redirect State: no"* ]] && echo "$id"
    done
    return 0
}
browser_shown() { [ -n "$(browser_window)" ]; }
wait_until 15 browser_shown || fail "the browser did not open"
browser=$(browser_window)
one_icon() { [ "$(icons | wc -l)" = 1 ]; }
wait_until 10 one_icon || fail "not exactly one icon: $(icons | wc -l)"
icon=$(icons)
eval "$(xdotool getwindowgeometry --shell "$icon")"
icon_x=$((WIDTH / 2)) icon_y=$((HEIGHT / 2))

above() { [[ $(xprop -id "$browser" _NET_WM_STATE) == *_NET_WM_STATE_ABOVE* ]]; }
below() { ! above; }
wait_until 5 above || fail "the browser is not kept above other windows"

# Clicks the icon, waits for its menu through the accessibility bus, prints whether ITEM is
# checked and clicks ITEM with the pointer where the menu shows it. Qt lists no pop-up menu
# among the program's windows, so the menu is caught as it comes on screen.
menu() { # ITEM
    atspi_py "$icon" "$icon_x" "$icon_y" "$1" "$app" <<'PY'
import subprocess, sys
import pyatspi
import atspi

icon, ix, iy, name, pid = sys.argv[1:]
atspi.app()
watch = atspi.MenuWatch()

def windows():
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", pid],
                         capture_output=True, text=True).stdout.split()
    return len(out)

# A click that comes while the icon is still being taken in is lost, and the program may
# hear of this listener only after the menu came up: then close what opened and click again.
before = windows()
menu = None
for attempt in range(5):
    subprocess.run(["xdotool", "mousemove", "--window", icon, ix, iy, "click", "1"], check=True)
    menu = watch.opened(3)
    if menu:
        break
    if windows() > before:
        subprocess.run(["xdotool", "key", "Escape"], check=True)
        watch.pump(lambda: windows() == before, 3)
if menu is None:
    sys.exit("a click on the icon opened no menu (5 tries)")
items = [c for c in atspi.children(menu) if c.name == name]
if not items:
    sys.exit(f"no item {name!r} in the menu: {[c.name for c in atspi.children(menu)]}")
item = items[0]
print("checked" if item.getState().contains(pyatspi.STATE_CHECKED) else "unchecked")
x, y, w, h = atspi.extents(item)
subprocess.run(["xdotool", "mousemove", "--sync", str(x + w // 2), str(y + h // 2),
                "click", "1"], check=True)
# Exit takes the menu away with the program, unannounced.
if not watch.pump(lambda: watch.closed(menu) or windows() < before, 5):
    sys.exit(f"the menu stayed open after a click on {name!r}")
PY
}
# The text the icon's window keeps of the last thing the icon heard.
tray_status() {
    atspi_py <<'PY'
import atspi
tray = [w for w in atspi.children(atspi.app()) if w.name == "Tray"][0]
print(atspi.text_of(atspi.find_all(tray, "text")[0]))
PY
}

state=$(menu "Always On Top") || fail "Always On Top: $state"
[ "$state" = checked ] || fail "the menu shows Always On Top $state while the browser is above"
wait_until 5 below || fail "Always On Top did not take the browser out of the topmost band"
state=$(menu "Always On Top") || fail "Always On Top: $state"
[ "$state" = unchecked ] || fail "the menu shows Always On Top $state while the browser is not above"
wait_until 5 above || fail "Always On Top did not put the browser back"

# With nothing picked, View PCX says so in a box that stays in sight above the browser kept on
# top. The press counts as viewing: from now on activation leaves the lists where they are.
atspi_py <<'PY' || fail "View PCX with nothing picked"
import atspi as A
import glimmer as G
app = A.app()
browser = G.browser(app)
seen = G.screen()
A.press_button(app, "View PCX")
box = G.message(app, "You Have Not Chosen A PCX!")
G.expect_box_over(box, browser, seen, "View PCX's message over the browser kept on top")
A.answer(box, "OK")
PY

out=$(menu "Fragvault - Home") || fail "Fragvault - Home: $out"
wait_until 10 test -s "$work/opened" || fail "no page was opened"
grep -qx 'https://fragvault.example/' "$work/opened" || fail "opened $(cat "$work/opened")"

# Closing the browser through the window manager leaves the program and its icon.
wm_close "$browser" || fail "cannot ask the window manager to close the browser"
browser_gone() { ! browser_shown; }
wait_until 10 browser_gone || fail "the window manager's close did not close the browser"
kill -0 "$app" 2>/dev/null || fail "closing the browser ended the program"
[ "$(icons)" = "$icon" ] || fail "the icon went away with the browser: $(icons | wc -l) icons"

# A double click on the icon brings the browser back, mapped.
xdotool mousemove --window "$icon" "$icon_x" "$icon_y" click --repeat 2 --delay 60 1
wait_until 10 browser_shown || fail "a double click on the icon did not bring the browser back"
browser=$(browser_window)
[[ $(xwininfo -id "$browser") == *"Map State: IsViewable"* ]] || fail "the browser is not mapped"
# Only a double click that reached the icon counts: the menu of a first click taken alone
# would bring the browser back through its first item too.
status=$(tray_status) || fail "cannot read the icon's status: $status"
[ "$status" = "Left mouse button double clicked" ] ||
    fail "the double click did not reach the icon: its status reads \"$status\""
# Always On Top is still ticked, so the browser comes back in the topmost band.
wait_until 5 above || fail "the browser came back without _NET_WM_STATE_ABOVE though Always On Top is ticked"
# The browser that came back browses: its folder list starts in the program's current folder
# (the scratch folder), and a folder entered there lists its pictures.
atspi_py <<'PY' || fail "browsing in the browser that came back"
import atspi as A
import glimmer as G
app = A.app()
pictures = G.open_page(app)
G.enter_folder(app, "prog", pictures, ["ARENA.PCX", "DUSK.PCX", "FLAT.PCX"])
PY
no_menu() { [ "$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l)" = 2 ]; }
wait_until 5 no_menu || fail "windows left open after the double click"

out=$(menu "Exit") || fail "Exit: $out"
timeout 10 tail --pid="$app" -f /dev/null || fail "Exit did not end the program"
xwininfo -id "$icon" >/dev/null 2>&1 && fail "the icon's window stayed"
[ -z "$(icons)" ] || fail "an icon stayed in the panel"
left=$({ xdotool search --pid "$app" 2>/dev/null || true; } | wc -l)
[ "$left" = 0 ] || fail "$left windows of the program stayed"
echo "e2e-tray: 1 passed, 0 failed"
