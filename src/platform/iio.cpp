// Linux IIO accelerometers, as phones and convertibles have them, read from sysfs.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform.h"

namespace {
// 0, or why there is no number: the errno of the open or of the read.
int ReadNumber(const std::string& path, double* value) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  char text[64];
  ssize_t got = read(fd, text, sizeof text - 1);
  int error = got < 0 ? errno : 0;
  close(fd);
  if (error) return error;
  text[got] = 0;
  char* end = nullptr;
  *value = std::strtod(text, &end);
  return end == text ? EINVAL : 0;
}

// A driver that is busy (a buffer enabled by another reader), or a bus that
// fails for a moment: the sensor is still there.
bool Transient(int error) { return error == EBUSY || error == EAGAIN || error == EIO; }

// "a, b, c; d, e, f; g, h, i": rotates the sensor's axes into the device's.
bool ReadMountMatrix(const std::string& path, double m[9]) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return false;
  char text[256] = {0};
  size_t n = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  text[n] = 0;
  char* p = text;
  for (int i = 0; i < 9; ++i) {
    while (*p == ' ' || *p == ',' || *p == ';' || *p == '\n') ++p;
    char* end = nullptr;
    m[i] = std::strtod(p, &end);
    if (end == p) return false;
    p = end;
  }
  return true;
}

IioAccelerometer Sensor;
std::string SensorRoot = "/sys/bus/iio/devices";
int CallsUntilSearch = 0;
const int SearchInterval = 60;  // frames between looks for a sensor that is missing
// The last good reading stands in for reads that fail for about half a second
// of frames; after that there is no reading.
TiltAxes LastReading;
int FailedReads = 0;
bool HaveReading = false;
const int HeldReads = 15;
}  // namespace

bool FindIioAccelerometer(const char* root, IioAccelerometer* sensor) {
  DIR* dir = opendir(root);
  if (!dir) return false;
  bool found = false;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.rfind("iio:device", 0) != 0) continue;
    std::string base = std::string(root) + "/" + name + "/";
    double raw, scale;
    bool answers = true;  // also while busy: another reader may hold it for long
    for (const char* axis : {"x", "y", "z"}) {
      int error = ReadNumber(base + "in_accel_" + axis + "_raw", &raw);
      answers = answers && (!error || Transient(error));
    }
    if (!answers) continue;
    IioAccelerometer s;
    s.dir = base;
    const char* axes = "xyz";
    for (int a = 0; a < 3; ++a) {
      // One scale for all axes, or one per axis.
      if (ReadNumber(base + "in_accel_scale", &scale) && ReadNumber(base + "in_accel_" + axes[a] + "_scale", &scale))
        scale = 0;
      s.scale[a] = scale;
    }
    if (s.scale[0] == 0 || s.scale[1] == 0 || s.scale[2] == 0) continue;
    if (!ReadMountMatrix(base + "in_accel_mount_matrix", s.mount)) {
      const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
      for (int i = 0; i < 9; ++i) s.mount[i] = identity[i];
    }
    *sensor = s;
    found = true;
    break;
  }
  closedir(dir);
  return found;
}

TiltAxes IioToJoystick(const IioAccelerometer& sensor, const double raw[3]) {
  // Scaled, IIO reports m/s^2 along the sensor's axes; the mount matrix turns
  // them into the device's.
  double a[3], d[3];
  for (int i = 0; i < 3; ++i) a[i] = raw[i] * sensor.scale[i];
  for (int r = 0; r < 3; ++r) d[r] = sensor.mount[3 * r] * a[0] + sensor.mount[3 * r + 1] * a[1] + sensor.mount[3 * r + 2] * a[2];
  return AccelerationToTilt(d[0], d[1], d[2]);
}

int ReadIioAccelerometer(const IioAccelerometer& sensor, TiltAxes* axes) {
  double raw[3];
  for (int a = 0; a < 3; ++a)
    if (int error = ReadNumber(sensor.dir + "in_accel_" + "xyz"[a] + "_raw", &raw[a])) return error;
  *axes = IioToJoystick(sensor, raw);
  return 0;
}

void SetTiltSensorRoot(const char* root) {
  SensorRoot = root;
  Sensor = IioAccelerometer{};
  CallsUntilSearch = 0;
  HaveReading = false;
  ForgetSensorProxy();
}

bool ReadTiltSensor(TiltAxes* axes) {
  if (Sensor.dir.empty() && CallsUntilSearch-- <= 0) {
    CallsUntilSearch = SearchInterval;
    FindIioAccelerometer(SensorRoot.c_str(), &Sensor);
  }
  if (!Sensor.dir.empty()) {
    int error = ReadIioAccelerometer(Sensor, axes);
    if (!error) {
      LastReading = *axes, HaveReading = true, FailedReads = 0;
      return true;
    }
    if (!Transient(error)) {
      Sensor = IioAccelerometer{};  // gone (unplugged, driver unloaded): look again later
      CallsUntilSearch = SearchInterval;
      HaveReading = false;
    } else if (HaveReading && FailedReads < HeldReads) {
      ++FailedReads;
      *axes = LastReading;
      return true;
    }
  }
  // No raw readings to be had: iio-sensor-proxy's orientation, where it runs.
  return ReadSensorProxy(axes);
}
