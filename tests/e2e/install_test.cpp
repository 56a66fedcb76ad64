// The installed toy: cmake --install into a temporary prefix, then the
// launcher under Xvfb, its per-user folder, and its sentences for a failed start.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "program_test.h"

namespace {
class Installed : public ProgramTest {
 protected:
  static std::string prefix;

  static void SetUpTestSuite() {
    prefix = MakeEmptyDir();
    std::string command = "cmake --install '" + std::string(PEGPOND_BUILD_DIR) + "' --prefix '" + prefix + "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  static void TearDownTestSuite() { RemoveDir(prefix); }
  // The per-user data home lies inside the working folder.
  void SetUp() override { Prepare(); }
  Program Launch(const std::string& audio) {
    return StartPegpond(server, dir, audio, prefix + "/bin/pegpond", {"XDG_DATA_HOME=" + dir + "/data"});
  }
  static bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }
};
std::string Installed::prefix;

TEST_F(Installed, LayoutHasLauncherProgramDataDesktopEntryAndIcon) {
  for (const char* file : {"/bin/pegpond", "/libexec/pegpond/pegpond", "/libexec/pegpond/pegpond-probe",
                           "/share/pegpond/note00.wav", "/share/pegpond/note15.wav", "/share/pegpond/peg.png",
                           "/share/pegpond/background.png", "/share/pegpond/splash.png",
                           "/share/applications/pegpond.desktop", "/share/icons/hicolor/64x64/apps/pegpond.png"})
    EXPECT_TRUE(Exists(prefix + file)) << file;
  EXPECT_EQ(access((prefix + "/bin/pegpond").c_str(), X_OK), 0);
}

TEST_F(Installed, LauncherRunsTheToyInThePerUserFolderAndPassesTheQuitOn) {
  program = Launch("dummy");
  ASSERT_TRUE(WaitForWindow(server)) << WhyNoWindow(program);
  EXPECT_TRUE(Exists(dir + "/data/pegpond/note07.wav"));
  // A save lands in the per-user folder.
  Xdo(server, "mousemove 22 427 click 1");  // ends the intro
  Xdo(server, "click 1 key shift+4");
  SleepMs(1000);
  struct stat st;
  ASSERT_EQ(stat((dir + "/data/pegpond/motif4.pat").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 192);
  kill(program.pid, SIGTERM);
  EXPECT_EQ(WaitExit(program), 0);
  EXPECT_EQ(ReadFile(program.errFile), "");
}

TEST_F(Installed, AFailingAudioDeviceIsNamed) {
  program = Launch("no-such-driver");
  EXPECT_EQ(WaitExit(program, 20000), 255);
  std::string said = ReadFile(program.errFile);
  EXPECT_NE(said.find("no audio device could be opened"), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST_F(Installed, AMissingNoteSampleIsNamed) {
  std::string sample = prefix + "/share/pegpond/note07.wav";
  ASSERT_EQ(rename(sample.c_str(), (sample + ".away").c_str()), 0);
  program = Launch("dummy");
  int status = WaitExit(program, 20000);
  rename((sample + ".away").c_str(), sample.c_str());
  EXPECT_EQ(status, 255);
  std::string said = ReadFile(program.errFile);
  EXPECT_NE(said.find("the note sample note07.wav is missing"), std::string::npos) << said;
}
}  // namespace
