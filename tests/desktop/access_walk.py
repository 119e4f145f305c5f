#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Quillane driven by keys alone (xdotool) and read through the screen reader's
# service (AT-SPI): every action the mouse has, and the role, name and actions
# of every control of each window on the way, printed as a table.
#   access_walk.py <quillane> <work folder> <picture>, inside a session bus
import os
import subprocess
import sys
import time

import pyatspi

program, work, picture = sys.argv[1:4]
MAIN = "Quillane 2.2"
# Window, control, role, the actions it must offer.
EXPECTED = [
    (MAIN, MAIN, "frame", set()), (MAIN, "About Quillane", "push button", {"Press"}),
    (MAIN, "Minimize", "push button", {"Press"}), (MAIN, "Close", "push button", {"Press"}),
    (MAIN, "Show Artvault Search", "push button", {"Press"}),
    (MAIN, "Front cover picture", "push button", {"Press", "ShowMenu"}),
    (MAIN, "Back cover picture", "push button", {"Press", "ShowMenu"}),
    ("About", "Close", "push button", {"Press"}),
    ("About", "quillane@quillane.example", "link", {"Press"}),
    ("About", "www.quillane.example/quillane/", "link", {"Press"}),
    ("Image Viewer", "Image Viewer", "frame", set()),
    ("Image Viewer", "Close", "push button", {"Press"}),
    ("Print Settings", "Line Color: red 0, green 0, blue 0", "push button", {"Press"}),
]
# What the user does, and what must follow.
STEPS = [
    ("focus", "Help"), ("check", MAIN), ("round", "closed strip"),
    # Loading with Space; the Menu key asks and "No" keeps; Shift+F10 and "Yes" clear.
    ("tab", "Front cover picture"), ("key", "space"), ("load", picture),
    ("key", "Menu"), ("check", "Clear"), ("focus", "No"), ("key", "Return"), ("closed", "Clear"),
    ("slot", "Holds a picture"), ("key", "shift+F10"), ("window", "Clear"), ("key", "Tab"),
    ("focus", "Yes"), ("key", "Return"), ("slot", "Empty"), ("key", "Return"), ("load", picture),
    # About's "x" has the focus and Escape leaves it open; so for the viewer.
    ("tab", "About Quillane"), ("key", "space"), ("check", "About"), ("focus", "Close"),
    ("key", "Escape"), ("stays", "About"), ("tab", "quillane@quillane.example"),
    ("tab", "Close"), ("key", "Return"), ("closed", "About"),
    ("tab", "View Image"), ("key", "space"), ("check", "Image Viewer"), ("tab", "Close"),
    ("key", "Escape"), ("stays", "Image Viewer"), ("key", "space"), ("closed", "Image Viewer"),
    # The guide lines on, the swatch opens the colour chooser: red in its HTML field.
    ("tab", "Print Settings"), ("key", "space"), ("window", "Print Settings"),
    ("tab", "Print guide lines"), ("key", "space"), ("tab", "Line Color"),
    ("check", "Print Settings"), ("key", "space"), ("window", "Select Color"), ("tab", "HTML:"),
    ("key", "ctrl+a"), ("type", "#ff0000"), ("key", "Return"), ("closed", "Select Color"),
    ("focus", "Line Color: red 255, green 0, blue 0"), ("stored", "LineColor=255"),
    ("tab", "Ok"), ("key", "Return"), ("closed", "Print Settings"),
    ("tab", "Show Artvault Search"), ("key", "space"), ("focus", "Hide Artvault Search"),
    ("round", "open strip"), ("key", "space"), ("focus", "Show Artvault Search"),
    ("tab", "Exit"), ("key", "space"), ("check", "Quit"), ("key", "Tab"), ("focus", "Yes"),
    ("key", "Return"),
]


def fail(why):
    sys.exit("FAIL: " + why)


def until(what, probe, seconds=15):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            if found := probe():
                return found
        except Exception:  # a window closing under the walk
            pass
        time.sleep(0.1)
    fail("timed out waiting for " + what)


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True, timeout=10)


def tree(node):
    yield node
    for child in filter(None, node):
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
    return list(next(a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "quillane"))


def window(name):
    return until("window " + name, lambda: next(w for w in windows() if w.name == name))


def focused():
    return next(n for w in windows() if has(w, pyatspi.STATE_ACTIVE)
                for n in tree(w) if has(n, pyatspi.STATE_FOCUSED))


def ident(node):
    return node.name, node.getRoleName(), node.getIndexInParent(), node.parent.name


def tab_to(name):
    """Tabs until the focus is on name; returns the names and roles on the way."""
    visited = []
    for _ in range(30):
        before = ident(until("the focus", focused))
        xdotool("key", "Tab")
        node = until("the focus to move", lambda: ident(focused()) != before and focused())
        visited.append(ident(node)[:2])
        if node.name.startswith(name):
            return visited
    fail(f"Tab never reached {name}: {visited}")


def check(win):
    """Prints the window's controls: each that acts or takes the focus says what it is."""
    for node in filter(lambda n: has(n, pyatspi.STATE_SHOWING), tree(win)):
        acts = actions(node)
        print(f"{win.name} | {node.getRoleName()} | {node.name!r} | {', '.join(sorted(acts))}")
        if (has(node, pyatspi.STATE_FOCUSABLE) or acts - {"SetFocus"}) and (
                not node.name.strip() or node.getRoleName() in ("label", "filler")):
            fail(f"{win.name}: a {node.getRoleName()} {node.name!r} acts unnamed or as decoration")
    for where, name, role, acts in EXPECTED:
        if where == win.name and not any(n.name == name and n.getRoleName() == role
                                         and acts <= actions(n) for n in tree(win)):
            fail(f"{where}: no {role} {name!r} offering {acts}")


def walk_round(strip):
    """Once round the window: the slots, glyphs and icon; the strip only when open."""
    visited = tab_to(focused().name)
    reached = {name for name, role in visited if role in ("text", "combo box")}
    wanted = {name for where, name, role, _ in EXPECTED if where == MAIN and role != "frame"}
    strip_controls = set()
    if strip == "open strip":
        wanted.remove("Show Artvault Search")
        strip_controls = {"Artvault Search", "CoverType"}
    if wanted - {name for name, _ in visited} or reached != strip_controls:
        fail(f"a round with the {strip}: {visited}")


def load(path):
    if not any("*.png *.webp *.tif" in n.name for n in tree(window("Open"))):
        fail("the file dialog hides PNG, WebP or TIFF")
    xdotool("type", "--delay", "20", path)
    xdotool("key", "Return")
    until("the slot to fill", lambda: focused().description == "Holds a picture")


def stored(line):
    with open(work + "/config/Quillane/Quillane.conf") as settings:
        if line + "\n" not in settings.read():
            fail(line + " was not stored")


DO = {
    "key": lambda arg: xdotool("key", "--delay", "50", arg),
    "type": lambda arg: xdotool("type", "--delay", "20", arg),
    "tab": tab_to, "window": window, "check": lambda arg: check(window(arg)),
    "closed": lambda arg: until(arg + " to close", lambda: all(w.name != arg for w in windows())),
    "stays": lambda arg: (time.sleep(0.5), window(arg)),
    "focus": lambda arg: until("the focus on " + arg, lambda: focused().name == arg),
    "slot": lambda arg: until("the slot " + arg, lambda: focused().description == arg),
    "load": load, "stored": stored, "round": walk_round,
}
env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_CONFIG_HOME=work + "/config")
app = subprocess.Popen([program], env=env)
try:
    window(MAIN)
    # Without a window manager nothing gives the window the keyboard: the test does, once.
    xdotool("search", "--name", "^Quillane 2\\.2$", "windowfocus")
    for verb, arg in STEPS:
        DO[verb](arg)
    if app.wait(timeout=10) != 0:
        fail("the program ended with an error")
finally:
    if app.poll() is None:
        app.kill()
print("PASS")
