// Audio: the device settings, the bank of sixteen note samples and the panned
// playback of one note on a fixed set of mixer channels.
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

// Opens the device and allocates the channels; false when the device will not open.
bool OpenAudioDevice();

// Loads "note00.wav" to "note15.wav" in order (all sixteen are attempted) and
// sets their volumes; false at the first note that did not load.
bool LoadNoteBank();

// Plays a note once on channel note mod ChannelCount, panned by its number:
// low notes to the left, high ones to the right. Out-of-range notes are ignored.
void PlayNote(int note);

// The pan of a note (0 to 100): left volume 255 - pan, right 155 + pan.
int NotePan(int note);
