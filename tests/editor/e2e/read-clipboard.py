#!/usr/bin/python3
"""Prints the CLIPBOARD selection as UTF-8 text. The owner answers from its
event loop (a program's next frame), so the answer is awaited up to SECONDS.
Exit status 1: no owner or no text; 2: no answer in time."""
import select
import sys
import time

from Xlib import X, display


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: read-clipboard.py SECONDS\n")
        return 2
    d = display.Display()
    window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    target = d.intern_atom("UTF8_STRING")
    into = d.intern_atom("E2E_CLIPBOARD")
    window.convert_selection(d.intern_atom("CLIPBOARD"), target, into, X.CurrentTime)
    d.flush()
    deadline = time.monotonic() + float(sys.argv[1])
    while True:
        while d.pending_events():
            event = d.next_event()
            if event.type != X.SelectionNotify:
                continue
            if event.property == X.NONE:
                return 1
            value = window.get_full_property(into, X.AnyPropertyType)
            if value is None:
                return 1
            text = value.value
            sys.stdout.write(text.decode("utf-8") if isinstance(text, bytes) else str(text))
            return 0
        left = deadline - time.monotonic()
        if left <= 0:
            return 2
        select.select([d.fileno()], [], [], left)


if __name__ == "__main__":
    sys.exit(main())
