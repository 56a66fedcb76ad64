// What stands in for the handheld's accelerometer (held keys, Linux IIO
// sensors on fake sysfs trees) and its activation events.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform.h"
#include "sequencer.h"

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
  }
  void TearDown() override {
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
    EXPECT_TRUE(FindIioAccelerometer(root.c_str(), &sensor) && ReadIioAccelerometer(sensor, &axes));
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
}  // namespace
