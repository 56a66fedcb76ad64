// iio-sensor-proxy, which phone shells run to turn the screen: where it holds
// the accelerometer (its buffer makes raw reads fail with EBUSY), its D-Bus
// orientation is the one reading to be had. Shaking needs raw readings.
// Nothing here waits on the bus in a frame: replies and signals are taken as
// they come.
#include <dbus/dbus.h>

#include <cstdlib>
#include <cstring>

#include "platform.h"

namespace {
const char* const Service = "net.hadess.SensorProxy";
const char* const Path = "/net/hadess/SensorProxy";
DBusConnection* Bus;
dbus_uint32_t AskedAll;        // the serial of the GetAll whose reply is awaited
int Side[2];                   // x, y of the side that is down; 0, 0 for none
bool Known;                    // an orientation other than "undefined" came
int CallsUntilTry = 0;         // frames until a bus or proxy that failed is tried again
const int RetryInterval = 300;  // about ten seconds of frames

DBusMessage* ProxyCall(const char* interface, const char* method) {
  return dbus_message_new_method_call(Service, Path, interface, method);
}

void Release() {
  if (!Bus) return;
  if (DBusMessage* release = ProxyCall(Service, "ReleaseAccelerometer")) {
    dbus_message_set_no_reply(release, TRUE);
    dbus_connection_send(Bus, release, nullptr);
    dbus_message_unref(release);
    dbus_connection_flush(Bus);
  }
  dbus_connection_close(Bus);
  dbus_connection_unref(Bus);
  Bus = nullptr;
}

void TakeOrientation(const char* name) {
  static const struct {
    const char* name;
    int x, y;
  } Sides[] = {{"normal", 0, 1}, {"bottom-up", 0, -1}, {"left-up", 1, 0}, {"right-up", -1, 0}};
  Known = false;
  for (const auto& side : Sides)
    if (!std::strcmp(name, side.name)) Side[0] = side.x, Side[1] = side.y, Known = true;
}

// The properties of a GetAll reply or a PropertiesChanged signal: a{sv}.
void TakeProperties(DBusMessageIter* array) {
  if (dbus_message_iter_get_arg_type(array) != DBUS_TYPE_ARRAY) return;
  DBusMessageIter entry;
  for (dbus_message_iter_recurse(array, &entry); dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_DICT_ENTRY;
       dbus_message_iter_next(&entry)) {
    DBusMessageIter field, value;
    dbus_message_iter_recurse(&entry, &field);
    if (dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_STRING) continue;
    const char* name = nullptr;
    dbus_message_iter_get_basic(&field, &name);
    dbus_message_iter_next(&field);
    if (dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_VARIANT) continue;
    dbus_message_iter_recurse(&field, &value);
    if (!std::strcmp(name, "AccelerometerOrientation") && dbus_message_iter_get_arg_type(&value) == DBUS_TYPE_STRING) {
      const char* orientation = nullptr;
      dbus_message_iter_get_basic(&value, &orientation);
      TakeOrientation(orientation);
    }
  }
}

void Take(DBusMessage* message) {
  DBusMessageIter args;
  if (dbus_message_get_reply_serial(message) == AskedAll && AskedAll) {
    AskedAll = 0;
    if (dbus_message_get_type(message) == DBUS_MESSAGE_TYPE_ERROR) {
      Release();  // no proxy (or it refused): try again later
      CallsUntilTry = RetryInterval;
    } else if (dbus_message_iter_init(message, &args)) {
      TakeProperties(&args);
    }
  } else if (dbus_message_is_signal(message, "org.freedesktop.DBus.Properties", "PropertiesChanged") &&
             dbus_message_iter_init(message, &args) && dbus_message_iter_get_arg_type(&args) == DBUS_TYPE_STRING) {
    const char* interface = nullptr;
    dbus_message_iter_get_basic(&args, &interface);
    if (!std::strcmp(interface, Service) && dbus_message_iter_next(&args)) TakeProperties(&args);
  }
}

// Connects, asks for the orientation's changes, claims the accelerometer and
// asks for its properties; the replies come in later frames.
void Claim() {
  // The system bus, or the one named for this process: read at each try,
  // where libdbus's own lookup keeps the first it found.
  const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  Bus = OpenBus(address ? address : "unix:path=/run/dbus/system_bus_socket");
  if (!Bus) return;
  static bool releaseAtExit = !std::atexit(Release);
  (void)releaseAtExit;
  dbus_bus_add_match(Bus, "type='signal',sender='net.hadess.SensorProxy',path='/net/hadess/SensorProxy',"
                     "interface='org.freedesktop.DBus.Properties',member='PropertiesChanged'", nullptr);
  DBusMessage* claim = ProxyCall(Service, "ClaimAccelerometer");
  DBusMessage* getAll = ProxyCall("org.freedesktop.DBus.Properties", "GetAll");
  const char* interface = Service;
  if (claim && getAll && dbus_message_append_args(getAll, DBUS_TYPE_STRING, &interface, DBUS_TYPE_INVALID)) {
    dbus_connection_send(Bus, claim, nullptr);  // its reply, or error, is answered by GetAll's
    dbus_connection_send(Bus, getAll, &AskedAll);
  }
  if (claim) dbus_message_unref(claim);
  if (getAll) dbus_message_unref(getAll);
}
}  // namespace

DBusConnection* OpenBus(const char* address) {
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* bus = dbus_connection_open_private(address, &error);
  if (bus && !dbus_bus_register(bus, &error)) {
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    bus = nullptr;
  }
  dbus_error_free(&error);
  if (bus) dbus_connection_set_exit_on_disconnect(bus, FALSE);
  return bus;
}

bool ReadSensorProxy(TiltAxes* axes) {
  if (!Bus) {
    if (CallsUntilTry-- > 0) return false;
    CallsUntilTry = RetryInterval;
    Known = false;
    Claim();
    if (!Bus) return false;
  }
  if (!dbus_connection_read_write(Bus, 0)) {  // the bus went away
    Release();
    Known = false;
    return false;
  }
  while (Bus) {
    DBusMessage* message = dbus_connection_pop_message(Bus);
    if (!message) break;
    Take(message);
    dbus_message_unref(message);
  }
  if (!Known) return false;
  *axes = TiltToward(Side[0], Side[1]);
  return true;
}

void ForgetSensorProxy() {
  Release();
  Known = false;
  AskedAll = 0;
  CallsUntilTry = 0;
}
