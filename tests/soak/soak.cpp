// The soak run: build/pegpond under Xvfb for a given time with random taps,
// drags, keys (slots with and without Shift, l, held arrows and Backspace) and
// random pattern files appearing in and disappearing from its working
// directory. It passes when, at the end, the program still runs and exits 0 on
// SIGTERM, every slot file the program saved is exactly 192 bytes, no save left
// a temporary file behind, and its resident memory did not grow by more than
// 1 MiB after the first 30 s.
//
// pegpond_soak [SECONDS [SEED]]   (120 s and a seed from the clock by default)
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace {
const int SampleEveryMs = 2000;
const int SettleSeconds = 30;  // memory may grow while the program warms up
const long AllowedGrowthKb = 1024;
const int PhaseSeconds = 20;  // how long one split of the slots between us and the program lasts
const int SlotCount = 9;

using Clock = std::chrono::steady_clock;
Clock::time_point Start;
double Elapsed() { return std::chrono::duration<double>(Clock::now() - Start).count(); }

struct Sample {
  double seconds;
  long rssKb;
};

long ResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// Samples the program's resident memory every few seconds until stopped.
struct MemoryWatch {
  std::vector<Sample> samples;
  std::mutex lock;
  std::atomic<bool> stop{false};
  std::thread thread;
  void Begin(pid_t pid) {
    thread = std::thread([this, pid] {
      while (!stop) {
        long kb = ResidentKb(pid);
        if (kb > 0) {
          std::lock_guard<std::mutex> guard(lock);
          samples.push_back(Sample{Elapsed(), kb});
        }
        for (int waited = 0; waited < SampleEveryMs && !stop; waited += 100) SleepMs(100);
      }
    });
  }
  void End() {
    stop = true;
    if (thread.joinable()) thread.join();
  }
};

// Whether the program still runs; once it has ended, its exit status (-1 for
// a signal) is kept in status.
bool StillRunning(Program& program, int* status) {
  if (program.pid <= 0) return false;
  int raw = 0;
  if (waitpid(program.pid, &raw, WNOHANG) != program.pid) return true;
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  program.pid = -1;
  return false;
}

std::string SlotPath(const std::string& dir, int slot) { return dir + "/motif" + std::to_string(slot) + ".pat"; }

// The inode of a file, 0 when there is none: every save renames a new file
// into place, so a changed inode tells that the program's save has landed.
ino_t InodeOf(const std::string& path, off_t* size = nullptr) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return 0;
  if (size) *size = info.st_size;
  return info.st_ino;
}

struct Soak {
  XServer server;
  Program program;
  std::mt19937 random;
  // Slots whose files this run writes and deletes in the current phase; the
  // program is asked to save only into the others.
  bool ours[SlotCount + 1] = {};
  // The slot's file was last written by the program, not by this run.
  bool programWrote[SlotCount + 1] = {};
  int actions = 0, savesChecked = 0, filesWritten = 0, filesRemoved = 0;
  std::vector<std::string> faults;

  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
  bool Xdo(const std::string& args) { return ::Xdo(server, args); }

  void NewPhase() {
    std::vector<int> slots;
    for (int slot = 1; slot <= SlotCount; ++slot) slots.push_back(slot);
    std::shuffle(slots.begin(), slots.end(), random);
    int taken = Between(3, 6);
    for (int i = 0; i < SlotCount; ++i) ours[slots[i]] = i < taken;
  }
  int SlotWhere(bool wantOurs) {
    std::vector<int> slots;
    for (int slot = 1; slot <= SlotCount; ++slot)
      if (ours[slot] == wantOurs) slots.push_back(slot);
    return slots[Between(0, static_cast<int>(slots.size()) - 1)];
  }
  // The key for a slot: its digit or its letter.
  std::string SlotKey(int slot) {
    static const char* Letters = "ertdfgxcv";
    return Between(0, 1) ? std::to_string(slot) : std::string(1, Letters[slot - 1]);
  }

  void Tap() { Xdo("mousemove " + std::to_string(Between(0, 319)) + " " + std::to_string(Between(0, 479)) + " click 1"); }

  void Drag() {
    int x = Between(0, 319), y = Between(0, 479);
    std::string args = "mousemove " + std::to_string(x) + " " + std::to_string(y) + " mousedown 1";
    for (int steps = Between(2, 8); steps > 0; --steps) {
      x = std::clamp(x + Between(-40, 40), 0, 319);
      y = std::clamp(y + Between(-40, 40), 0, 479);
      args += " mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.03";
    }
    Xdo(args + " mouseup 1");
  }

  void Load() {
    static const char* Modifiers[] = {"", "", "", "ctrl+", "alt+"};
    Xdo("key " + std::string(Modifiers[Between(0, 4)]) + SlotKey(SlotWhere(Between(0, 1))));
  }

  // Saves into one of the program's slots and checks the file it leaves.
  void Save() {
    int slot = SlotWhere(false);
    std::string path = SlotPath(program.dir, slot);
    ino_t before = InodeOf(path);
    if (Between(0, 3) == 0)
      Xdo("keydown Shift_R key " + SlotKey(slot) + " keyup Shift_R");
    else
      Xdo("key shift+" + SlotKey(slot));
    for (int waited = 0; waited < 5000; waited += 20) {
      off_t size = 0;
      ino_t now = InodeOf(path, &size);
      if (now != 0 && now != before) {
        programWrote[slot] = true;
        ++savesChecked;
        if (size != 192) Fault("a save of slot " + std::to_string(slot) + " left " + std::to_string(size) + " bytes");
        return;
      }
      SleepMs(20);
    }
    Fault("no save of slot " + std::to_string(slot) + " seen within 5 s");
  }

  void Hold(const std::string& key, int ms) {
    Xdo("keydown " + key);
    SleepMs(ms);
    Xdo("keyup " + key);
  }

  void WriteRandomFile() {
    int slot = SlotWhere(true);
    std::vector<char> bytes(static_cast<size_t>(Between(0, 400)));
    for (char& b : bytes) b = static_cast<char>(Between(0, 3) == 0 ? Between(0, 255) : Between(0, 1));
    // Written beside the slot and renamed into place, so a load sees all of
    // it or none of it: what is tested is the program, not a torn write.
    std::string temporary = program.dir + "/incoming.tmp";
    std::ofstream(temporary, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::rename(temporary.c_str(), SlotPath(program.dir, slot).c_str());
    programWrote[slot] = false;
    ++filesWritten;
  }

  void RemoveRandomFile() {
    int slot = SlotWhere(true);
    if (unlink(SlotPath(program.dir, slot).c_str()) == 0) ++filesRemoved;
    programWrote[slot] = false;
  }

  void Act() {
    int pick = Between(0, 99);
    if (pick < 28) Tap();
    else if (pick < 42) Drag();
    else if (pick < 54) Load();
    else if (pick < 62) Save();
    else if (pick < 66) Xdo(Between(0, 3) ? "key l" : "key shift+l");
    else if (pick < 74) Hold(std::vector<std::string>{"Left", "Right", "Up", "Down"}[Between(0, 3)], Between(450, 1500));
    else if (pick < 77) Hold("BackSpace", Between(450, 900));
    else if (pick < 87) WriteRandomFile();
    else if (pick < 92) RemoveRandomFile();
    else if (pick < 95) Xdo("key " + std::vector<std::string>{"0", "a", "space", "Escape", "Caps_Lock"}[Between(0, 4)]);
    else SleepMs(Between(200, 800));
    ++actions;
    SleepMs(Between(30, 200));
  }

  void Fault(const std::string& what) {
    std::printf("%6.1f s  FAULT: %s\n", Elapsed(), what.c_str());
    faults.push_back(what);
  }
};

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
  unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10))
                           : static_cast<unsigned>(std::time(nullptr));
  if (seconds < 1) {
    std::fprintf(stderr, "usage: %s [SECONDS [SEED]]\n", argv[0]);
    return 2;
  }
  std::printf("soak: %d s, seed %u\n", seconds, seed);
  std::fflush(stdout);

  Soak soak;
  soak.random.seed(seed);
  soak.server = StartXvfb(320, 480);
  if (soak.server.display < 0) {
    std::printf("FAIL: Xvfb did not start\n");
    return 1;
  }
  std::string dir = MakeWorkDir();
  Start = Clock::now();
  soak.program = StartPegpond(soak.server, dir);
  MemoryWatch memory;
  memory.Begin(soak.program.pid);
  int status = 0;
  if (!WaitForWindow(soak.server, 30000)) soak.Fault("no window within 30 s");

  soak.NewPhase();
  int phase = 0;
  while (soak.faults.empty() && Elapsed() < seconds) {
    if (static_cast<int>(Elapsed()) / PhaseSeconds != phase) {
      phase = static_cast<int>(Elapsed()) / PhaseSeconds;
      soak.NewPhase();
    }
    if (!StillRunning(soak.program, &status)) break;
    soak.Act();
  }
  memory.End();

  bool running = StillRunning(soak.program, &status);
  if (!running) soak.Fault("the program ended before the end of the run, exit status " + std::to_string(status));
  if (running) {
    kill(soak.program.pid, SIGTERM);
    status = WaitExit(soak.program, 20000);
    if (status != 0) soak.Fault("exit status " + std::to_string(status) + " after SIGTERM");
  }
  for (int slot = 1; slot <= SlotCount; ++slot) {
    off_t size = 0;
    if (soak.programWrote[slot] && (InodeOf(SlotPath(dir, slot), &size) == 0 || size != 192))
      soak.Fault("slot " + std::to_string(slot) + " as the program saved it is " + std::to_string(size) + " bytes");
  }
  if (DIR* listing = opendir(dir.c_str())) {
    while (dirent* entry = readdir(listing)) {
      std::string name = entry->d_name;
      if (name.compare(0, 5, "motif") == 0 && name.size() > 10) soak.Fault("a save left " + name + " behind");
    }
    closedir(listing);
  }

  // The memory curve, at most about 60 lines, and its figures.
  std::vector<Sample> samples = memory.samples;
  std::printf("\nresident memory (time, VmRSS):\n");
  size_t every = samples.size() / 60 + 1;
  for (size_t i = 0; i < samples.size(); ++i)
    if (i % every == 0 || i + 1 == samples.size()) std::printf("%8.1f s %8ld kB\n", samples[i].seconds, samples[i].rssKb);
  std::vector<Sample> settled;
  for (const Sample& s : samples)
    if (s.seconds >= SettleSeconds) settled.push_back(s);
  if (settled.size() >= 2) {
    // Growth is measured from the first sample after settling to every later
    // one, so a rise that falls back before the end counts too.
    long begin = settled.front().rssKb, end = settled.back().rssKb, peak = begin;
    for (const Sample& s : settled) peak = std::max(peak, s.rssKb);
    std::printf("at %.0f s: %ld kB; at the end: %ld kB; highest after: %ld kB; growth %+ld kB (allowed %ld)\n",
                settled.front().seconds, begin, end, peak, peak - begin, AllowedGrowthKb);
    if (peak - begin > AllowedGrowthKb) soak.Fault("resident memory grew by " + std::to_string(peak - begin) + " kB");
  } else {
    std::printf("too short a run to judge memory growth after %d s\n", SettleSeconds);
  }

  std::printf("%d actions: %d saves checked, %d files written, %d removed; seed %u\n", soak.actions,
              soak.savesChecked, soak.filesWritten, soak.filesRemoved, seed);
  std::string errors = ReadFile(soak.program.errFile);
  if (!errors.empty()) std::printf("the program's stderr:\n%s\n", errors.c_str());
  StopXvfb(soak.server);
  if (soak.faults.empty()) {
    RemoveDir(dir);
    std::printf("soak passed\n");
    return 0;
  }
  std::printf("soak FAILED (%zu faults); working directory kept: %s\n", soak.faults.size(), dir.c_str());
  return 1;
}
