#!/usr/bin/env bash
# End-to-end check of Enter and Esc with real key events under Xvfb and openbox: a focused push
# button takes Return, the default button only when no other push button has the focus, and
# the keypad's Enter counts as Return. In the login dialog, Tab to Cancel and Return goes to
# the splash window; in the help window, Return on HELP opens the help page and leaves the
# window open, and the keypad's Enter on OK closes it. Usage: e2e-keys.sh BUILD_DIR
source "$(dirname "$0")/lib/x-session.sh" "${1:?build dir}"
# The default browser is a script that writes down the address it was asked to open.
cat >"$work/browser" <<SH
#!/bin/sh
echo "\$1" >>"$work/opened"
SH
chmod +x "$work/browser"
export BROWSER=$work/browser

start_glimmer --login
atspi_py <<'PY' || fail "Return on the login dialog's Cancel"
import atspi as A
login = A.window(A.app(), "Login")
cancel = A.find(login, "push button", "Cancel", visible=True)
A.wait(lambda: A.focused(A.find(login, "text", None, visible=True)), 10, "the name box focused")
controls = [c for c in A.find_all(login, None, None, visible=True)
            if A.role_of(c) in ("text", "password text", "push button")]


def holder():
    return next((i for i, c in enumerate(controls) if A.focused(c)), None)


for _ in range(len(controls)):  # name, password, OK, Cancel: Tab moves along them
    if A.focused(cancel):
        break
    was = holder()
    A.key("Tab")
    A.wait(lambda: holder() not in (None, was), 10, "the focus moving on Tab")
assert A.focused(cancel), "Tab never reached Cancel"
A.key("Return")
app = A.app()
splash = A.wait(lambda: A.find_all(app, "push button", "Enter", visible=True), 10,
                "the splash window after Return on Cancel")
A.absent(app, "dialog", "Login", visible=True)
assert not A.find_all(app, None, "Invalid Password, try again!"), "Return ran OK"
assert not A.find_all(app, "filler", "Glimmer", visible=True), "Return logged in"
A.press(A.find(app, "push button", "Close", visible=True))
PY
app_ended() { ! kill -0 "$app" 2>/dev/null; }
wait_until 15 app_ended || fail "closing the splash with only the hidden login left did not end the program"

start_glimmer
atspi_py "$work/opened" <<'PY' || fail "Return and the keypad's Enter in the help window"
import os
import sys
import atspi as A
opened = sys.argv[1]
app = A.app()
A.press_button(app, "More Menu")
A.press_button(app, "Help")
tip = A.window(app, "Glimmer Help")
ok = A.find(tip, "push button", "OK", visible=True)
page = A.find(tip, "push button", "Help", visible=True)
A.focus(page)
A.wait(lambda: A.focused(page), 10, "HELP focused")
A.key("Return")
A.wait(lambda: os.path.exists(opened), 10, "the help page being opened")
assert open(opened).read().split() == ["https://fragvault.example/glimmer.htm"], open(opened).read()
assert A.showing(tip), "Return on HELP closed the window"
A.focus(ok)
A.wait(lambda: A.focused(ok), 10, "OK focused")
A.key("KP_Enter")
A.wait(lambda: not any(w.name == "Glimmer Help" for w in A.children(app) if A.showing(w)), 10,
       "the help window closing on the keypad's Enter")
PY
end_glimmer || fail "$end_reason"
echo "e2e-keys: 1 passed, 0 failed"
