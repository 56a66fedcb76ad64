// What stands in for the handheld's accelerometer (held keys, Linux IIO
// sensors on fake sysfs trees, iio-sensor-proxy mocked on a bus of the test's
// own) and its activation events.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform.h"
#include "sequencer.h"

// A driver whose buffer another reader has enabled fails raw reads with EBUSY:
// while this is set, the fake tree's raw files fail so.
int FailRawReadsWith;
extern "C" ssize_t read(int fd, void* buffer, size_t size) {
  static auto real = reinterpret_cast<ssize_t (*)(int, void*, size_t)>(dlsym(RTLD_NEXT, "read"));
  char path[256] = {0};
  if (FailRawReadsWith && readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1) > 0 &&
      std::strstr(path, "/pegpond-iio-") && std::strstr(path, "_raw")) {
    errno = FailRawReadsWith;
    return -1;
  }
  return real(fd, buffer, size);
}

namespace {
bool Same(const TiltAxes& a, const TiltAxes& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// The stand-in readings steer and shake the sequencer as a real device would.
TEST(TiltKeys, ArrowsTiltOneWayEachUnlessTheCursorHasThemAndBackspaceShakes) {
  struct Case {
    std::initializer_list<SDLKey> keys;
    TiltAxes axes;
    int horizontal, vertical;
  } cases[] = {{{}, {0, 0, 32767}, 0, 0},
               {{SDLK_RIGHT}, {19661, 0, 26214}, 1, 0},   {{SDLK_LEFT}, {-19661, 0, 26214}, -1, 0},
               {{SDLK_UP}, {0, -19661, 26214}, 0, 1},     {{SDLK_DOWN}, {0, 19661, 26214}, 0, -1},
               {{SDLK_RIGHT, SDLK_UP}, {19661, -19661, 26214}, 0, 0},
               {{SDLK_BACKSPACE, SDLK_LEFT}, {32767, 32767, 32767}, 0, 0}};
  static Uint8 state[SDLK_LAST];
  for (const Case& c : cases) {
    std::memset(state, 0, sizeof state);
    for (SDLKey k : c.keys) state[k] = 1;
    TiltAxes a = TiltFromKeys(state);
    EXPECT_TRUE(Same(a, c.axes)) << a.x << "," << a.y << "," << a.z;
    EXPECT_EQ(TiltKeyHeld(state), c.keys.size() > 0);
    SweepLine = Playhead{0, 0, 0, 0, 0};
    SteerByTilt(ReadAccelerometer(a.x, a.y, a.z));
    EXPECT_TRUE(SweepLine.horizontalDirection == c.horizontal && SweepLine.verticalDirection == c.vertical);
    // While the arrows move the keyboard's cursor, only Backspace counts.
    ArrowsSteer = 0;
    EXPECT_EQ(TiltKeyHeld(state), state[SDLK_BACKSPACE] != 0);
    EXPECT_TRUE(state[SDLK_BACKSPACE] || Same(TiltFromKeys(state), cases[0].axes));
    ArrowsSteer = 1;
  }
}

TEST(ScreenScale, AWholeFactorForTheDisplayOrTheOverride) {
  struct Case {
    int width, height;
    const char* override;
    int factor, logicalWidth, logicalHeight;
  } cases[] = {{1080, 1920, nullptr, 3, 360, 640}, {320, 480, nullptr, 1, 320, 480}, {1920, 1080, nullptr, 1, 320, 480},
               {2560, 1440, nullptr, 2, 320, 480}, {3840, 2160, nullptr, 3, 320, 480}, {800, 600, nullptr, 1, 320, 480},
               {2560, 1440, "1", 1, 320, 480},     {1920, 1080, "4", 4, 320, 480},    {1080, 1920, "2", 2, 540, 960},
               {2560, 1440, "9", 2, 320, 480},     {2560, 1440, "0", 2, 320, 480},    {2560, 1440, "2.5", 2, 320, 480},
               {2560, 1440, "", 2, 320, 480}};
  for (const Case& c : cases) {
    ScreenScale s = ChooseScale(c.width, c.height, c.override);
    EXPECT_TRUE(s.factor == c.factor && s.width == c.logicalWidth && s.height == c.logicalHeight)
        << c.width << " x " << c.height << " " << (c.override ? c.override : "-") << ": " << s.factor;
  }
}

class Iio : public ::testing::Test {
 protected:
  std::string root;
  void SetUp() override {
    char name[] = "/tmp/pegpond-iio-XXXXXX";
    root = mkdtemp(name);
    Put("iio:device0", {{"in_illuminance_raw", "50"}});  // a light sensor comes first
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);  // never the machine's own proxy
  }
  void TearDown() override {
    FailRawReadsWith = 0;
    SetTiltSensorRoot("/nonexistent");
    ASSERT_EQ(std::system(("rm -rf '" + root + "'").c_str()), 0);
  }
  void Put(const std::string& device, std::initializer_list<std::pair<std::string, std::string>> files) {
    mkdir((root + "/" + device).c_str(), 0755);
    for (const auto& file : files) std::ofstream(root + "/" + device + "/" + file.first) << file.second << "\n";
  }
  void Accelerometer(const std::string& device, int x, int y, int z, const char* scale = "0.000598550") {
    Put(device, {{"in_accel_x_raw", std::to_string(x)}, {"in_accel_y_raw", std::to_string(y)},
                 {"in_accel_z_raw", std::to_string(z)}, {"in_accel_scale", scale}});
  }
  TiltAxes Read() {
    IioAccelerometer sensor;
    TiltAxes axes{1, 1, 1};
    EXPECT_TRUE(FindIioAccelerometer(root.c_str(), &sensor) && !ReadIioAccelerometer(sensor, &axes));
    return axes;
  }
};

TEST_F(Iio, ReadingsBecomeJoystickUnitsTheWayGravityPulls) {
  // One gravity is 16384 raw: x turns round (the right edge down reads
  // positive), and 32768 and beyond clamp to 16 bits.
  Accelerometer("iio:device1", -8192, 4096, 16384);
  EXPECT_TRUE(Same(Read(), TiltAxes{16384, 8192, 32767}));
  Accelerometer("iio:device1", 100000, -100000, -100000);
  EXPECT_TRUE(Same(Read(), TiltAxes{-32768, -32768, -32768}));
  // Per-axis scales (100 raw = 1 g) and a sensor mounted a quarter turn round.
  ASSERT_EQ(std::system(("rm -rf '" + root + "/iio:device1'").c_str()), 0);
  Put("iio:device3", {{"in_accel_x_raw", "100"}, {"in_accel_y_raw", "0"}, {"in_accel_z_raw", "0"},
                      {"in_accel_x_scale", "0.0980665"}, {"in_accel_y_scale", "0.0980665"},
                      {"in_accel_z_scale", "0.0980665"}, {"in_accel_mount_matrix", "0, 1, 0; -1, 0, 0; 0, 0, 1"}});
  EXPECT_TRUE(Same(Read(), TiltAxes{0, -32768, 0}));  // the sensor's x is the device's -y
}

TEST_F(Iio, TheTiltSourceFallsBackToTheKeysAndHeldKeysWin) {
  Accelerometer("iio:device1", 1, 1, 1, "0");  // no scale: not a usable accelerometer
  SetTiltSensorRoot(root.c_str());
  TiltAxes a;
  EXPECT_FALSE(ReadTiltSensor(&a));
  Accelerometer("iio:device2", -8192, 0, 16384);
  SetTiltSensorRoot(root.c_str());
  EXPECT_EQ(ReadTiltAxes(nullptr).x, 16384);
  Uint8* keys = SDL_GetKeyState(nullptr);
  keys[SDLK_LEFT] = 1;
  EXPECT_EQ(ReadTiltAxes(nullptr).x, -19661);
  keys[SDLK_LEFT] = 0;
  MotionSensing = 0;  // switched off, the sensor is not read: the keys, or lying flat
  EXPECT_TRUE(Same(ReadTiltAxes(nullptr), TiltAxes{0, 0, 32767}));
  MotionSensing = 1;
  // A sensor that disappears is dropped: lying flat until it is found again.
  ASSERT_EQ(std::system(("rm -rf '" + root + "/iio:device2'").c_str()), 0);
  EXPECT_TRUE(Same(ReadTiltAxes(nullptr), TiltAxes{0, 0, 32767}));
  EXPECT_FALSE(ReadTiltSensor(&a));
}

TEST_F(Iio, ReadsThatFailKeepTheLastReadingForAMomentThenThereIsNone) {
  Accelerometer("iio:device1", -8192, 0, 16384);
  SetTiltSensorRoot(root.c_str());
  EXPECT_EQ(ReadTiltAxes(nullptr).x, 16384);
  for (int error : {EBUSY, EIO, EAGAIN}) {
    FailRawReadsWith = error;
    for (int frame = 0; frame < 15; ++frame) EXPECT_EQ(ReadTiltAxes(nullptr).x, 16384) << error << " " << frame;
    // Then lying flat, still one gravity: it neither steers nor jolts.
    EXPECT_TRUE(Same(ReadTiltAxes(nullptr), TiltAxes{0, 0, 32767})) << error;
    FailRawReadsWith = 0;
    EXPECT_EQ(ReadTiltAxes(nullptr).x, 16384) << error;  // kept, so read again at once
  }
  // Busy from the start: found all the same, with no reading until it answers.
  FailRawReadsWith = EBUSY;
  SetTiltSensorRoot(root.c_str());
  TiltAxes a;
  EXPECT_FALSE(ReadTiltSensor(&a));
  FailRawReadsWith = 0;
  EXPECT_TRUE(ReadTiltSensor(&a) && a.x == 16384);
}

// iio-sensor-proxy as python3-dbusmock's template gives it, on a bus of the
// test's own that the program takes for the system bus.
class SensorProxy : public Iio {
 protected:
  std::string busPid, mockPid;
  void SetUp() override {
    Iio::SetUp();
    FILE* daemon = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    char address[512] = {0}, pid[32] = {0};
    ASSERT_TRUE(daemon && std::fgets(address, sizeof address, daemon) && std::fgets(pid, sizeof pid, daemon));
    pclose(daemon);
    address[std::strcspn(address, "\n")] = 0;
    busPid = pid;
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address, 1);
  }
  void TearDown() override {
    SetTiltSensorRoot("/nonexistent");  // releases the claim before the bus goes
    if (!mockPid.empty()) kill(std::stoi(mockPid), SIGTERM);
    kill(std::stoi(busPid), SIGTERM);
    Iio::TearDown();
  }
  std::string Ask(const std::string& what) {
    std::string out;
    if (FILE* p = popen(("dbus-send --system --print-reply " + what + " 2>&1").c_str(), "r")) {
      for (char line[256]; std::fgets(line, sizeof line, p);) out += line;
      pclose(p);
    }
    return out;
  }
  std::string Mock(const std::string& call) {
    return Ask("--dest=net.hadess.SensorProxy /net/hadess/SensorProxy org.freedesktop.DBus.Mock." + call);
  }
  void StartMock() {
    FILE* p = popen("/usr/bin/python3 -m dbusmock --system --template iio-sensors-proxy --parameters "
                    "'{\"has_accelerometer\": true, \"accelerometer_orientation\": \"normal\"}' >/dev/null 2>&1 & echo $!",
                    "r");
    char pid[32] = {0};
    ASSERT_TRUE(p && std::fgets(pid, sizeof pid, p));
    pclose(p);
    mockPid = pid;
    for (int tries = 0; tries < 500 && Mock("GetInternalProperty string:HasAccelerometer").find("true") == std::string::npos; ++tries)
      usleep(10000);
  }
  // The proxy's answers come in later frames: the reading once it is there.
  bool Until(const TiltAxes& want, bool (*source)(TiltAxes*) = ReadSensorProxy) {
    TiltAxes a;
    for (int frame = 0; frame < 500; ++frame, usleep(5000))
      if (source(&a) && Same(a, want)) return true;
    return false;
  }
};

TEST_F(SensorProxy, ItsOrientationSteersAsATiltOfThatSideWhenThereAreNoRawReadings) {
  TiltAxes a;
  for (int frame = 0; frame < 50; ++frame, usleep(2000)) EXPECT_FALSE(ReadSensorProxy(&a));  // not running
  ForgetSensorProxy();
  StartMock();
  ASSERT_TRUE(Until(TiltToward(0, 1)));  // upright: the bottom edge down
  EXPECT_NE(Mock("GetInternalProperty string:AccelerometerOwners").find("string \":"), std::string::npos);  // claimed
  struct Case {
    const char* orientation;
    int horizontal, vertical;
  } cases[] = {{"left-up", 1, 0}, {"bottom-up", 0, 1}, {"right-up", -1, 0}, {"normal", 0, -1}};
  for (const Case& c : cases) {
    Mock(std::string("SetInternalProperty string:net.hadess.SensorProxy string:AccelerometerOrientation variant:string:") +
         c.orientation);
    ASSERT_TRUE(Until(TiltToward(c.horizontal, -c.vertical))) << c.orientation;
    SweepLine = Playhead{0, 0, 0, 0, 0};
    a = TiltToward(c.horizontal, -c.vertical);
    SteerByTilt(ReadAccelerometer(a.x, a.y, a.z));
    EXPECT_TRUE(SweepLine.horizontalDirection == c.horizontal && SweepLine.verticalDirection == c.vertical) << c.orientation;
  }
  Mock("SetInternalProperty string:net.hadess.SensorProxy string:AccelerometerOrientation variant:string:undefined");
  bool none = false;
  for (int frame = 0; frame < 500 && !none; ++frame, usleep(5000)) none = !ReadSensorProxy(&a);
  EXPECT_TRUE(none);
  // Raw readings win while there are any; busy for longer than a moment, the orientation.
  Mock("SetInternalProperty string:net.hadess.SensorProxy string:AccelerometerOrientation variant:string:right-up");
  Accelerometer("iio:device1", 0, -8192, 16384);
  SetTiltSensorRoot(root.c_str());
  EXPECT_TRUE(ReadTiltSensor(&a) && Same(a, TiltAxes{0, -16384, 32767}));
  FailRawReadsWith = EBUSY;
  EXPECT_TRUE(Until(TiltToward(-1, 0), ReadTiltSensor));
  // Let go at the end: no claim is left behind.
  SetTiltSensorRoot("/nonexistent");
  bool released = false;
  for (int tries = 0; tries < 500 && !released; ++tries, usleep(5000))
    released = Mock("GetInternalProperty string:AccelerometerOwners").find("string \":") == std::string::npos;
  EXPECT_TRUE(released);
}
}  // namespace
