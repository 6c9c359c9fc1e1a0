"""The program's windows as the Wayland compositor (sway) places them, and what the screen
shows (grim), for runs under wayland-session.sh. A Wayland client does not know where
its windows lie on screen; the compositor does. Imports no other helper: the pointer that
clicks is virtual_pointer.py's.

    python3 sway.py windows PID     prints the program's windows (for failures)
"""

import io
import json
import subprocess
import sys

from PIL import Image


def tree():
    out = subprocess.run(["swaymsg", "-t", "get_tree", "-r"], capture_output=True, text=True,
                         check=True).stdout
    return json.loads(out)


def windows(pid):
    """The shown windows of process pid: dicts with the compositor's id, name, shell, focused,
    and where the window's
    content lies on screen (x, y, width, height)."""
    found = []

    def walk(node):
        # A window is placed for good only once it is mapped.
        if node.get("pid") == int(pid) and node.get("visible"):
            r, w = node["rect"], node["window_rect"]
            found.append({"id": node["id"], "name": node.get("name"), "shell": node.get("shell"),
                          "focused": node.get("focused"),
                          "content": (r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"])})
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            walk(child)
    walk(tree())
    return found


def close(window_id):
    """Asks the window to close, as the compositor's own close binding does."""
    subprocess.run(["swaymsg", f"[con_id={window_id}]", "kill"], check=True, capture_output=True)


def output():
    """Where the (one) output lies in the layout: a dict of x, y, width and height."""
    outputs = json.loads(subprocess.run(["swaymsg", "-t", "get_outputs", "-r"], check=True,
                                        capture_output=True, text=True).stdout)
    return outputs[0]["rect"]


def corner():
    """The output's bottom right pixel: a place beside every window the program opens."""
    box = output()
    return box["x"] + box["width"] - 1, box["y"] + box["height"] - 1


def on_x11(pid):
    """Whether the program's windows come through XWayland."""
    return any(w["shell"] == "xwayland" for w in windows(pid))


def screen():
    """The whole output as an RGB PIL image."""
    png = subprocess.run(["grim", "-t", "png", "-"], capture_output=True, check=True).stdout
    return Image.open(io.BytesIO(png)).convert("RGB")


if __name__ == "__main__" and sys.argv[1:2] == ["windows"]:
    for w in windows(sys.argv[2]):
        print(w)
