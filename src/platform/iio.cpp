// Linux IIO accelerometers, as phones and convertibles have them, read from sysfs.
#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform.h"

namespace {
bool ReadNumber(const std::string& path, double* value) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return false;
  bool ok = std::fscanf(file, "%lf", value) == 1;
  std::fclose(file);
  return ok;
}

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
    if (!ReadNumber(base + "in_accel_x_raw", &raw) || !ReadNumber(base + "in_accel_y_raw", &raw) ||
        !ReadNumber(base + "in_accel_z_raw", &raw))
      continue;
    IioAccelerometer s;
    s.dir = base;
    const char* axes = "xyz";
    for (int a = 0; a < 3; ++a) {
      // One scale for all axes, or one per axis.
      if (!ReadNumber(base + "in_accel_scale", &scale) &&
          !ReadNumber(base + "in_accel_" + axes[a] + "_scale", &scale))
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

bool ReadIioAccelerometer(const IioAccelerometer& sensor, TiltAxes* axes) {
  double raw[3];
  if (!ReadNumber(sensor.dir + "in_accel_x_raw", &raw[0]) || !ReadNumber(sensor.dir + "in_accel_y_raw", &raw[1]) ||
      !ReadNumber(sensor.dir + "in_accel_z_raw", &raw[2]))
    return false;
  *axes = IioToJoystick(sensor, raw);
  return true;
}

void SetTiltSensorRoot(const char* root) {
  SensorRoot = root;
  Sensor = IioAccelerometer{};
  CallsUntilSearch = 0;
}

bool ReadTiltSensor(TiltAxes* axes) {
  if (Sensor.dir.empty()) {
    if (CallsUntilSearch-- > 0) return false;
    CallsUntilSearch = SearchInterval;
    if (!FindIioAccelerometer(SensorRoot.c_str(), &Sensor)) return false;
  }
  if (ReadIioAccelerometer(Sensor, axes)) return true;
  Sensor = IioAccelerometer{};  // gone (unplugged, driver unloaded): look again later
  CallsUntilSearch = SearchInterval;
  return false;
}
