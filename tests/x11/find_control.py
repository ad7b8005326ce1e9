#!/usr/bin/python3
"""Finds a control of a running program as a screen reader does, through
AT-SPI, and prints where it is on the screen: "x y width height".

Usage: find_control.py PID ROLE NAME [INDEX [SECONDS]]
ROLE and NAME as AT-SPI tells them ("push button", "Focus"); of those that
show, the one at INDEX (default 0) in the tree's order counts. Waits up to
SECONDS (default 10) for it; exits with 1 when it never shows."""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

MAX_DEPTH = 40


def showing(node):
    return node.get_state_set().contains(Atspi.StateType.SHOWING)


def matches(node, role, name, found, depth=0):
    if depth > MAX_DEPTH:
        return found
    if node.get_role_name() == role and node.get_name() == name and showing(node):
        found.append(node)
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child:
            matches(child, role, name, found, depth + 1)
    return found


def application(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app and app.get_process_id() == pid:
            return app
    return None


def main():
    pid, role, name = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    index = int(sys.argv[4]) if len(sys.argv) > 4 else 0
    deadline = time.monotonic() + (float(sys.argv[5]) if len(sys.argv) > 5 else 10)
    while time.monotonic() < deadline:
        try:
            app = application(pid)
            controls = matches(app, role, name, []) if app else []
            if len(controls) > index:
                box = controls[index].get_extents(Atspi.CoordType.SCREEN)
                print(box.x, box.y, box.width, box.height)
                return 0
        except GLib.Error:
            pass  # the program changed its widgets meanwhile: look again
        time.sleep(0.05)
    return 1


if __name__ == "__main__":
    sys.exit(main())
