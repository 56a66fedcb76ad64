// Audio: the device settings, the bank of sixteen note samples, the panned
// playback of one note on a fixed set of mixer channels, and the schedule that
// starts every note a constant delay after its line was due, at the exact sample.
#pragma once

#include <SDL_mixer.h>

#include <vector>

const int AudioFrequency = 22050;
const Uint16 AudioFormat = AUDIO_S16LSB;
const int AudioOutputChannels = 2;
const int AudioChunkSize = 1024;
const int NoteCount = 16;
const int NoteVolume = 50;  // of the mixer's 128

extern int ChannelCount;  // mixing channels granted; 12 asked for
extern std::vector<Mix_Chunk*> NoteBank;

// Opens the device, allocates the channels and starts the voices; false when
// the device will not open.
bool OpenAudioDevice();

// Loads "note00.wav" to "note15.wav" in order (all sixteen are attempted) and
// sets their volumes; false at the first note that did not load.
bool LoadNoteBank();

// Plays a note once on channel note mod ChannelCount, panned by its number (low
// notes to the left, high ones to the right), NoteDelayMs after dueMs (the
// SDL_GetTicks time its line was due). Out-of-range notes are ignored.
void PlayNote(int note, Uint32 dueMs);

// The pan of a note (0 to 100): left volume 255 - pan, right 155 + pan.
int NotePan(int note);

// ---- Voices: where scheduled notes sound --------------------------------------
// One implementation per backend: our own mixer on SDL_mixer's device
// (voices.cpp), the page's audio clock in the browser (the platform's web file).
// A note starts at dueMs + NoteDelayMs, or at once when that sample has already
// been mixed; from then on it ends what its channel played.
extern const Uint32 NoteDelayMs;
void StartVoices();
void StartVoice(int channel, Mix_Chunk* chunk, Uint8 left, Uint8 right, Uint32 dueMs);

// Our mixer's step, run on the audio thread after SDL_mixer's channels: follows
// the device clock at nowMs, places the notes started since, and adds `frames`
// stereo frames of the twelve voices to `out`, as the mixer's channels would
// (pan, volume, clipping). Tests run it on a fake clock.
void MixVoices(Sint16* out, int frames, Uint32 nowMs);

// ---- The device clock -----------------------------------------------------------
// SDL_GetTicks against the device's own clock (its sample count), both in ms:
// a line whose rate is measured over many readings and whose phase is the mean
// of the recent ones, so the jitter of single readings is smoothed away while
// drift is followed. A reading off the line by more than ClockJumpMs (a stalled
// device) starts the line afresh.
const double ClockJumpMs = 15;
struct AudioClock {
  static constexpr int Capacity = 256;  // readings the rate is measured over
  static constexpr int Recent = 48;    // readings the phase is taken from
  double tickMs[Capacity], deviceMs[Capacity];
  int count = 0, next = 0;
  double tickAnchorMs = 0, deviceAnchorMs = 0, rate = 1;  // the line
};
void FollowAudioClock(AudioClock& clock, double tickMs, double deviceMs);
double DeviceMsAt(const AudioClock& clock, double tickMs);
