// The take key: w starts a take, named by the local date and time, and stops it.
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "app.h"
#include "audio.h"

static bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string NewTakePath(const std::string& folder, time_t now) {
  tm local{};
  localtime_r(&now, &local);
  char stamp[40];
  std::strftime(stamp, sizeof stamp, "pegpond-%Y-%m-%d-%H%M%S", &local);
  std::string path = folder + "/" + stamp;
  // Two takes in one second: the second one is "-2", and so on.
  for (int n = 2; Exists(path + ".wav") || Exists(path + ".mid"); ++n) path = folder + "/" + stamp + "-" + std::to_string(n);
  return path;
}

void ToggleTake() {
  if (FollowTake()) {
    StopTake();
    Announce("recording stopped");
    return;
  }
  std::string folder = TakeFolder();
  for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
    mkdir(folder.substr(0, slash).c_str(), 0777);
  mkdir(folder.c_str(), 0777);
  Announce(StartTake(NewTakePath(folder, std::time(nullptr))) ? "recording" : "cannot record");
}
