// Our own mixing of the scheduled notes on SDL_mixer's device. SDL_mixer cannot
// start a sample at a given sample, so twelve voices are mixed here, in its
// post-mix hook, exactly as its channels would mix them: the pan effect's
// float scaling, the volume's integer scaling and clipping after each voice.
#include <SDL.h>

#include <pthread.h>
#include <sched.h>

#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>

#include "audio.h"

// One frame (33 ms) and one 1024-frame buffer (46 ms) at least; a frame that
// runs late or a reading off the line eats into the other 21 ms before a note
// comes too late for its sample.
const Uint32 NoteDelayMs = 100;

namespace {
const int VoiceCount = 16;  // at least the channels granted
const int MaxOnsets = 64;   // notes started but not yet reached; more are dropped

struct Voice {
  const Sint16* samples = nullptr;  // stereo frames in the device's format
  int frames = 0, position = 0, volume = 0;
  float left = 0, right = 0;
};
struct Onset {
  int channel;
  Mix_Chunk* chunk;
  Uint8 left, right;
  double dueMs;
  Sint64 frame;  // -1 until the audio thread has placed it
  Uint32 serial;
};
// Where the last notes started, put by the audio thread as it places them and
// read by the take: serial 0 while a slot is being rewritten.
struct Placed {
  std::atomic<Uint32> serial{0};
  std::atomic<Sint64> frame{0};
};
const Uint32 PlacedCount = 256;
Placed PlacedOnsets[PlacedCount];
Uint32 LastSerial = 0;  // the main thread's

// SDL_GetTicks counts whole ms; the monotonic clock read beside it keeps the
// fraction, so that the device clock's readings are not a ms coarse. Their
// difference, least over the last half minute (a second's least at a time),
// puts it on SDL_GetTicks's axis up to a constant and follows any drift
// between the two clocks.
struct TickFraction {
  static constexpr int Seconds = 32;
  double least[Seconds];  // of the seconds before this one
  int count = 0, next = 0;
  bool open = false;
  double openMs = 0, openLeast = 0;
} Fraction;

double FineTicksMs(Uint32 ticks) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  double monotonicMs = static_cast<double>(now.tv_sec) * 1000 + static_cast<double>(now.tv_nsec) / 1e6;
  double difference = monotonicMs - ticks;
  TickFraction& f = Fraction;
  if (f.open && monotonicMs - f.openMs >= 1000) {
    f.least[f.next] = f.openLeast, f.next = (f.next + 1) % TickFraction::Seconds;
    f.count = std::min(f.count + 1, TickFraction::Seconds);
    f.open = false;
  }
  if (!f.open) f.open = true, f.openMs = monotonicMs, f.openLeast = difference;
  f.openLeast = std::min(f.openLeast, difference);
  double least = f.openLeast;
  for (int i = 0; i < f.count; ++i) least = std::min(least, f.least[i]);
  return monotonicMs - least;
}

// Touched by the audio thread only, or by others under SDL_LockAudio.
bool OwnMixing = true;  // false on a device that is not 16-bit stereo
double FramesPerMs = AudioFrequency / 1000.0;
AudioClock DeviceClock;
Sint64 MixedFrames;
Voice Voices[VoiceCount];
Onset Onsets[MaxOnsets];
int OnsetCount;

void PostMix(void*, Uint8* stream, int length) {
  // A late wake-up of the audio thread delays the whole device: ask for real-time
  // scheduling once, as audio programs do; without the right to it, nothing changes.
  static const bool Raised = [] {
    sched_param priority{};
    priority.sched_priority = sched_get_priority_min(SCHED_FIFO);
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority) == 0;
  }();
  (void)Raised;
  Sint64 firstFrame = MixedFrames;
  MixVoices(reinterpret_cast<Sint16*>(stream), length / 4, FineTicksMs(SDL_GetTicks()));
  KeepTakeSound(reinterpret_cast<Sint16*>(stream), length / 4, firstFrame);
}

void StartOnset(const Onset& onset) {
  Voice& voice = Voices[onset.channel];
  voice.samples = reinterpret_cast<const Sint16*>(onset.chunk->abuf);
  voice.frames = static_cast<int>(onset.chunk->alen / 4), voice.position = 0;
  voice.volume = onset.chunk->volume;
  voice.left = static_cast<float>(onset.left) / 255.0f, voice.right = static_cast<float>(onset.right) / 255.0f;
}

Sint16 AddClipped(Sint16 mixed, int added) {
  return static_cast<Sint16>(std::clamp(mixed + added, -32768, 32767));
}

// Up to frames of the voice into out. Voice by voice over a stretch without
// onsets gives every sample the same sums, in the same order, as sample by
// sample; the loop over one voice runs in vector registers.
void MixVoice(Voice& voice, Sint16* out, int frames) {
  int count = std::min(frames, voice.frames - voice.position);
  const Sint16* sample = voice.samples + 2 * voice.position;
  for (int i = 0; i < count; ++i) {
    Sint16 left = static_cast<Sint16>(static_cast<float>(sample[2 * i]) * voice.left);
    Sint16 right = static_cast<Sint16>(static_cast<float>(sample[2 * i + 1]) * voice.right);
    out[2 * i] = AddClipped(out[2 * i], left * voice.volume / SDL_MIX_MAXVOLUME);
    out[2 * i + 1] = AddClipped(out[2 * i + 1], right * voice.volume / SDL_MIX_MAXVOLUME);
  }
  voice.position += std::max(count, 0);
}
}  // namespace

void StartVoices() {
  int frequency = AudioFrequency, channels = 0;
  Uint16 format = 0;
  Mix_QuerySpec(&frequency, &format, &channels);
  OwnMixing = format == AUDIO_S16SYS && channels == 2;
  FramesPerMs = frequency / 1000.0;
  if (OwnMixing) Mix_SetPostMix(PostMix, nullptr);
}

Uint32 StartVoice(int channel, Mix_Chunk* chunk, Uint8 left, Uint8 right, double dueMs) {
  if (!OwnMixing) {  // an unusual device: the mixer's own channels, at once
    Mix_SetPanning(Mix_PlayChannelTimed(channel, chunk, 0, -1), left, right);
    return 0;
  }
  if (channel < 0 || channel >= VoiceCount || !chunk) return 0;
  LastSerial = LastSerial == ~0u ? 1 : LastSerial + 1;
  bool kept = false;
  SDL_LockAudio();
  if (OnsetCount < MaxOnsets) Onsets[OnsetCount++] = Onset{channel, chunk, left, right, dueMs, -1, LastSerial}, kept = true;
  SDL_UnlockAudio();
  return kept ? LastSerial : 0;
}

// A set's files are read and converted for the device on a thread of their
// own, one set at a time, so that a switch holds up neither a frame nor the
// notes due meanwhile: on the main thread it took 3-10 ms of the 21 ms a note
// may come late by (see NoteDelayMs).
namespace {
struct SetLoad {
  std::string folder;
  Mix_Chunk* chunks[NoteCount] = {};
  pthread_t thread;
  bool running = false;  // a thread started and not yet joined
  std::atomic<bool> done{false};
};
SetLoad Loading;
std::string HandedFolder;  // a set found whole: its samples, for LoadNoteSample
Mix_Chunk* Handed[NoteCount] = {};

Mix_Chunk* LoadFile(const std::string& folder, const char* name) {
  std::string path = folder.empty() ? std::string(name) : folder + "/" + name;
  // The mixer accepts a null stream (and returns null), and closes the stream itself.
  return Mix_LoadWAV_RW(SDL_RWFromFile(path.c_str(), "rb"), 1);
}

void* LoadSet(void*) {
  for (int note = 0; note < NoteCount; ++note) {
    char name[16];
    std::snprintf(name, sizeof name, "note%02d.wav", note);
    Loading.chunks[note] = LoadFile(Loading.folder, name);
  }
  Loading.done = true;
  return nullptr;
}

void FreeChunks(Mix_Chunk** chunks) {
  for (int note = 0; note < NoteCount; ++note) Mix_FreeChunk(chunks[note]), chunks[note] = nullptr;
}
}  // namespace

int FetchSoundSet(const char* folder) {
  if (Loading.running && !Loading.done) return 0;
  WaitForSoundSets();
  if (!Loading.done || Loading.folder != folder) {  // another set's, or none: this one's now
    FreeChunks(Loading.chunks);
    Loading.folder = folder, Loading.done = false;
    // (SDL's threads wait until theirs has started: a ms or more on a busy machine.)
    Loading.running = pthread_create(&Loading.thread, nullptr, LoadSet, nullptr) == 0;
    if (Loading.running) return 0;
    LoadSet(nullptr);  // no thread to be had: at once
  }
  Loading.done = false;
  FreeChunks(Handed);
  std::copy(Loading.chunks, Loading.chunks + NoteCount, Handed);
  std::fill(Loading.chunks, Loading.chunks + NoteCount, nullptr);
  HandedFolder = folder;
  bool whole = std::find(Handed, Handed + NoteCount, nullptr) == Handed + NoteCount;
  if (!whole) FreeChunks(Handed);
  return whole ? 1 : -1;
}

void WaitForSoundSets() {
  if (Loading.running) pthread_join(Loading.thread, nullptr);
  Loading.running = false;
}

Mix_Chunk* LoadNoteSample(const char* folder, const char* name) {
  int note = -1;
  if (HandedFolder == folder && std::sscanf(name, "note%2d.wav", &note) == 1 && note >= 0 && note < NoteCount && Handed[note]) {
    Mix_Chunk* chunk = Handed[note];
    Handed[note] = nullptr;
    return chunk;
  }
  return LoadFile(folder, name);
}

bool VoiceFrame(Uint32 serial, Sint64* frame) {
  Placed& placed = PlacedOnsets[serial % PlacedCount];
  Uint32 before = placed.serial.load();
  *frame = placed.frame.load();
  return serial != 0 && before == serial && placed.serial.load() == serial;
}

void MixVoices(Sint16* out, int frames, double nowMs) {
  FollowAudioClock(DeviceClock, nowMs, MixedFrames / FramesPerMs);
  Sint64 nextOnset = MixedFrames + frames;
  for (int i = 0; i < OnsetCount; ++i) {
    Onset& onset = Onsets[i];
    if (onset.frame < 0) {
      double due = DeviceMsAt(DeviceClock, static_cast<double>(onset.dueMs) + NoteDelayMs);
      onset.frame = std::max(MixedFrames, static_cast<Sint64>(due * FramesPerMs + 0.5));
      Placed& placed = PlacedOnsets[onset.serial % PlacedCount];
      placed.serial = 0, placed.frame = onset.frame, placed.serial = onset.serial;
    }
    nextOnset = std::min(nextOnset, onset.frame);
  }

  Sint64 first = MixedFrames;
  for (int i = 0; i < frames;) {
    if (MixedFrames >= nextOnset) {
      // Notes reaching this sample start in the order they were played, so
      // of two on one channel the later one sounds.
      int kept = 0;
      nextOnset = first + frames;
      for (int k = 0; k < OnsetCount; ++k) {
        if (Onsets[k].frame <= MixedFrames) {
          StartOnset(Onsets[k]);
        } else {
          nextOnset = std::min(nextOnset, Onsets[k].frame);
          Onsets[kept++] = Onsets[k];
        }
      }
      OnsetCount = kept;
    }
    int stretch = static_cast<int>(std::min<Sint64>(nextOnset, first + frames) - MixedFrames);
    for (Voice& voice : Voices) MixVoice(voice, out + 2 * i, stretch);
    i += stretch, MixedFrames += stretch;
  }
}
