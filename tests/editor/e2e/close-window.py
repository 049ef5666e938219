#!/usr/bin/python3
"""Asks an X11 window to close as a window manager's close button does: a
WM_DELETE_WINDOW client message (the window is not destroyed from outside)."""
import sys

from Xlib import X, display, protocol


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: close-window.py WINDOW_ID\n")
        return 2
    d = display.Display()
    window = d.create_resource_object("window", int(sys.argv[1], 0))
    protocols = d.intern_atom("WM_PROTOCOLS")
    delete = d.intern_atom("WM_DELETE_WINDOW")
    event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                         data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(event, event_mask=X.NoEventMask)
    # A round trip before closing: the server can drop a closed connection's
    # requests that it has not read yet.
    d.sync()
    d.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
