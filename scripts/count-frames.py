#!/usr/bin/env python3
"""Counts the frames a window shows: how many times the X server reports new drawing in it (the DAMAGE
extension, one report per frame: each report is acknowledged, so the next drawing reports again) over
SECONDS, printed as frames per second. Measures a magnifier's real refresh rate from outside; the
counting itself costs the X server a little, so the bench counts in runs of their own.

    python3 scripts/count-frames.py WINDOW-ID SECONDS      (DISPLAY names the display)
"""
import ctypes
import ctypes.util
import select
import sys
import time

REPORT_NON_EMPTY = 3  # one report whenever the damage goes from none to some
DAMAGE_NOTIFY = 0


def library(name, fallback):
    found = ctypes.util.find_library(name)
    return ctypes.CDLL(found or fallback)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    window = int(sys.argv[1], 0)
    seconds = float(sys.argv[2])
    x11 = library("X11", "libX11.so.6")
    damage = library("Xdamage", "libXdamage.so.1")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    for f in (x11.XPending, x11.XConnectionNumber, x11.XFlush):
        f.argtypes = [ctypes.c_void_p]
    x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    damage.XDamageQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                             ctypes.POINTER(ctypes.c_int)]
    damage.XDamageCreate.restype = ctypes.c_ulong
    damage.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
    damage.XDamageSubtract.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the display")
    event_base, error_base = ctypes.c_int(), ctypes.c_int()
    if not damage.XDamageQueryExtension(display, ctypes.byref(event_base), ctypes.byref(error_base)):
        sys.exit("the X server has no DAMAGE extension")
    handle = damage.XDamageCreate(display, window, REPORT_NON_EMPTY)
    x11.XFlush(display)
    event = ctypes.create_string_buffer(192)  # an XEvent
    fd = x11.XConnectionNumber(display)
    frames = 0
    start = time.monotonic()
    end = start + seconds
    while True:
        left = end - time.monotonic()
        if left <= 0:
            break
        if not x11.XPending(display):
            select.select([fd], [], [], left)
            continue
        x11.XNextEvent(display, event)
        if ctypes.c_int.from_buffer(event).value == event_base.value + DAMAGE_NOTIFY:
            frames += 1
            damage.XDamageSubtract(display, handle, 0, 0)
            x11.XFlush(display)
    print("%.2f" % (frames / seconds))


if __name__ == "__main__":
    main()
