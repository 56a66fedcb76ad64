// Linux IIO accelerometers on fake sysfs trees.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform.h"
#include "sequencer.h"

namespace {
class Iio : public ::testing::Test {
 protected:
  std::string root;
  void SetUp() override {
    char name[] = "/tmp/pegpond-iio-XXXXXX";
    root = mkdtemp(name);
  }
  void TearDown() override {
    SetTiltSensorRoot("/nonexistent");
    ASSERT_EQ(std::system(("rm -rf '" + root + "'").c_str()), 0);
  }
  std::string Device(const std::string& name) {
    std::string dir = root + "/" + name;
    mkdir(dir.c_str(), 0755);
    return dir;
  }
  static void Put(const std::string& dir, const std::string& file, const std::string& text) {
    std::ofstream(dir + "/" + file) << text << "\n";
  }
  // A sensor reading one gravity as 16384 raw units.
  std::string Accelerometer(int x, int y, int z) {
    Put(Device("iio:device0"), "in_illuminance_raw", "50");  // a light sensor comes first
    std::string dir = Device("iio:device1");
    Put(dir, "in_accel_x_raw", std::to_string(x));
    Put(dir, "in_accel_y_raw", std::to_string(y));
    Put(dir, "in_accel_z_raw", std::to_string(z));
    Put(dir, "in_accel_scale", "0.000598550");
    return dir;
  }
  TiltAxes Read() {
    IioAccelerometer sensor;
    EXPECT_TRUE(FindIioAccelerometer(root.c_str(), &sensor));
    TiltAxes axes{0, 0, 0};
    EXPECT_TRUE(ReadIioAccelerometer(sensor, &axes));
    return axes;
  }
};

TEST_F(Iio, ScaledToJoystickUnitsWithOneGravityAt32768) {
  Accelerometer(-8192, 4096, 16384);  // flat would be z = 1 g
  TiltAxes a = Read();
  EXPECT_NEAR(a.x, 16384, 2);  // x turns round: the right edge down reads positive
  EXPECT_NEAR(a.y, 8192, 2);
  EXPECT_EQ(a.z, 32767);  // 32768 clamps to the 16-bit range
}

TEST_F(Iio, ReadingsClampToSixteenBits) {
  Accelerometer(100000, -100000, -100000);
  TiltAxes a = Read();
  EXPECT_EQ(a.x, -32768);
  EXPECT_EQ(a.y, -32768);
  EXPECT_EQ(a.z, -32768);
}

TEST_F(Iio, PerAxisScalesAndTheMountMatrixAreHonoured) {
  std::string dir = Device("iio:device3");
  Put(dir, "in_accel_x_raw", "100");
  Put(dir, "in_accel_y_raw", "0");
  Put(dir, "in_accel_z_raw", "0");
  Put(dir, "in_accel_x_scale", "0.0980665");  // 100 raw = 1 g
  Put(dir, "in_accel_y_scale", "0.0980665");
  Put(dir, "in_accel_z_scale", "0.0980665");
  Put(dir, "in_accel_mount_matrix", "0, 1, 0; -1, 0, 0; 0, 0, 1");  // sensor mounted a quarter turn round
  TiltAxes a = Read();
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(a.y, -32768);  // the sensor's x is the device's -y
  EXPECT_EQ(a.z, 0);
}

TEST_F(Iio, TreesWithoutAnAccelerometerFindNothing) {
  Put(Device("iio:device0"), "in_illuminance_raw", "50");
  std::string noScale = Device("iio:device1");
  Put(noScale, "in_accel_x_raw", "1");
  Put(noScale, "in_accel_y_raw", "1");
  Put(noScale, "in_accel_z_raw", "1");
  IioAccelerometer sensor;
  EXPECT_FALSE(FindIioAccelerometer(root.c_str(), &sensor));
  EXPECT_FALSE(FindIioAccelerometer("/nonexistent", &sensor));
}

TEST_F(Iio, TiltingRightSteersRightThroughTheSensor) {
  // The right edge lowered by about 37 degrees: the push against gravity
  // leans towards -x.
  Accelerometer(-9830, 0, 13107);
  TiltAxes a = Read();
  SweepLine = Playhead{};
  SteerByTilt(ReadAccelerometer(a.x, a.y, a.z));
  EXPECT_EQ(SweepLine.horizontalDirection, 1);
}

TEST_F(Iio, SensorThatDisappearsFallsBackToTheKeys) {
  std::string dir = Accelerometer(0, 0, 16384);
  SetTiltSensorRoot(root.c_str());
  TiltAxes a{0, 0, 0};
  ASSERT_TRUE(ReadTiltSensor(&a));
  EXPECT_EQ(a.z, 32767);
  ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
  EXPECT_FALSE(ReadTiltSensor(&a));
  TiltAxes fallback = ReadTiltAxes(nullptr);  // no keys held: lying flat
  EXPECT_EQ(fallback.x, 0);
  EXPECT_EQ(fallback.z, 32767);
}

TEST_F(Iio, HeldKeysWinOverTheSensor) {
  Accelerometer(-8192, 0, 16384);
  SetTiltSensorRoot(root.c_str());
  Uint8* keys = SDL_GetKeyState(nullptr);
  keys[SDLK_LEFT] = 1;
  TiltAxes held = ReadTiltAxes(nullptr);
  keys[SDLK_LEFT] = 0;
  EXPECT_EQ(held.x, -19661);
  EXPECT_NEAR(ReadTiltAxes(nullptr).x, 16384, 2);  // the sensor again
}
}  // namespace
