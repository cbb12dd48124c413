#!/usr/bin/env python3
"""Moxel's window as assistive technology reads it, over AT-SPI.

usage: accessibility_tree.py tree
         Prints each control of Moxel's window, one a line:
         role <TAB> name <TAB> description
       accessibility_tree.py watch SECONDS
         Prints "ready" once it listens, then each change of a description,
         as it comes: description <TAB> name <TAB> new description; ends after
         SECONDS.
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


def clean(text):
    return (text or "").replace("\t", " ").replace("\n", " ")


def tree(app):
    for control in controls(app):
        print(f"{control.getRoleName()}\t{clean(control.name)}\t{clean(control.description)}")


def watch(seconds):
    def changed(event):
        print(f"description\t{clean(event.source.name)}\t{clean(event.source.description)}",
              flush=True)

    pyatspi.Registry.registerEventListener(changed, "object:property-change:accessible-description")
    GLib.timeout_add(int(seconds * 1000), pyatspi.Registry.stop)
    GLib.idle_add(lambda: print("ready", flush=True) and False)
    pyatspi.Registry.start()


def main():
    app = moxel()
    if app is None:
        return 1
    if sys.argv[1] == "tree":
        tree(app)
    else:
        watch(float(sys.argv[2]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
