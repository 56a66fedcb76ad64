// Audio: the device settings, the bank of sixteen note samples and the other
// sound sets, the panned playback of one note on a fixed set of mixer
// channels, and the schedule that starts every note a constant delay after its
// line was due, at the exact sample.
#pragma once

#include <SDL_mixer.h>

#include <string>
#include <vector>

#include "sound_sets.h"

const int AudioFrequency = 22050;
const Uint16 AudioFormat = AUDIO_S16LSB;
const int AudioOutputChannels = 2;
const int AudioChunkSize = 1024;
const int NoteCount = 16;
const int NoteVolume = 50;  // of the mixer's 128

extern int ChannelCount;  // mixing channels granted; 12 asked for
extern std::vector<Mix_Chunk*> NoteBank;  // the sound set's now

// Opens the device, allocates the channels and starts the voices; false when
// the device will not open.
bool OpenAudioDevice();

// Loads "note00.wav" to "note15.wav" in order (all sixteen are attempted) and
// sets their volumes; false at the first note that did not load. The first
// sound set sounds, and the others are to be loaded again.
bool LoadNoteBank();

// ---- Sound sets ------------------------------------------------------------------
// The first set is the one loaded at the start. Another is loaded when it is
// first chosen, and notes sound in it once all its sixteen samples are in;
// one that cannot be had whole is passed over: the set sounding stays, and
// the next choice is the set after the one passed over.
extern int SoundSetNow;    // the set the notes sound in
extern int SoundSetAsked;  // the set the notes are to sound in, once it is in
void ChooseNextSoundSet();  // the one after the set chosen last, round to the first
// Once a frame: brings the chosen set on, a step at a time, without waiting.
void FollowSoundSets();
// The backend's half. A set's files: 1 at hand, 0 still being fetched (the
// page's, fetched and decoded the first time they are asked for; on Linux,
// read and converted on a thread), -1 not to be had. One sample of a set's
// folder ("" for the data folder), loaded for the mixer, or null. Waiting for
// the set on its way: before the end, and in tests.
int FetchSoundSet(const char* folder);
Mix_Chunk* LoadNoteSample(const char* folder, const char* name);
void WaitForSoundSets();

// Plays a note once on channel note mod ChannelCount, panned by its number (low
// notes to the left, high ones to the right), NoteDelayMs after dueMs (the
// SDL_GetTicks time its line was due). Out-of-range notes are ignored.
void PlayNote(int note, double dueMs);

// The pan of a note (0 to 100): left volume 255 - pan, right 155 + pan.
int NotePan(int note);

// ---- Voices: where scheduled notes sound --------------------------------------
// One implementation per backend: our own mixer on SDL_mixer's device
// (voices.cpp), the page's audio clock in the browser (the platform's web file).
// A note starts at dueMs + NoteDelayMs, or at once when that sample has already
// been mixed; from then on it ends what its channel played. Our mixer numbers
// its voices (0: none) and tells, for a while, the frame each one started at.
extern const Uint32 NoteDelayMs;
void StartVoices();
Uint32 StartVoice(int channel, Mix_Chunk* chunk, Uint8 left, Uint8 right, double dueMs);
bool VoiceFrame(Uint32 serial, Sint64* frame);

// Our mixer's step, run on the audio thread after SDL_mixer's channels: follows
// the device clock at nowMs (SDL_GetTicks's, to the fraction of a ms), places
// the notes started since, and adds `frames` stereo frames of the twelve voices
// to `out`, as the mixer's channels would (pan, volume, clipping). Tests run it
// on a fake clock.
void MixVoices(Sint16* out, int frames, double nowMs);

// ---- Takes: what is heard from a start to a stop, kept -------------------------
// The notes go into a standard MIDI file (path + ".mid") at the stop. The sound
// is the backend's: on Linux the mixer's output as a WAV file (path + ".wav"),
// in the browser a clip with the picture, made by the page.
bool StartTake(const std::string& path);  // false when the sound cannot be kept: no take then
void StopTake();
// Once a frame: ends a take whose sound has ended by itself (a failed write, a
// writer fallen behind, an hour); true while a take runs.
bool FollowTake();
// PlayNote's note, as it will sound; serial is its voice's.
void KeepTakeNote(int note, int channel, Mix_Chunk* chunk, Uint8 left, Uint8 right, double dueMs, Uint32 serial);
// The tempo (bpm, a step an eighth note) from the step due at dueMs on: the
// MIDI file gets a tempo event there, and every note stays on its steps.
void KeepTakeTempo(int bpm, double dueMs);

// The backend's half. The sound's origin is the SDL_GetTicks time of its first
// sample and, for our mixer, its device frame; its length what has been kept
// so far. A note whose voice's frame is known is written where it sounds in
// the take; others by their due times.
const Uint32 TakeLimitMs = 3600 * 1000;
bool StartTakeSound(const std::string& path);
void StopTakeSound();
bool TakeSoundRunning();
Uint32 TakeSoundOriginMs();
double TakeSoundMsAt(Sint64 frame);
double TakeSoundLengthMs();
double SampleLengthMs(Mix_Chunk* chunk);
// Linux: the audio thread hands its output over after our own mixing (it never
// waits), from device frame firstFrame on, and a thread of the take writes it;
// WaitForTakeSound joins that thread once the take has stopped.
void KeepTakeSound(const Sint16* out, int frames, Sint64 firstFrame);
void WaitForTakeSound();

// ---- A take's notes as a standard MIDI file ------------------------------------
// Type 0, 480 ticks a quarter at 120 bpm: one 250 ms step is 240 ticks.
const int MidiTicksPerQuarter = 480;
const Uint32 MidiQuarterUs = 500000;
struct TakeNote {
  Uint32 tick, ticks;  // when it starts, and how long its sample lasts
  Uint8 channel;       // the mixer's
  Uint8 key, velocity, pan;
  Uint8 program = 0;   // the General MIDI program of its sound set
};
// Our note n is its sound set's key (the first set: 60 + 12 (n / 5) + {0, 2,
// 4, 7, 9}[n mod 5], the major pentatonic from C4); mixer channel c is MIDI
// channel c, past 8 one further (never the drums' 9); the pan is controller 10
// by the General MIDI pan law.
int MidiKey(int set, int note);
int MidiChannel(int mixerChannel);
Uint8 MidiPan(Uint8 left, Uint8 right);
Uint8 MidiVelocity(int volume);
Uint32 MidiTicks(double ms, int bpm = 120);  // ms at a tempo as ticks
// A quarter lasts quarterUs from tick on: a take's sound may run a little off
// the tempo played.
struct TakeTempo {
  Uint32 tick, quarterUs;
};
// Notes in the order they were played; each sounds until its sample ends, the
// next note on its mixer channel cuts it, or the take ends at endTick. The
// tempos are in order, the first at tick 0. Every channel gets the program
// the take started with at tick 0, and a new one where a note first sounds in
// another set.
std::vector<Uint8> EncodeMidi(const std::vector<TakeNote>& notes, Uint32 endTick,
                              const std::vector<TakeTempo>& tempos = {{0, MidiQuarterUs}},
                              Uint8 startProgram = SoundSets[0].program);

// ---- The device clock -----------------------------------------------------------
// SDL_GetTicks against the device's own clock (its sample count), both in ms.
// A device takes a buffer when it wakes (a sound server every 20-40 ms, two
// buffers at a time now and then; the disk driver after each sleep), so the
// mixer runs, and a reading is taken, from the moment the buffer was wanted to
// a wake-up period later: late, never early. The device's clock is the
// readings' upper envelope: each half second's earliest reading (its device
// time highest against the line) is a point, and the line is fitted through the
// last ClockPoints points, so it moves by hundredths of a ms as points come and
// go while drift is followed.
// - The rate known before (at first the nominal one) is weighed in by how far
//   the points scatter, as a device's rate is at most a few hundred ppm off it,
//   unless the points plainly contradict it (SDL's disk driver runs 0.7 % fast).
// - Every reading later than the line by more than ClockJumpMs for ClockStallMs
//   (a device that stalled, a stream that started after filling its buffer),
//   or, once the line stands on three points, one earlier by that much (a
//   device that took more at once), starts the points afresh.
// - Notes are placed on a line that closes its distance to the fitted line by
//   at most ClockSlew ms a ms (a quarter of a ms from one 250 ms step to the
//   next, half a ms from one 500 ms step at 60 bpm), as a new point may move
//   the fitted line by a ms or two while it stands on few; before the third
//   point it moves with it at once. Its rate turns to the fitted rate by at
//   most ClockTurn a ms (a step's sound by half a ms from one step to
//   the next): a rate found anew, or a device whose pace changes (SDL's disk
//   driver, by a percent within a second when its machine wakes it later),
//   never shortens or lengthens every step at once.
// - After a stall of at most ClockLossMs, though, notes close the distance by
//   ClockCatchUp ms a ms (half a ms a 250 ms step; 11 s for 22 ms): the stall
//   moved the sound that was playing by as much, and a note moved at once
//   would make a second gap off in what is heard. A longer stall moves them
//   at once.
const double ClockJumpMs = 15, ClockStallMs = 500, ClockPointMs = 500, ClockSlew = 0.001;
const double ClockLossMs = 30, ClockCatchUp = 0.002, ClockTurn = 8e-6;
struct AudioClock {
  static constexpr int ClockPoints = 32;
  double pointTickMs[ClockPoints], pointDeviceMs[ClockPoints];
  int count = 0, next = 0;  // points kept, and where the next goes
  bool started = false;
  double openTickMs = 0, bestTickMs = 0, bestDeviceMs = 0;  // this point's start and earliest reading
  double lateSinceMs = -1;  // since when every reading was later than the line by more than a jump
  double leastLateMs = 0;   // and by how much at least
  double priorRate = 1;                                    // the rate known before the points
  double tickAnchorMs = 0, deviceAnchorMs = 0, rate = 1;  // the fitted line
  double placedTickMs = 0, placedDeviceMs = 0, placedRate = 1;  // the notes' line
  bool catchingUp = false;                                 // after a short stall
};
void FollowAudioClock(AudioClock& clock, double tickMs, double deviceMs);
double DeviceMsAt(const AudioClock& clock, double tickMs);  // on the notes' line
