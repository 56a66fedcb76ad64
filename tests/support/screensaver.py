#!/usr/bin/python3
# The X server's screensaver: "on" once it has started, else "off"; with a
# number, first sets its timeout to that many idle seconds.
#   screensaver.py [TIMEOUT]
import ctypes
import sys

x11 = ctypes.CDLL('libX11.so.6')
xss = ctypes.CDLL('libXss.so.1')
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XSetScreenSaver.argtypes = [ctypes.c_void_p] + [ctypes.c_int] * 4
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
info = (ctypes.c_ulong * 8)()  # XScreenSaverInfo: window, then state
xss.XScreenSaverQueryInfo.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
display = x11.XOpenDisplay(None)
if len(sys.argv) > 1:
    x11.XSetScreenSaver(display, int(sys.argv[1]), 0, 1, 1)
    x11.XSync(display, 0)
xss.XScreenSaverQueryInfo(display, x11.XDefaultRootWindow(display), info)
print('on' if ctypes.cast(info, ctypes.POINTER(ctypes.c_int))[2] == 1 else 'off')
