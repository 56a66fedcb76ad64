// What one frame costs on the software GL (one UpdateTick and one ComposeFrame,
// finished on the GL), and how long start-up takes to the first composed
// frame. Headless: no window, no sound; the clock advances one frame period
// per tick, so the sweep steps, sounds (silently) and presses lines as it
// does on the device. On-screen presentation is not included.
#include <benchmark/benchmark.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app.h"
#include "audio.h"
#include "headless_gl.h"
#include "render.h"
#include "sequencer.h"

// Marks the frames bench/instructions.sh counts; valgrind brings the header.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif

namespace {
Uint32 FakeNow = 1000;
Uint32 FakeTicks() { return FakeNow; }
TiltAxes LyingFlat(SDL_Joystick*) { return TiltAxes{0, 0, 32767}; }
void Silent(int, double) {}

// A round peg with soft edges and a 512 x 512 background of colour bands,
// written into a scratch directory that becomes the working directory.
std::string PicturesDirectory;
bool MakePictures() {
  char name[] = "/tmp/pegpond-bench-XXXXXX";
  if (!mkdtemp(name) || chdir(name) != 0) return false;
  PicturesDirectory = name;
  std::vector<uint8_t> peg;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      float d = std::hypot(x - 31.5f, y - 31.5f) / 28.0f;
      uint8_t alpha = static_cast<uint8_t>(255 * std::clamp(1.5f - d * 1.5f, 0.0f, 1.0f));
      peg.insert(peg.end(), {230, 200, 90, alpha});
    }
  std::vector<uint8_t> background;
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x)
      background.insert(background.end(), {uint8_t(x / 2), uint8_t(y / 2), uint8_t(((x / 32 + y / 32) & 1) * 120)});
  return stbi_write_png("peg.png", 64, 64, 4, peg.data(), 64 * 4) &&
         stbi_write_png("background.png", 512, 512, 3, background.data(), 512 * 3);
}

void SetGrid(bool full) {
  ClearGrid();
  if (full)
    for (uint8_t& cell : PegGrid) cell = 1;
}

double Percentile(std::vector<double> samples, double fraction) {
  std::sort(samples.begin(), samples.end());
  size_t i = static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
  return samples[i];
}

// One frame of the program: a tick 33 ms on, then the composed frame, shown
// scaled up by a factor above 1, finished.
void TickAndDraw(int scale = 1) {
  FakeNow += FramePeriodMs;
  UpdateTick();
  ComposeFrame();
  if (scale > 1) PresentScaled(ScreenScale{scale, ScreenWidth, ScreenHeight});
  glFinish();
}

// Hands the time since start to the benchmark and keeps it, in milliseconds.
void RecordSince(benchmark::State& state, std::chrono::steady_clock::time_point start, std::vector<double>& ms) {
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  state.SetIterationTime(took.count());
  ms.push_back(took.count() * 1000);
}

// The spread of the timed runs, in milliseconds.
void ReportSpread(benchmark::State& state, const std::vector<double>& ms) {
  state.counters["p10_ms"] = Percentile(ms, 0.10);
  state.counters["median_ms"] = Percentile(ms, 0.50);
  state.counters["p90_ms"] = Percentile(ms, 0.90);
  state.counters["max_ms"] = Percentile(ms, 1.0);
}

// One tick and one composed frame, at state.range(0) x state.range(1), with
// every peg set when state.range(2) is 1, shown state.range(3) times larger.
void TickAndCompose(benchmark::State& state) {
  int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  int scale = static_cast<int>(state.range(3));
  if (!CreateHeadlessGl(width * scale, height * scale)) {
    state.SkipWithError("no headless OpenGL ES 2.0 context");
    return;
  }
  SetRenderScreen(width, height);
  InitRenderResources();
  SetGrid(state.range(2) != 0);
  // The first frames compile the software GL's shader variants.
  for (int i = 0; i < 20; ++i) TickAndDraw(scale);

  std::vector<double> frameMs;
  CALLGRIND_START_INSTRUMENTATION;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    TickAndDraw(scale);
    RecordSince(state, start, frameMs);
  }
  CALLGRIND_STOP_INSTRUMENTATION;
  ReportSpread(state, frameMs);
  state.counters["budget_left_ms"] = FramePeriodMs - Percentile(frameMs, 0.50);
  DestroyHeadlessGl();
}
BENCHMARK(TickAndCompose)
    ->ArgNames({"w", "h", "pegs", "scale"})
    ->Args({320, 480, 0, 1})
    ->Args({320, 480, 1, 1})
    ->Args({320, 480, 1, 2})
    ->Args({720, 1440, 1, 1})
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// From a fresh context to the first frame on it: the rendering's share of the
// start-up (programs, water, tables, pictures, clears), the first tick and the
// first composition.
void StartUpToFirstFrame(benchmark::State& state) {
  std::vector<double> startMs;
  for (auto _ : state) {
    if (!CreateHeadlessGl(320, 480)) {
      state.SkipWithError("no headless OpenGL ES 2.0 context");
      return;
    }
    SetRenderScreen(320, 480);
    SetGrid(false);
    auto start = std::chrono::steady_clock::now();
    InitRenderResources();
    TickAndDraw();
    RecordSince(state, start, startMs);
    DestroyHeadlessGl();
  }
  ReportSpread(state, startMs);
}
BENCHMARK(StartUpToFirstFrame)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

// What a frame spends on switching to a sound set chosen for the first time,
// the most of the frames until it sounds (its sixteen files are read and
// converted to the device's format on a thread meanwhile, not timed), from the
// built data folder; the device is SDL's dummy driver.
void FirstSoundSetSwitch(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 || !OpenAudioDevice() || chdir(PEGPOND_DATA_DIR) != 0) {
    state.SkipWithError("no dummy audio device, or no data folder");
    return;
  }
  std::vector<double> switchMs;
  for (auto _ : state) {
    if (SoundSetNow == SoundSetCount - 1 || switchMs.empty()) LoadNoteBank();  // the others to be loaded again
    ChooseNextSoundSet();
    std::vector<double> framesMs;
    for (int frame = 0; frame < 2 || (SoundSetNow != SoundSetAsked && frame < 3); ++frame) {
      auto start = std::chrono::steady_clock::now();
      FollowSoundSets();
      framesMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      WaitForSoundSets();
    }
    switchMs.push_back(*std::max_element(framesMs.begin(), framesMs.end()));
    state.SetIterationTime(switchMs.back() / 1000);
    if (SoundSetNow != SoundSetAsked || SoundSetNow == 0) state.SkipWithError("a set did not load");
  }
  ReportSpread(state, switchMs);
  state.counters["budget_left_ms"] = FramePeriodMs - Percentile(switchMs, 1.0);
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  if (chdir(PicturesDirectory.c_str()) != 0) state.SkipWithError("the scratch folder went");
}
BENCHMARK(FirstSoundSetSwitch)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
  TickSource = FakeTicks;
  TiltSource = LyingFlat;
  NoteSink = Silent;
  if (!MakePictures()) return 1;
  if (CreateHeadlessGl(16, 16)) {
    benchmark::AddCustomContext("gl_vendor", reinterpret_cast<const char*>(glGetString(GL_VENDOR)));
    benchmark::AddCustomContext("gl_renderer", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    benchmark::AddCustomContext("gl_version", reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    benchmark::AddCustomContext("glsl_version",
                                reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION)));
    DestroyHeadlessGl();
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(PicturesDirectory);
  return 0;
}
