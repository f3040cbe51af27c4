#!/usr/bin/env python3
"""What a window manager would do, for the window tests:
  window_x.py close ID   ask the window to close (WM_DELETE_WINDOW)
  window_x.py unfocus    give the keyboard focus back to the root window"""
import ctypes
import sys

x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
x.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]


display = x.XOpenDisplay(None)
if not display:
    sys.exit("no display")
if sys.argv[1] == "unfocus":
    x.XSetInputFocus(display, 1, 1, 0)  # PointerRoot, RevertToPointerRoot, CurrentTime
    x.XFlush(display)
    x.XCloseDisplay(display)
    sys.exit(0)
window = int(sys.argv[2], 0)
ev = Event()
ev.xclient.type = 33  # ClientMessage
ev.xclient.window = window
ev.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
ev.xclient.format = 32
ev.xclient.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
ev.xclient.data[1] = 0  # CurrentTime
if not x.XSendEvent(display, window, 0, 0, ctypes.byref(ev)):
    sys.exit("not sent")
x.XFlush(display)
x.XCloseDisplay(display)
