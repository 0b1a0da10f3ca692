#!/usr/bin/python3
"""What a screen reader finds of the real Muralset through AT-SPI.

Run inside a private session bus (dbus-run-session), on an X display of its
own:  accessibility_tree.py MURALSET OUTPUT TABS

Starts the accessibility bus and the editor with Qt's accessibility on, then
writes to OUTPUT one line per object of the editor's window, depth first,
"ROLE|NAME", with "|labelled by NAME" where a label names the object (the
entries of the lists are left out); then "focus ROLE|NAME" for the object
that has the keyboard focus, and again after each of TABS presses of Tab.
Ends the editor.
"""
import os
import subprocess
import sys
import time

import pyatspi

muralset, output, tabs = sys.argv[1], sys.argv[2], int(sys.argv[3])
bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
editor = None


def objects(node):
    for child in node:
        if child is not None and child.getRoleName() != "list item":
            yield child
            if child.getRoleName() != "combo box":
                yield from objects(child)


def line(node):
    text = f"{node.getRoleName()}|{node.name}"
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            text += "|labelled by " + relation.getTarget(0).name
    return text


try:
    time.sleep(0.5)
    editor = subprocess.Popen([muralset], env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
    window = None
    for _ in range(200):
        for application in pyatspi.Registry.getDesktop(0):
            if application is not None and application.name == "Muralset" and application.childCount > 0:
                window = application[0]
        if window is not None and window.childCount > 0:
            break
        time.sleep(0.05)
    else:
        sys.exit("the editor's window did not appear on the accessibility bus")

    # The current entry of a list reports the focus whether the list has it
    # or not: the list is what counts.
    def focus():
        for node in objects(window):
            if node.getState().contains(pyatspi.STATE_FOCUSED):
                return line(node)
        return "none"

    lines = [line(node) for node in objects(window)]
    found = subprocess.run(["xdotool", "search", "--name", "^" + window.name + "$"], capture_output=True, text=True)
    subprocess.run(["xdotool", "windowfocus", "--sync", found.stdout.split()[0]], check=True)
    for press in range(tabs + 1):
        if press > 0:
            subprocess.run(["xdotool", "key", "Tab"], check=True)
        time.sleep(0.3)
        lines.append("focus " + focus())
    with open(output, "w", encoding="utf-8") as out:
        out.write("".join(text + "\n" for text in lines))
finally:
    if editor is not None:
        editor.terminate()
        editor.wait()
    bus.terminate()
    bus.wait()
