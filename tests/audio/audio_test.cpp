// The scheduled voices on a fake device clock, and the real note bank through
// them: each note's pitch, pan and channel; a take's MIDI file and its sound.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio.h"

namespace {
// The audio thread's side, on a device whose sample clock runs `speed` times
// as fast as SDL_GetTicks. It wants a buffer at its own pace, but the mixer
// runs when the device wakes: at once, or, behind a sound server, at its next
// wake-up (every wakeMs), so two buffers may go at one wake-up.
struct FakeDevice {
  explicit FakeDevice(double speed, double startMs = 100000) : speed(speed), startMs(startMs) {}
  double speed, startMs, stalledMs = 0, wakeMs = 0;
  int bufferFrames = AudioChunkSize;
  std::vector<Sint16> sound;  // stereo, from the first frame the mixer made
  long Frames() const { return long(sound.size() / 2); }
  double WantedMs() const { return startMs + stalledMs + Frames() / (AudioFrequency / 1000.0) / speed; }
  double NowMs() const { return wakeMs > 0 ? std::ceil(WantedMs() / wakeMs) * wakeMs : WantedMs(); }
  void Mix(int buffers) {
    while (buffers-- > 0) {
      double now = NowMs();
      sound.resize(sound.size() + 2 * size_t(bufferFrames));
      MixVoices(&sound[sound.size() - 2 * size_t(bufferFrames)], bufferFrames, now);
    }
  }
  void MixFor(double ms) { Mix(int(ms * AudioFrequency / 1000 / bufferFrames)); }
  long OnsetAfter(long frame) const {
    while (frame < Frames() && sound[2 * frame] == sound[2 * frame - 2]) ++frame;
    return frame;
  }
};

struct Sample {
  std::vector<Sint16> frames;
  Mix_Chunk chunk;
  Sample(Sint16 value, int volume) : frames(2 * 20000, value), chunk{0, reinterpret_cast<Uint8*>(frames.data()), 80000, Uint8(volume)} {}
};
Sint16 Mixed(Sint16 value, int pan, int volume) { return Sint16(Sint16(float(value) * (float(pan) / 255.0f)) * volume / 128); }

TEST(Voices, NotesStartAtTheirDueSampleFollowTheDeviceClockAndCutTheirChannel) {
  // Kept past the test: the voices still playing them are mixed by the next.
  static Sample a(10000, NoteVolume), b(-8000, NoteVolume), loud(30000, 128);
  const double FramesPerMs = AudioFrequency / 1000.0;
  FakeDevice device(1.0);
  device.Mix(100);
  // Devices on time, 0.5 % fast, 0.1 % slow, one that stalled for 100 ms; then
  // behind sound servers that wake every 32 or 20 ms and take half buffers, one
  // that stalls for 40 ms and one that takes 30 ms more at once.
  const struct { double speed, stallMs, wakeMs; } devices[] = {
      {1.0, 0, 0}, {1.005, 0, 0}, {0.999, 0, 0}, {0.999, 100, 0}, {1.0, 0, 32}, {1.0, 0, 20}, {1.0, 40, 32}, {1.0, -30, 32}};
  for (auto d : devices) {
    SCOPED_TRACE(testing::Message() << d.speed << " " << d.stallMs << " " << d.wakeMs);
    device.startMs += device.Frames() / FramesPerMs * (1 / device.speed - 1 / d.speed);  // the same now
    device.speed = d.speed, device.stalledMs += d.stallMs, device.wakeMs = d.wakeMs;
    device.bufferFrames = d.wakeMs > 0 ? AudioChunkSize / 2 : AudioChunkSize;
    device.MixFor(20000);  // the clock settles on the new device within its window
    double now = device.WantedMs();
    Uint32 due = Uint32(now) - 20;  // a line noticed 20 ms late
    long from = device.Frames();
    StartVoice(3, &a.chunk, 255, 155, due);
    StartVoice(3, &b.chunk, 255, 155, due + 250);  // the next line, on the same channel
    device.MixFor(1000);
    long first = device.OnsetAfter(from), second = device.OnsetAfter(first + 1);
    // Behind a server the device's clock is known from readings a little late:
    // the constant delay may come out a ms short.
    EXPECT_NEAR((first - from) / FramesPerMs / d.speed, due + NoteDelayMs - now - (d.wakeMs > 0 ? 0.75 : 0), 0.75);
    EXPECT_NEAR(second - first, 250 * FramesPerMs * d.speed, 0.1 * FramesPerMs);
    // Pan and volume as the mixer's channels apply them; the second note ends the first.
    EXPECT_TRUE(device.sound[2 * first] == Mixed(10000, 255, NoteVolume) && device.sound[2 * first + 1] == Mixed(10000, 155, NoteVolume));
    EXPECT_TRUE(device.sound[2 * second - 2] == Mixed(10000, 255, NoteVolume) && device.sound[2 * second] == Mixed(-8000, 255, NoteVolume));
  }
  device.wakeMs = 0, device.bufferFrames = AudioChunkSize;
  // A note whose sample was mixed already starts with the next buffer.
  long from = device.Frames() + 2 * AudioChunkSize;
  device.Mix(2);
  StartVoice(5, &a.chunk, 255, 255, Uint32(device.NowMs()) - 500);
  device.Mix(1);
  EXPECT_EQ(device.OnsetAfter(from), from);
  // Voices clip after each one is added.
  from = device.Frames();
  StartVoice(0, &loud.chunk, 255, 255, 0), StartVoice(1, &loud.chunk, 255, 255, 0);
  device.Mix(1);
  EXPECT_EQ(device.sound[2 * from + 2], 32767);
}


// A device 0.2 % fast read up to 2 ms late, by half a second: while the line
// settles (after its first two seconds), a line's sound moves by at most 0.75
// ms against the one before; a stall of 65 ms moves it at once, one of 22 ms
// gradually, also read up to 10 ms late, as behind a sound server, and the
// line settles on the device again, keeping the device's rate through a
// second stall soon after. So it does, within half a minute, on a device that
// turns a percent slower at once, as SDL's disk driver may, without a step's
// sound changing at once.
TEST(DeviceClock, NotesFollowANewLineGraduallyAndALongStallAtOnce) {
  struct { double stall; bool server, twice; double speed; } cases[] = {
      {65, false, false, 1.002}, {22, false, true, 1.002}, {22, true, false, 1.002}, {0, false, false, 0.992}};
  for (auto [stall, server, twice, later] : cases) {
    AudioClock clock;
    const double Period = 1024 / (AudioFrequency / 1000.0);
    double device = 0, tick = 5000, speed = 1.002, placed = 0, gap = 0;
    int line = 1;
    std::vector<double> jumps;  // the gaps more than 0.75 ms off the one before
    for (int reading = 0; reading < 1200; ++reading, device += Period, tick += Period / speed) {
      if (reading == 600 || (twice && reading == 630)) tick += stall, speed = later;
      FollowAudioClock(clock, tick + (server ? reading * 7 % 5 * 2.5 : reading / 11 * 7 % 5 * 0.5), device);
      if (twice && reading == 650) {
        EXPECT_NEAR(clock.rate, speed, 1e-3);  // its points started afresh again
      }
      if (reading == 599 || reading == 1199) {
        EXPECT_NEAR(DeviceMsAt(clock, tick), device - !server, 1) << stall << " " << reading;  // among the earliest readings
      }
      for (; 5000 + 250.0 * line <= tick; ++line) {  // the lines due since the last reading
        double at = DeviceMsAt(clock, 5000 + 250.0 * line);
        if (line > 8 && std::fabs(at - placed - gap) > 0.75) jumps.push_back(at - placed - gap);
        gap = at - placed, placed = at;
      }
    }
    if (stall < 30) {
      EXPECT_TRUE(jumps.empty()) << jumps[0];
      continue;
    }
    ASSERT_EQ(jumps.size(), 2u);  // the stall's gap, then the next one as before
    EXPECT_NEAR(jumps[0], -stall * speed, 2);  // give or take the readings' lateness
    EXPECT_NEAR(jumps[1], stall * speed, 2);
  }
}

// The key whose pitch is strongest in `count` frames of one channel of a stereo
// sound, among C2 to C8.
int LoudestKey(const Sint16* stereo, long count) {
  int best = 0;
  double bestPower = -1;
  for (int key = 36; key <= 108; ++key) {
    double step = 2 * M_PI * KeyFrequency(key) / AudioFrequency, re = 0, im = 0;
    for (long i = 0; i < count; ++i) re += stereo[2 * i] * std::cos(step * i), im += stereo[2 * i] * std::sin(step * i);
    if (re * re + im * im > bestPower) bestPower = re * re + im * im, best = key;
  }
  return best;
}

TEST(NoteBank, EachNotePlaysOnItsChannelWithItsPitchAndPanInEverySoundSet) {
  char name[] = "/tmp/pegpond-notes-XXXXXX";
  std::string dir = mkdtemp(name);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0);
  ASSERT_TRUE(OpenAudioDevice());
  EXPECT_EQ(ChannelCount, 12);
  SDL_LockAudio();  // the test mixes in the device's stead

  // A missing sample fails the bank, after all sixteen were tried.
  std::string link = "ln -s " PEGPOND_DATA_DIR "/note*.wav " + dir + " && rm " + dir + "/note07.wav";
  ASSERT_TRUE(std::system(link.c_str()) == 0 && chdir(dir.c_str()) == 0);
  EXPECT_FALSE(LoadNoteBank());
  ASSERT_EQ(NoteBank.size(), 16u);
  EXPECT_TRUE(NoteBank[7] == nullptr && NoteBank[15] != nullptr);
  auto release = [] { for (Mix_Chunk* chunk : NoteBank) Mix_FreeChunk(chunk); NoteBank.clear(); };
  release();

  // Another set is loaded when chosen; one with a file missing is passed
  // over: the set sounding stays, and the next choice is the one after it.
  link = "ln -sf " PEGPOND_DATA_DIR "/note07.wav " PEGPOND_DATA_DIR "/bells " + dir + " && mkdir " + dir + "/pluck && ln -s " +
         PEGPOND_DATA_DIR "/pluck/note0[0-6]*.wav " + dir + "/pluck";
  ASSERT_EQ(std::system(link.c_str()), 0);
  // A set on its way (read on a thread) leaves the one sounding until it is in.
  auto follow = [] { FollowSoundSets(), WaitForSoundSets(), FollowSoundSets(); };
  ASSERT_TRUE(LoadNoteBank());
  Mix_Chunk* first = NoteBank[0];
  ChooseNextSoundSet();
  EXPECT_TRUE(SoundSetAsked == 1 && NoteBank[0] == first);
  follow();
  EXPECT_TRUE(SoundSetNow == 0 && SoundSetAsked == 0 && NoteBank[0] == first);
  ChooseNextSoundSet(), FollowSoundSets();  // the bells
  EXPECT_TRUE(SoundSetNow == 0 && SoundSetAsked == 2 && NoteBank[0] == first);
  WaitForSoundSets(), FollowSoundSets();
  EXPECT_TRUE(SoundSetNow == 2 && SoundSetAsked == 2 && NoteBank[0] != first && NoteBank[15]);
  ChooseNextSoundSet(), follow();  // vibes: none there
  EXPECT_TRUE(SoundSetNow == 2 && SoundSetAsked == 2);
  ASSERT_EQ(std::system(("rm -r " + dir + "/bells").c_str()), 0);
  ChooseNextSoundSet(), FollowSoundSets();  // round to the first, as loaded before
  EXPECT_TRUE(SoundSetNow == 0 && NoteBank[0] == first);
  SoundSetAsked = 2, FollowSoundSets();  // as the page asks: the bells, loaded before
  EXPECT_EQ(SoundSetNow, 2);
  ChooseNextSoundSet(), ChooseNextSoundSet(), ChooseNextSoundSet(), follow();  // the pluck: still not whole
  EXPECT_TRUE(SoundSetNow == 2 && SoundSetAsked == 2);
  ASSERT_EQ(chdir(PEGPOND_DATA_DIR), 0);
  EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);

  // Every set's keys are the pitches its samples sound.
  for (int set = 0; set < SoundSetCount; ++set) {
    while (SoundSetNow != set) ChooseNextSoundSet(), follow();
    for (int note = 0; note < NoteCount; ++note)
      EXPECT_EQ(LoudestKey(reinterpret_cast<Sint16*>(NoteBank[note]->abuf), 4096), MidiKey(set, note)) << set << " " << note;
  }
  while (SoundSetNow != 0) ChooseNextSoundSet(), follow();

  FakeDevice device(1.0, SDL_GetTicks());
  device.Mix(40);  // whatever played before has died away
  long from = device.Frames();
  PlayNote(-1, 0), PlayNote(16, 0);
  ChannelCount = 0;  // no channels granted: nothing to play on
  PlayNote(5, 0);
  ChannelCount = 12;
  device.Mix(10);
  EXPECT_EQ(device.OnsetAfter(from), device.Frames());
  // Each note alone (the one before has died away), then 12 cutting 0 on channel 0.
  for (int note = 0; note <= NoteCount; ++note) {
    from = device.Frames();
    if (note == NoteCount) PlayNote(0, 0);
    PlayNote(note % NoteCount + (note == NoteCount) * 12, 0);
    device.Mix(33);  // 1.5 s
    double left = 0, right = 0;
    for (long i = from + 256; i < from + 256 + 4096; ++i) {
      double l = device.sound[2 * i], r = device.sound[2 * i + 1];
      left += l * l, right += r * r;
    }
    int played = note == NoteCount ? 12 : note;
    EXPECT_EQ(LoudestKey(&device.sound[2 * (from + 256)], 4096), MidiKey(0, played)) << note;
    int pan = NotePan(played);  // low notes to the left, high ones to the right
    EXPECT_NEAR(std::sqrt(left / right), (255.0 - pan) / (155.0 + pan), 0.03) << note;
  }
  SDL_UnlockAudio();
  release();
  LoadNoteBank();  // which lets the other sets go
  release();
  Mix_CloseAudio();
  SDL_Quit();
}

// A program change on each of the twelve channels, the first after `delta` ticks.
std::vector<Uint8> Programs(Uint8 program, Uint8 delta) {
  std::vector<Uint8> events;
  for (int channel = 0; channel < 12; ++channel) {
    if (channel == 0 && delta >= 128) events.push_back(Uint8(0x80 | delta >> 7));
    events.insert(events.end(), {Uint8(channel ? 0 : delta & 0x7f), Uint8(0xc0 | MidiChannel(channel)), program});
  }
  return events;
}
std::vector<Uint8> Join(const std::vector<std::vector<Uint8>>& parts) {
  std::vector<Uint8> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(Midi, KeysChannelsPansProgramsAndTheTrackTickForTick) {
  for (int note = 0; note < NoteCount; ++note) EXPECT_NE(MidiChannel(note % 12), 9);
  EXPECT_EQ(MidiTicks(250), 240u);

  EXPECT_EQ(MidiTicks(125, 240), 240u);
  // The pan law (the lowest and highest notes' volumes, the middle, the sides)
  // and the velocity of the notes' volume, of silence and of more than full.
  const int pans[][3] = {{255, 155, 44}, {155, 255, 83}, {205, 205, 64}, {255, 0, 0}, {0, 255, 127}};
  for (const auto& p : pans) EXPECT_EQ(MidiPan(p[0], p[1]), p[2]) << p[0] << " " << p[1];
  EXPECT_EQ(MidiVelocity(NoteVolume), 50);
  EXPECT_EQ(MidiVelocity(0), 1);
  EXPECT_EQ(MidiVelocity(200), 127);
  const std::vector<TakeTempo> Steady = {{0, MidiQuarterUs}};
  const struct {
    std::vector<TakeNote> notes;
    Uint32 endTick;
    std::vector<Uint8> events;  // after the first tempo
    std::vector<TakeTempo> tempos;
  } takes[] = {
      // Running status; a note cut by the next on its channel at 720, the pan
      // sent only when it changes, the last note ended by the stop, one after it dropped.
      {{{0, 100, 0, 60, 50, 44}, {240, 100, 1, 62, 50, 46}, {480, 480, 0, 72, 50, 60}, {720, 300, 0, 84, 50, 60},
        {960, 10, 2, 60, 50, 44}},
       960,
       {0, 0xb0, 10, 44, 0, 0x90, 60, 50, 100, 60, 0, 0x81, 12, 0xb1, 10, 46, 0, 0x91, 62, 50, 100, 62, 0, 0x81, 12,
        0xb0, 10, 60, 0, 0x90, 72, 50, 0x81, 112, 72, 0, 0, 84, 50, 0x81, 112, 84, 0, 0, 0xff, 0x2f, 0}, Steady},
      // Of two on one channel at one tick only the second is heard; channel 9 is MIDI's 10.
      {{{0, 100, 9, 64, 50, 64}, {0, 100, 9, 67, 50, 64}}, 200,
       {0, 0xba, 10, 64, 0, 0x9a, 67, 50, 100, 67, 0, 100, 0xff, 0x2f, 0}, Steady},
      {{}, 0x0fffffff, {0xff, 0xff, 0xff, 0x7f, 0xff, 0x2f, 0}, Steady},  // the longest delta time
      // A note in another sound set: every channel changes program first.
      {{{0, 100, 0, 60, 50, 44, 0}, {240, 100, 1, 62, 50, 46, 8}},
       480,
       Join({{0, 0xb0, 10, 44, 0, 0x90, 60, 50, 100, 60, 0}, Programs(8, 140), {0, 0xb1, 10, 46, 0, 0x91, 62, 50, 100, 62, 0,
              0x81, 12, 0xff, 0x2f, 0}}),
       Steady},
      // 240 bpm from the second step: its tempo event before its note, whose
      // status is sent again; none at the end.
      {{{0, 100, 0, 60, 50, 44}, {240, 100, 0, 62, 50, 44}}, 480,
       {0, 0xb0, 10, 44, 0, 0x90, 60, 50, 100, 60, 0, 0x81, 12, 0xff, 0x51, 3, 0x03, 0xd0, 0x90, 0, 0x90, 62, 50, 100, 62,
        0, 0x81, 12, 0xff, 0x2f, 0},
       {{0, MidiQuarterUs}, {240, 250000}, {480, 250000}}},
  };
  for (const auto& take : takes) {  // the take starts with program 0 on every channel
    std::vector<Uint8> file = EncodeMidi(take.notes, take.endTick, take.tempos, 0);
    std::vector<Uint8> head = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xe0, 'M', 'T', 'r', 'k', 0, 0, 0,
                               Uint8(7 + 36 + take.events.size()), 0, 0xff, 0x51, 3, 0x07, 0xa1, 0x20};
    std::vector<Uint8> programs = Programs(0, 0);
    head.insert(head.end(), programs.begin(), programs.end());
    head.insert(head.end(), take.events.begin(), take.events.end());
    EXPECT_EQ(file, head);
  }
}

TEST(Takes, AFullDiskEndsATakeAsAWholeShorterWavAndALongOneKeepsEveryFrame) {
  char name[] = "/tmp/pegpond-takes-XXXXXX";
  std::string dir = mkdtemp(name);
  // A take in a child of its own, under a file size limit if one is given,
  // the test handing over the sound in the audio thread's stead: its WAV
  // file's bytes, or none when the child did not end well.
  auto take = [&](const std::string& file, rlim_t limit, auto hand) {
    pid_t child = fork();
    if (child == 0) {
      if (limit) {  // writes stop short, as on a full disk
        signal(SIGXFSZ, SIG_IGN);
        rlimit size{limit, limit};
        setrlimit(RLIMIT_FSIZE, &size);
      }
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      if (SDL_Init(SDL_INIT_AUDIO) != 0 || !OpenAudioDevice()) _exit(2);
      SDL_LockAudio();
      if (!StartTake(dir + "/" + file)) _exit(3);
      _exit(hand() ? 0 : 4);
    }
    int status = -1;
    bool ended = waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    EXPECT_TRUE(ended) << file << " " << status;
    std::ifstream wav(dir + "/" + file + ".wav", std::ios::binary);
    return ended ? std::vector<Uint8>((std::istreambuf_iterator<char>(wav)), std::istreambuf_iterator<char>()) : std::vector<Uint8>();
  };

  // Longer than the writer's ring (about six seconds), handed over in bursts
  // that the writer takes across the ring's end: every frame, in order.
  const Uint32 Frames = 150 * AudioChunkSize;
  std::vector<Uint8> bytes = take("long", 0, [&] {
    std::vector<Uint32> chunk(AudioChunkSize);
    for (Uint32 frame = 0; frame < Frames; frame += AudioChunkSize) {
      for (int i = 0; i < AudioChunkSize; ++i) chunk[i] = frame + Uint32(i);
      KeepTakeSound(reinterpret_cast<Sint16*>(chunk.data()), AudioChunkSize, 0);
      if (frame / AudioChunkSize % 10 == 9) SDL_Delay(40);
    }
    bool kept = FollowTake();
    StopTake(), WaitForTakeSound();
    return kept;
  });
  ASSERT_EQ(bytes.size(), 44 + 4 * size_t(Frames));
  std::vector<Uint32> frames(Frames);
  std::memcpy(frames.data(), &bytes[44], 4 * size_t(Frames));
  for (Uint32 i = 0; i < Frames; ++i) ASSERT_EQ(frames[i], i);

  // A full disk ends the take, whole frames written and the sizes right.
  std::vector<Sint16> buffer(2 * AudioChunkSize);
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = Sint16(i * 7);
  bytes = take("take", 100000, [&] {
    for (int i = 0; i < 60 && FollowTake(); ++i) {
      KeepTakeSound(buffer.data(), AudioChunkSize, 0);
      SDL_Delay(10);
    }
    bool ended = !FollowTake();
    WaitForTakeSound();
    return ended;
  });
  auto number = [&](int at) { return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24; };
  ASSERT_TRUE(bytes.size() > 50000 && bytes.size() <= 100000 && bytes.size() % 4 == 0) << bytes.size();
  EXPECT_TRUE(number(4) == int(bytes.size()) - 8 && number(40) == int(bytes.size()) - 44 && number(24) == AudioFrequency);
  EXPECT_EQ(std::memcmp(&bytes[44], buffer.data(), 4096), 0);
  EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}
}  // namespace
