#!/usr/bin/python3
# Quillane driven by the keyboard alone (xdotool) and seen through the screen
# reader's service (AT-SPI): every action the mouse has, and the name, role
# and actions of every control of each window on the way, printed as a table.
#   access_walk.py <quillane> <work folder> <picture>   (inside a session bus)
import os
import subprocess
import sys
import time

import pyatspi

program, work, picture = sys.argv[1:4]
MAIN = "Quillane 2.2"

# Window, control, its role and the actions it must offer.
EXPECTED = [
    (MAIN, MAIN, "frame", set()),
    (MAIN, "Front cover picture", "push button", {"Press", "ShowMenu"}),
    (MAIN, "Back cover picture", "push button", {"Press", "ShowMenu"}),
    (MAIN, "About Quillane", "push button", {"Press"}),
    (MAIN, "Minimize", "push button", {"Press"}),
    (MAIN, "Close", "push button", {"Press"}),
    (MAIN, "Show Artvault Search", "push button", {"Press"}),
    ("About", "Close", "push button", {"Press"}),
    ("About", "quillane@quillane.example", "link", {"Press"}),
    ("About", "www.quillane.example/quillane/", "link", {"Press"}),
    ("Image Viewer", "Image Viewer", "frame", set()),
    ("Image Viewer", "Close", "push button", {"Press"}),
    ("Print Settings", "Line Color: red 0, green 0, blue 0", "push button", {"Press"}),
]


def fail(why):
    print("FAIL:", why)
    sys.exit(1)


def until(what, probe, seconds=15):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = probe()
            if found:
                return found
        except Exception:  # a window closing under the walk
            pass
        time.sleep(0.1)
    fail("timed out waiting for " + what)


def key(*names):
    subprocess.run(["xdotool", "key", "--delay", "50", *names], check=True, timeout=10)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "20", text], check=True, timeout=10)


def tree(node):
    yield node
    for child in node:
        if child is not None:
            yield from tree(child)


def has(node, state):
    return node.getState().contains(state)


def actions(node):
    try:
        action = node.queryAction()
        return {action.getName(i) for i in range(action.nActions)}
    except NotImplementedError:
        return set()


def windows():
    app = next(a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "quillane")
    return list(app)


def window(name):
    return until("window " + name, lambda: next((w for w in windows() if w.name == name), None))


def closed(name):
    until(name + " to close", lambda: all(w.name != name for w in windows()))


def focused():
    return next(n for w in windows() if has(w, pyatspi.STATE_ACTIVE)
                for n in tree(w) if has(n, pyatspi.STATE_FOCUSED))


def focus():
    return until("the focus", focused)


def ident(node):
    return (node.name, node.getRoleName(), node.getIndexInParent(), node.parent.name)


def press(*names):
    """Keys that move the focus: returns once it has moved."""
    before = ident(focus())
    key(*names)
    return until("the focus to move", lambda: ident(focused()) != before and focused())


def tab_to(name, visited=None):
    for _ in range(30):
        node = press("Tab")
        if visited is not None:
            visited.append((node.name, node.getRoleName()))
        if node.name.startswith(name):
            return node
    fail("Tab never reached " + name)


def expect_focus(name):
    until(f"the focus on {name}", lambda: focused().name == name)


def check(win):
    """Prints the window's controls; each that acts or takes the focus says what it is."""
    for node in tree(win):
        if not has(node, pyatspi.STATE_SHOWING):
            continue
        acts = actions(node)
        print(f"{win.name} | {node.getRoleName()} | {node.name!r} | {', '.join(sorted(acts))}")
        if has(node, pyatspi.STATE_FOCUSABLE) or acts - {"SetFocus"}:
            if not node.name.strip() or node.getRoleName() in ("label", "filler"):
                fail(f"{win.name}: a {node.getRoleName()} named {node.name!r} acts unnamed or as decoration")
    for where, name, role, acts in EXPECTED:
        if where == win.name and not any(n.name == name and n.getRoleName() == role
                                         and acts <= actions(n) for n in tree(win)):
            fail(f"{where}: no {role} {name!r} offering {acts}")


def load(start_key):
    key(start_key)
    dialog = window("Open")
    if not any("*.png *.webp *.tif" in n.name for n in tree(dialog)):
        fail("the file dialog hides PNG, WebP or TIFF")
    type_text(picture)
    key("Return")
    closed("Open")
    until("the front slot filled", lambda: focused().description == "Holds a picture")


def still_open_after_escape(name):
    key("Escape")
    time.sleep(0.5)
    window(name)


env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_CONFIG_HOME=work + "/config")
app = subprocess.Popen([program], env=env)
try:
    check(window(MAIN))
    # No window manager gives a window the keyboard: the test does, once.
    subprocess.run(["xdotool", "search", "--name", "^Quillane 2\\.2$", "windowfocus"], timeout=10)
    expect_focus("Help")
    # Round the window: the slots, the glyphs and the strip's icon, not the closed strip.
    visited = []
    tab_to("Help", visited)
    for name in ("Front cover picture", "Back cover picture", "Show Artvault Search",
                 "About Quillane", "Minimize", "Close"):
        if (name, "push button") not in visited:
            fail(f"Tab passes over {name}: {visited}")
    if any(role in ("text", "combo box") for _, role in visited):
        fail(f"Tab reaches the closed strip: {visited}")

    tab_to("Front cover picture")
    load("space")
    key("Menu")  # asks; "No", which has the focus, keeps the picture
    check(window("Clear"))
    expect_focus("No")
    key("Return")
    closed("Clear")
    expect_focus("Front cover picture")
    if focus().description != "Holds a picture":
        fail("No cleared the slot")
    key("shift+F10")
    window("Clear")
    press("Tab")
    expect_focus("Yes")
    key("Return")
    until("the front slot emptied", lambda: focused().description == "Empty")
    load("Return")

    tab_to("About Quillane")
    key("space")
    check(window("About"))
    expect_focus("Close")
    still_open_after_escape("About")
    tab_to("quillane@quillane.example")
    tab_to("Close")
    key("Return")
    closed("About")

    tab_to("View Image")
    key("space")
    check(window("Image Viewer"))
    tab_to("Close")
    still_open_after_escape("Image Viewer")
    key("space")
    closed("Image Viewer")

    tab_to("Print Settings")
    key("space")
    window("Print Settings")
    tab_to("Print guide lines for back cover folds")
    key("space")
    tab_to("Line Color")
    check(window("Print Settings"))
    key("space")
    window("Select Color")
    tab_to("HTML:")
    key("ctrl+a")
    type_text("#ff0000")
    key("Return")
    closed("Select Color")
    expect_focus("Line Color: red 255, green 0, blue 0")
    with open(work + "/config/Quillane/Quillane.conf") as settings:
        if "LineColor=255\n" not in settings.read():
            fail("the colour chosen was not stored")
    tab_to("Ok")
    key("Return")
    closed("Print Settings")

    tab_to("Show Artvault Search")
    key("space")
    expect_focus("Hide Artvault Search")
    visited = []
    tab_to("Hide Artvault Search", visited)
    if ("Artvault Search", "text") not in visited or ("CoverType", "combo box") not in visited:
        fail(f"Tab does not reach the open strip: {visited}")
    key("space")
    expect_focus("Show Artvault Search")

    tab_to("Exit")
    key("space")
    check(window("Quit"))
    press("Tab")
    expect_focus("Yes")
    key("Return")
    if app.wait(timeout=10) != 0:
        fail("the program ended with an error")
finally:
    if app.poll() is None:
        app.kill()
print("PASS")
