#!/usr/bin/python3
"""Counts the frames an Orvilane window draws: the program sets its title once
per frame, so each _NET_WM_NAME change is a frame. Appends one byte to FILE
per frame (its size is the count) until the window is destroyed."""
import os
import sys

from Xlib import X, display, error


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: count-frames.py WINDOW_ID FILE\n")
        return 2
    d = display.Display()
    window = d.create_resource_object("window", int(sys.argv[1], 0))
    title = d.intern_atom("_NET_WM_NAME")
    out = os.open(sys.argv[2], os.O_WRONLY | os.O_APPEND | os.O_CREAT)
    try:
        window.change_attributes(event_mask=X.PropertyChangeMask | X.StructureNotifyMask)
        d.sync()
        while True:
            event = d.next_event()
            if event.type == X.PropertyNotify and event.atom == title:
                os.write(out, b".")
            elif event.type == X.DestroyNotify:
                return 0
    except (error.XError, error.ConnectionClosedError):
        return 0  # the window or the display is gone


if __name__ == "__main__":
    sys.exit(main())
