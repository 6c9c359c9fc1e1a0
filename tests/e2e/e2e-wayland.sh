#!/usr/bin/env bash
# End-to-end check on a Wayland desktop (headless sway with XWayland, every window floating
# as on GNOME or KDE), with a notification area that starts after the program: `glimmer
# --tray` runs as a Wayland client, or through XWayland where the session is GNOME's (gnome:
# XDG_CURRENT_DESKTOP=GNOME), and its browser appears; the panel, once started, gets the icon
# with its tooltip and its menu; "Always On Top" is greyed and never ticked, as sway keeps no
# window on top; a sample picked and viewed shows its pixels on screen, and File > Exit
# closes it; "Open Glimmer" with the browser shown changes nothing; the browser closed by the
# compositor leaves the program running and comes back through the panel's menu; a click
# that leaves the menu to the program opens it, and "Exit" clicked there with the pointer
# ends the program and takes its icon away. The program then runs again under a panel that
# registers with a watcher of its own (waybar on sway's session, the run's own host on
# GNOME's): "Open Glimmer" chosen in the panel's menu brings the closed browser back (on
# waybar the icon is found where waybar draws it, and icon and entry are clicked with the
# pointer); once the panel is killed (the watcher stays) the closed browser comes back by
# itself, and closing it ends the program.
# Usage: e2e-wayland.sh BUILD [gnome]
source "$(dirname "$0")/lib/wayland-session.sh" "${1:?build dir}" "${2:-}"
shell=xdg_shell
if [ "${2:-}" = gnome ]; then
    export XDG_CURRENT_DESKTOP=GNOME
    shell=xwayland
fi
export GLIMMER_E2E_SHELL=$shell
"$build/cli/glimmer-pcx" convert "$prog/DUSK.PCX" "$work/dusk.png" >/dev/null

start_glimmer --tray
browser_up() {
    atspi_py <<'PY'
import os, sys
import sway
sys.exit(0 if any(w["name"] == "Glimmer" and w["shell"] == os.environ["GLIMMER_E2E_SHELL"]
                  for w in sway.windows(os.environ["GLIMMER_APP_PID"])) else 1)
PY
}
wait_until 20 browser_up || fail "no browser window through $shell"

# The panel starts after the program.
/usr/bin/python3 "$here/tests/e2e/lib/sni_host.py" >"$work/host.log" 2>&1 &
host=$!
pids+=($host)
registered() { grep -qs '^registered ' "$work/host.log"; }
wait_until 15 registered || fail "the icon did not come to a panel started later: $(cat "$work/host.log")"
item=$(sed -n 's/^registered //p' "$work/host.log")

atspi_py "$item" "$work" <<'PY' || fail "the icon, its menu and the picture"
import os, sys
import atspi as A
import sway
import glimmer as G
import sni
item, work = sys.argv[1:]

props = sni.properties(item)
assert props["Title"] == "Glimmer" and props["ToolTip"][2] == "Glimmer", props["ToolTip"]
assert any((w, h) == (16, 16) and len(argb) == 16 * 16 * 4 for w, h, argb in props["IconPixmap"])
assert props["ItemIsMenu"], "a left click must show the menu"
labels = [p.get("label", "-") for _, p in sni.menu(item)]
want = ["Open Glimmer", "-", "Fragvault - Home", "Fragvault - Files", "Fragvault - Help", "-",
        "Help", "Exit", "-", "Always On Top"]
assert labels == want, labels
# As libdbusmenu's servers answer: the layout below the entry asked, to the depth asked; every
# entry's properties for no ids; an unknown id refused, in a group of events only when it
# holds no known one.
ids = [i for i, _ in sni.menu(item)]
assert sni.layout(item, 0, 0)[2] == [], "depth 0 gave children"
first = sni.layout(item, ids[0], -1, ["label"])
assert first == (ids[0], {"label": "Open Glimmer"}, []), first
every = sni.group_properties(item, [], ["label"])
assert [every[i].get("label", "-") for i in sorted(every) if i] == want, every
unknown = max(ids) + 1
for call in (lambda: sni.layout(item, unknown), lambda: sni.event_group(item, [unknown])):
    assert sni.error_of(call) == "com.canonical.dbusmenu.UnknownId", sni.error_of(call)
assert sni.event_group(item, [unknown, 0], "opened") == [unknown]
on_top = [p for _, p in sni.menu(item) if p.get("label") == "Always On Top"][0]
assert not on_top["enabled"] and on_top["toggle-state"] == 0, on_top

app = A.app()
A.select_item(G.open_page(app), "DUSK.PCX")
window = G.view(app)
G.expect_shown(app, window, G.load_rgb(f"{work}/dusk.png"), "DUSK.PCX viewed")
G.command(app, window, "File", "Exit")
G.picture_closed(app)

# "Open Glimmer" with the browser shown changes nothing.
sni.choose(item, "Open Glimmer")
sni.menu(item)  # answered once the choice has run
browsers = [w for w in sway.windows(os.environ["GLIMMER_APP_PID"]) if w["name"] == "Glimmer"]
assert len(browsers) == 1, browsers
PY

# Closed by the compositor, as its close button or a key binding does: the program stays.
close_browser() {
    swaymsg "[pid=$app title=\"^Glimmer\$\"] kill" >/dev/null || fail "sway could not close the browser"
    wait_until 10 browser_gone || fail "the browser did not close"
}
browser_gone() { ! browser_up; }
close_browser
kill -0 "$app" 2>/dev/null || fail "closing the browser ended the program"

atspi_py "$item" <<'PY' || fail "the panel's menu and the program's own"
import os, sys
import atspi as A
import sni
import sway
import virtual_pointer
item = sys.argv[1]
pid = os.environ["GLIMMER_APP_PID"]

# As KDE Plasma's panel does (Event); libdbusmenu's panels send groups (EventGroup).
sni.choose(item, "Open Glimmer", group=True)
A.wait(lambda: any(w["name"] == "Glimmer" for w in sway.windows(pid)), 15,
       "the browser back after Open Glimmer")

# swaybar leaves the menu to the program: the program's own menu opens. The program may hear
# of the menu watch only after the menu came up: then a click beside it closes it, and the
# icon is clicked again.
app = A.app()
watch = A.MenuWatch()
menu = None
for attempt in range(5):
    sni.click(item, "ContextMenu")
    menu = watch.opened(3)
    if menu:
        break
    virtual_pointer.pointer_click(*sway.corner())
if menu is None:
    sys.exit("a click on the icon opened no menu (5 tries)")
entries = {e.name: e for e in A.children(menu)}
on_top = entries["Always On Top"].getState()
assert not on_top.contains(A.pyatspi.STATE_SENSITIVE), "Always On Top offered on Wayland"
assert not on_top.contains(A.pyatspi.STATE_CHECKED), "Always On Top ticked on Wayland"
x, y, w, h = A.settled_extents(entries["Exit"])
if os.environ["GLIMMER_E2E_SHELL"] == "xwayland":
    # Through XWayland a click from sway's virtual pointer reaches a menu Qt opened with no
    # window of its own active as a click outside it (the File menu of a picture window takes
    # it): the pointer lights the item up, and the item is pressed through its action.
    virtual_pointer.pointer_move(x + w // 2, y + h // 2, lambda: A.lit(entries["Exit"]))
    A.press(entries["Exit"])
else:
    virtual_pointer.pointer_click(x + w // 2, y + h // 2, lambda: A.lit(entries["Exit"]))
A.wait(lambda: not sni.has_owner(item), 15, "the icon gone after Exit")
PY
app_ended() { ! kill -0 "$app" 2>/dev/null; }
wait_until 15 app_ended || fail "Exit did not end the program"
ended_well() {
    local status=0
    wait "$app" || status=$?
    [ "$status" = 0 ] || fail "the program ended with status $status"
}
ended_well
# A panel under a watcher that outlives it, as KDE's kded keeps one: on sway's session
# Debian's waybar, which draws the menu itself (libdbusmenu's client); on GNOME's, where
# waybar does not run, the run's own host.
kill "$host"
wait "$host" 2>/dev/null || true
/usr/bin/python3 "$here/tests/e2e/lib/sni_host.py" --watcher-only >"$work/watcher.log" 2>&1 &
pids+=($!)
watching() { grep -qs '^watching' "$work/watcher.log"; }
wait_until 10 watching || fail "no watcher: $(cat "$work/watcher.log")"
if [ "$shell" = xwayland ]; then
    /usr/bin/python3 "$here/tests/e2e/lib/sni_host.py" --host-only >"$work/panel.log" 2>&1 &
else
    mkdir "$work/waybar"
    atspi_py "$work/waybar" <<<'import sys, waybar; waybar.config(sys.argv[1])'
    waybar -c "$work/waybar/config" -s "$work/waybar/style.css" >"$work/panel.log" 2>&1 &
fi
panel=$!
pids+=($panel)
export WAYBAR_PID=$panel
panel_up() { grep -qs '^host ' "$work/watcher.log"; }
wait_until 15 panel_up || fail "the panel registered no host: $(cat "$work/panel.log")"

start_glimmer --tray
wait_until 20 browser_up || fail "no browser window with the panel there"
item_there() { grep -qs "^registered .*-$app-" "$work/watcher.log"; }
wait_until 15 item_there || fail "the icon did not register: $(cat "$work/watcher.log")"
item=$(sed -n "s/^registered \(.*-$app-.*\)/\1/p" "$work/watcher.log")
close_browser
kill -0 "$app" 2>/dev/null || fail "closing the browser ended the program with a panel there"
atspi_py "$item" <<'PY' || fail "Open Glimmer in the panel's menu"
import os, sys
import atspi as A
import sni
import sway
import waybar
if os.environ["GLIMMER_E2E_SHELL"] == "xwayland":
    sni.choose(sys.argv[1], "Open Glimmer", group=True)
else:
    waybar.wait_icon()
    waybar.choose("Open Glimmer")
A.wait(lambda: any(w["name"] == "Glimmer" for w in sway.windows(os.environ["GLIMMER_APP_PID"])),
       15, "the browser back after Open Glimmer in the panel's menu")
PY
close_browser

# The panel goes and the watcher stays: the browser comes back, and closing it now ends the
# program, as where there never was a panel.
kill "$panel"
host_gone() { grep -qs '^host gone ' "$work/watcher.log"; }
wait_until 10 host_gone || fail "the watcher did not see the panel go"
wait_until 15 browser_up || fail "the browser did not come back when the panel went"
close_browser
wait_until 15 app_ended || {
    # What the program does instead of ending: its threads and where each waits.
    ps -L -o lwp=,stat=,wchan:32=,time= -p "$app" || true
    cat "$work/watcher.log"
    fail "closing the browser with no panel left did not end the program"
}
ended_well
echo "e2e-wayland: ok"
