// Runs the real program under Xvfb: a private X server, real X input through
// xdotool, screenshots through xwd, and sound captured by SDL's disk driver.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct XServer {
  pid_t pid = -1;
  int display = -1;
  std::string Name() const { return ":" + std::to_string(display); }
};
// Starts Xvfb on a free display with one screen of the given size.
XServer StartXvfb(int width, int height);
void StopXvfb(XServer& server);

// A fresh working directory holding the generated data files, less the note
// whose number is given (-1 keeps all).
std::string MakeWorkDir(int missingNote = -1);
std::string MakeEmptyDir();
void RemoveDir(const std::string& dir);

struct Program {
  pid_t pid = -1;
  std::string dir;
  std::string soundFile;  // the disk driver's capture, when used
  std::string outFile, errFile;
};
// Starts build/pegpond (or another binary, such as the installed launcher) in
// dir under the X server. audio: "dummy", "disk" (real-time capture into
// dir/sound.raw) or any other driver name; moreEnv adds NAME=value settings.
Program StartPegpond(const XServer& server, const std::string& dir, const std::string& audio = "dummy",
                     const std::string& binary = "", const std::vector<std::string>& moreEnv = {});
// Waits for the program's window (and a little more for its start-up).
bool WaitForWindow(const XServer& server, int timeoutMs = 20000);
// Says, for a failed wait, whether the program is still running or how it ended.
std::string WhyNoWindow(Program& program);
// Waits for exit; returns the exit status, or -1 on a signal or a timeout (the
// program is then killed).
int WaitExit(Program& program, int timeoutMs = 10000);
void Terminate(Program& program);
bool Running(const Program& program);
std::string ReadFile(const std::string& path);

// Runs xdotool with these arguments on the server; true on success.
bool Xdo(const XServer& server, const std::string& args);
void SleepMs(int ms);

// A screenshot of the whole screen as 8-bit RGB rows from the top.
struct Screenshot {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};
Screenshot TakeScreenshot(const XServer& server);
