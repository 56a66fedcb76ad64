// Keeping the screen on while the toy plays in front, on X11: the X server's
// own screensaver is suspended (every desktop's idle clock reads it), and the
// desktop's screensaver service on the session bus, which phone shells and
// Wayland desktops offer, is asked to hold off. Both are let go when the toy
// pauses, and by the X server and the bus when the process ends.
#include <SDL_syswm.h>
#include <X11/extensions/scrnsaver.h>
#include <dbus/dbus.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform.h"

namespace {
DBusConnection* Session;
dbus_uint32_t Cookie;  // the service's for our request; 0 for none
bool Asked;

// The session bus that DBUS_SESSION_BUS_ADDRESS names, or the user's bus in
// XDG_RUNTIME_DIR: never one started for us, as libdbus would under X11.
DBusConnection* SessionBus() {
  if (Session || Asked) return Session;
  Asked = true;
  std::string address;
  if (const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
    address = named;
  } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
    std::string socket = std::string(runtime) + "/bus";
    if (access(socket.c_str(), F_OK) == 0) address = "unix:path=" + socket;
  }
  if (!address.empty()) Session = OpenBus(address.c_str());
  return Session;
}

// Inhibit (a cookie back) or UnInhibit(cookie), waiting a moment for the answer.
void AskScreenSaver(bool on) {
  DBusConnection* bus = SessionBus();
  if (!bus || on == (Cookie != 0)) return;
  DBusMessage* call = dbus_message_new_method_call("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                                   "org.freedesktop.ScreenSaver", on ? "Inhibit" : "UnInhibit");
  if (!call) return;
  const char *application = "pegpond", *reason = "Playing";
  bool filled = on ? dbus_message_append_args(call, DBUS_TYPE_STRING, &application, DBUS_TYPE_STRING, &reason,
                                              DBUS_TYPE_INVALID)
                   : dbus_message_append_args(call, DBUS_TYPE_UINT32, &Cookie, DBUS_TYPE_INVALID);
  DBusMessage* reply = nullptr;
  if (filled) reply = dbus_connection_send_with_reply_and_block(bus, call, 500, nullptr);
  dbus_message_unref(call);
  dbus_uint32_t cookie = 0;
  if (on && reply) dbus_message_get_args(reply, nullptr, DBUS_TYPE_UINT32, &cookie, DBUS_TYPE_INVALID);
  Cookie = on ? cookie : 0;
  if (reply) dbus_message_unref(reply);
}
}  // namespace

void KeepScreenOn(bool on) {
  SDL_SysWMinfo wm;
  SDL_VERSION(&wm.version);
  if (SDL_GetWMInfo(&wm) != 1 || wm.subsystem != SDL_SYSWM_X11) return;
  if (wm.info.x11.lock_func) wm.info.x11.lock_func();  // SDL's event thread shares the connection
  int event, error;
  if (XScreenSaverQueryExtension(wm.info.x11.display, &event, &error)) XScreenSaverSuspend(wm.info.x11.display, on);
  XFlush(wm.info.x11.display);
  if (wm.info.x11.unlock_func) wm.info.x11.unlock_func();
  AskScreenSaver(on);
}
