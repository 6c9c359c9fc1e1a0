#!/usr/bin/env bash
# Takes the screenshots of docs/ (the README's and docs/using.md's) of the real program under Xvfb and openbox into docs/.
# Usage: screenshots.sh BUILD_DIR
# A folder name as a player would have it.
source "$(dirname "$0")/../tests/e2e/lib/x-session.sh" "${1:?build dir}" /tmp/UnrealTournament/Glimmer
command -v import >/dev/null || "$here/scripts/install-deps.sh" screenshots
xsetroot -solid '#2b3340'
start_glimmer
browser=$(timeout 15 xdotool search --sync --onlyvisible --limit 1 --name "^Glimmer$") || { cat "$work/glimmer.log"; exit 1; }
xdotool windowmove --sync "$browser" 300 200

settle() { xdotool sync 2>/dev/null || true; sleep 0.4; } # let the window manager draw
# The window with its frame and a margin, plus anything open below it.
shot() { # name window [extra-height]
    eval "$(xdotool getwindowgeometry --shell "$2")"
    local extra=${3:-0}
    import -window root -crop "$((WIDTH + 40))x$((HEIGHT + 70 + extra))+$((X - 20))+$((Y - 45))" \
        +repage "$here/docs/$1.png"
}
click() { xdotool mousemove --window "$browser" "$1" "$2" click 1; settle; }

settle
shot browser-welcome "$browser"
click 170 21 && click 240 76
shot browser-open "$browser"
click 346 21
shot browser-more "$browser"

click 137 160   # Help
tip=$(timeout 10 xdotool search --sync --onlyvisible --limit 1 --name '^Glimmer Help$')
settle
shot help-window "$tip"
xdotool windowactivate --sync "$tip" key Escape
settle

click 94 21 && click 125 155   # Main Menu, then Screenshots
mgr=$(timeout 10 xdotool search --sync --onlyvisible --limit 1 --name 'ScreenShot Manager')
settle
shot screenshot-manager "$mgr"
xdotool windowactivate --sync "$mgr" key alt+F4
settle

click 170 21 && click 240 76 && click 266 21   # view DUSK.PCX
picture=$(timeout 10 xdotool search --sync --onlyvisible --limit 1 --name '^ $')
xdotool windowmove --sync "$picture" 330 180
xdotool windowactivate --sync "$picture" key alt+f
settle
shot picture-file-menu "$picture" 60
xdotool key Escape
xdotool windowactivate --sync "$picture" key alt+e
settle
shot picture-edit-menu "$picture" 60
xdotool key Escape
xdotool windowactivate --sync "$picture" key ctrl+x
xdotool windowactivate --sync "$browser" key alt+F4
wait_until 10 bash -c "! kill -0 $app 2>/dev/null"

# The second chain: login dialog, its refusal, the splash window, the tray menu.
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
start_glimmer --login
login=$(timeout 10 xdotool search --sync --onlyvisible --limit 1 --name '^Login$')
xdotool windowmove --sync "$login" 380 260
settle
shot login-dialog "$login"
xdotool windowactivate --sync "$login" key alt+p type --delay 30 "secret"
xdotool key Return
settle
shot login-invalid-password "$login" 120
xdotool key Return
settle
xdotool windowactivate --sync "$login" key Escape   # Cancel: the splash window
settle
splash=$(for id in $(xdotool search --onlyvisible --pid "$app"); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [ "$WIDTH" -gt 400 ] && [ "$HEIGHT" -lt 300 ]; then echo "$id"; fi
done | head -n 1)
xdotool windowmove --sync "$splash" 280 220
settle
shot splash-window "$splash"
xdotool mousemove --window "$splash" 420 215 click 1    # ENTER
settle
icon=$(for id in $(xdotool search --onlyvisible --pid "$app"); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [ "$WIDTH" -le 32 ] && [ "$X" -gt 512 ]; then echo "$id"; fi
done | head -n 1)
for _ in 1 2 3; do
    xdotool mousemove --window "$icon" 11 11 click 1
    settle
    [ "$(xdotool search --onlyvisible --pid "$app" | wc -l)" -gt 2 ] && break
done
import -window root -crop 360x240+664+0 +repage "$here/docs/tray-menu.png"
echo "screenshots written to docs/"
