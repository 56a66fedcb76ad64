#include "harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "xwd.h"

namespace {
// Starts argv with env additions; stdout/stderr to files (or /dev/null), and
// SIGINT/SIGTERM at their defaults so SDL turns SIGTERM into a quit request.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& dir,
            const std::string& out, const std::string& err, int passFd = -1) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  setpgid(0, 0);
  if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
  int o = open(out.empty() ? "/dev/null" : out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int e = open(err.empty() ? "/dev/null" : err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(o, 1);
  dup2(e, 2);
  int in = open("/dev/null", O_RDONLY);
  dup2(in, 0);
  for (int fd = 3; fd < 1024; ++fd)
    if (fd != passFd) close(fd);
  for (const std::string& kv : env) putenv(const_cast<char*>(kv.c_str()));
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

std::string Capture(const std::string& command) {
  std::string result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.append(buffer, n);
  pclose(pipe);
  return result;
}

int VisibleWindows(const XServer& server) {
  std::string out = Capture("DISPLAY=" + server.Name() + " xdotool search --onlyvisible --name '' 2>/dev/null");
  int lines = 0;
  for (char c : out) lines += c == '\n';
  return lines;
}
}  // namespace

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

XServer StartXvfb(int width, int height) {
  // -noreset: by default the server resets when its last client leaves, and
  // SDL opens and closes a probing connection just before its real one, which
  // then fails while a slow machine is still resetting the server.
  XServer server;
  int fds[2];
  if (pipe(fds) != 0) return server;
  std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  server.pid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-noreset", "-screen", "0", screen, "-nolisten", "tcp"}, {},
                     "", "", "", fds[1]);
  close(fds[1]);
  // Xvfb writes its display number, then a newline, once it is ready. Read up
  // to the newline: closing the pipe between the two writes makes Xvfb fail
  // with "Cannot write display number" and quit.
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (!number.empty()) server.display = std::atoi(number.c_str());
  return server;
}

void StopXvfb(XServer& server) {
  if (server.pid > 0) {
    kill(server.pid, SIGTERM);
    waitpid(server.pid, nullptr, 0);
  }
  server.pid = -1;
}

std::string MakeEmptyDir() {
  char name[] = "/tmp/pegpond-e2e-XXXXXX";
  return mkdtemp(name);
}

std::string MakeWorkDir(int missingNote) {
  std::string dir = MakeEmptyDir();
  DIR* data = opendir(PEGPOND_DATA_DIR);
  while (dirent* entry = readdir(data)) {
    std::string file = entry->d_name;
    if (file[0] == '.') continue;
    char missing[16];
    std::snprintf(missing, sizeof missing, "note%02d.wav", missingNote);
    if (file == missing) continue;
    std::string from = std::string(PEGPOND_DATA_DIR) + "/" + file;
    if (symlink(from.c_str(), (dir + "/" + file).c_str()) != 0) std::perror("symlink");
  }
  closedir(data);
  return dir;
}

void RemoveDir(const std::string& dir) {
  if (dir.rfind("/tmp/pegpond-", 0) != 0) return;
  if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) std::perror("rm");
}

Program StartPegpond(const XServer& server, const std::string& dir, const std::string& audio,
                     const std::string& binary, const std::vector<std::string>& moreEnv) {
  Program program;
  program.dir = dir;
  program.outFile = dir + "/stdout.txt";
  program.errFile = dir + "/stderr.txt";
  std::vector<std::string> env = {"DISPLAY=" + server.Name(), "SDL_AUDIODRIVER=" + audio};
  if (audio == "disk") {
    program.soundFile = dir + "/sound.raw";
    env.push_back("SDL_DISKAUDIOFILE=" + program.soundFile);
    env.push_back("SDL_DISKAUDIODELAY=46");  // about real time
  }
  env.insert(env.end(), moreEnv.begin(), moreEnv.end());
  program.pid = Spawn({binary.empty() ? PEGPOND_BINARY : binary}, env, dir, program.outFile, program.errFile);
  return program;
}

bool WaitForWindow(const XServer& server, int timeoutMs) {
  // Xvfb's root shows as one visible window; the program's window adds more.
  for (int waited = 0; waited < timeoutMs; waited += 100) {
    if (VisibleWindows(server) > 1) {
      SleepMs(500);
      return true;
    }
    SleepMs(100);
  }
  return false;
}

std::string WhyNoWindow(Program& program) {
  if (Running(program)) return "the program runs but shows no window";
  int status = WaitExit(program, 0);
  return "the program ended with status " + std::to_string(status) + "; stderr: " + ReadFile(program.errFile);
}

bool Running(const Program& program) {
  // Looks without reaping, so WaitExit can still collect the status.
  if (program.pid <= 0) return false;
  siginfo_t info{};
  return waitid(P_PID, program.pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

int WaitExit(Program& program, int timeoutMs) {
  for (int waited = 0; program.pid > 0; waited += 20) {
    int status = 0;
    pid_t done = waitpid(program.pid, &status, WNOHANG);
    if (done == program.pid) {
      program.pid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (waited >= timeoutMs) {
      kill(program.pid, SIGKILL);
      waitpid(program.pid, nullptr, 0);
      program.pid = -1;
      return -1;
    }
    SleepMs(20);
  }
  return -1;
}

void Terminate(Program& program) {
  if (program.pid > 0) {
    kill(program.pid, SIGTERM);
    WaitExit(program);
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Xdo(const XServer& server, const std::string& args) {
  return std::system(("DISPLAY=" + server.Name() + " xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
}

Screenshot TakeScreenshot(const XServer& server) {
  Screenshot shot;
  if (!ReadXwd(Capture("xwd -root -silent -display " + server.Name()), &shot.width, &shot.height, &shot.rgb))
    shot = Screenshot{};
  return shot;
}
