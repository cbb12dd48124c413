#!/usr/bin/env python3
"""Moxel's window as assistive technology reads it, over AT-SPI.

usage: accessibility_tree.py tree
         Prints each control of the window, one a line: role, name and
         description, tab-separated.
       accessibility_tree.py watch SECONDS
         Prints "ready" once it listens, then each change of a label's
         description as it comes ("description", name, new description); ends
         once two labels have changed and come back to their first
         description, or after SECONDS.
Exit status 1 when Moxel is not on the accessibility bus.
"""
import sys

import pyatspi
from gi.repository import GLib


def moxel():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name.lower() == "moxel":
            return app
    return None


def controls(node):
    for child in node:
        if child is None:
            continue
        yield child
        if child.getRole() != pyatspi.ROLE_COMBO_BOX:  # not the entries of its list
            yield from controls(child)


def line(*fields):
    print("\t".join((field or "").replace("\t", " ").replace("\n", " ") for field in fields),
          flush=True)


def watch(app, seconds):
    first = {c.name: c.description for c in controls(app) if c.getRole() == pyatspi.ROLE_LABEL}
    changed, back = set(), set()

    def on_change(event):
        name, description = event.source.name, event.source.description
        line("description", name, description)
        if description != first.get(name):
            changed.add(name)
        elif name in changed:
            back.add(name)
        if len(back) >= 2:
            pyatspi.Registry.stop()

    pyatspi.Registry.registerEventListener(on_change, "object:property-change:accessible-description")
    GLib.timeout_add(int(seconds * 1000), pyatspi.Registry.stop)
    GLib.idle_add(lambda: line("ready") and False)
    pyatspi.Registry.start()


def main():
    app = moxel()
    if app is None:
        return 1
    if sys.argv[1] == "tree":
        for control in controls(app):
            line(control.getRoleName(), control.name, control.description)
    else:
        watch(app, float(sys.argv[2]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
