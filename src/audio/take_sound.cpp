// A take's sound on Linux: the mixer's output, handed over by the audio thread
// through a ring it never waits on and written by a thread of the take into a
// WAV file. The file's sizes are rewritten every second and at the end, so it
// is a whole WAV file whenever it is read: after a stop, a full disk or a crash
// only shorter.
#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "audio.h"

namespace {
enum { Idle, Keeping, Ended };
std::atomic<int> State{Idle};
const size_t RingFrames = 1 << 17;  // about six seconds
Uint32 Ring[RingFrames];            // stereo 16-bit frames, as mixed
std::atomic<size_t> HandedFrames{0}, WrittenFrames{0};
std::atomic<Uint32> OriginMs{0};
std::atomic<Sint64> OriginFrame{0};
size_t LimitFrames;
int Frequency = AudioFrequency;
int File = -1;
SDL_Thread* Writer = nullptr;

void PutLittle(Uint8* at, Uint32 value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<Uint8>(value >> (8 * i));
}

bool WriteSizes(Uint32 dataBytes) {
  Uint8 riff[4], data[4];
  PutLittle(riff, 36 + dataBytes, 4);
  PutLittle(data, dataBytes, 4);
  return pwrite(File, riff, 4, 4) == 4 && pwrite(File, data, 4, 40) == 4;
}

int WriteTake(void*) {
  Uint32 sizesMs = SDL_GetTicks();
  for (int endings = 0;;) {
    // Once the take has ended, one more pass takes a buffer handed over meanwhile.
    if (State.load() != Keeping) ++endings;
    size_t handed = HandedFrames.load(std::memory_order_acquire), written = WrittenFrames.load();
    bool failed = false;
    while (written < handed && !failed) {
      size_t start = written % RingFrames, count = std::min(handed - written, RingFrames - start);
      ssize_t bytes = write(File, Ring + start, count * 4);
      if (bytes < 0 && errno == EINTR) continue;
      failed = bytes != static_cast<ssize_t>(count * 4);  // a full disk, a size limit
      if (bytes > 0) written += static_cast<size_t>(bytes) / 4;
      WrittenFrames.store(written, std::memory_order_release);
    }
    if (failed) State = Ended;
    if (failed || endings == 2) break;
    if (SDL_GetTicks() - sizesMs >= 1000) {
      WriteSizes(static_cast<Uint32>(written * 4));
      sizesMs = SDL_GetTicks();
    }
    SDL_Delay(20);
  }
  // Whole frames only: a write cut short leaves no half of one.
  Uint32 bytes = static_cast<Uint32>(WrittenFrames.load() * 4);
  WriteSizes(bytes);
  int ignored = ftruncate(File, 44 + bytes);
  (void)ignored;
  close(File);
  return 0;
}
}  // namespace

bool StartTakeSound(const std::string& path) {
  WaitForTakeSound();
  int channels = 0;
  Uint16 format = 0;
  // Only our own mixing's output is kept: 16-bit stereo, in the file's byte order.
  if (!Mix_QuerySpec(&Frequency, &format, &channels) || format != AUDIO_S16LSB || AUDIO_S16SYS != AUDIO_S16LSB ||
      channels != 2)
    return false;
  File = open((path + ".wav").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (File < 0) return false;
  Uint8 header[44] = {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0};
  PutLittle(header + 24, static_cast<Uint32>(Frequency), 4);
  PutLittle(header + 28, static_cast<Uint32>(Frequency) * 4, 4);  // bytes a second
  PutLittle(header + 32, 4, 2);                                   // bytes a frame
  PutLittle(header + 34, 16, 2);
  std::memcpy(header + 36, "data", 4);
  if (write(File, header, sizeof header) != static_cast<ssize_t>(sizeof header)) {
    close(File);
    unlink((path + ".wav").c_str());
    return false;
  }
  LimitFrames = static_cast<size_t>(TakeLimitMs / 1000) * static_cast<size_t>(Frequency);
  HandedFrames = 0, WrittenFrames = 0;
  OriginMs = SDL_GetTicks();
  State = Keeping;
  Writer = SDL_CreateThread(WriteTake, nullptr);
  if (Writer) return true;
  State = Idle;  // no thread to write it: no take
  close(File);
  unlink((path + ".wav").c_str());
  return false;
}

void StopTakeSound() {
  int keeping = Keeping;
  State.compare_exchange_strong(keeping, Ended);
}

bool TakeSoundRunning() { return State.load() == Keeping; }
Uint32 TakeSoundOriginMs() { return OriginMs.load(); }
double TakeSoundMsAt(Sint64 frame) { return static_cast<double>(frame - OriginFrame.load()) * 1000.0 / Frequency; }
double TakeSoundLengthMs() { return HandedFrames.load() * 1000.0 / Frequency; }

void WaitForTakeSound() {
  if (Writer) SDL_WaitThread(Writer, nullptr);
  Writer = nullptr;
  State = Idle;
}

double SampleLengthMs(Mix_Chunk* chunk) { return chunk->alen / 4 * 1000.0 / Frequency; }

void KeepTakeSound(const Sint16* out, int frames, Sint64 firstFrame) {
  if (State.load() != Keeping) return;
  size_t handed = HandedFrames.load(), free = RingFrames - (handed - WrittenFrames.load(std::memory_order_acquire));
  // A writer fallen behind, or an hour kept: the take ends here, whole.
  if (static_cast<size_t>(frames) > free || handed + static_cast<size_t>(frames) > LimitFrames) {
    State = Ended;
    return;
  }
  if (handed == 0) OriginMs = SDL_GetTicks(), OriginFrame = firstFrame;
  size_t start = handed % RingFrames, first = std::min(static_cast<size_t>(frames), RingFrames - start);
  std::memcpy(Ring + start, out, first * 4);
  std::memcpy(Ring, out + 2 * first, (static_cast<size_t>(frames) - first) * 4);
  HandedFrames.store(handed + static_cast<size_t>(frames), std::memory_order_release);
}
