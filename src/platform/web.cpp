// The browser stands in for the handheld's platform (built with emscripten):
// the page's canvas with its WebGL context is the screen, the browser's device
// motion is the accelerometer, and the mixer's channels carry the note volume.
#include <SDL.h>
#include <SDL_mixer.h>
#include <emscripten.h>
#include <emscripten/html5.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "audio.h"
#include "notes.h"
#include "pictures.h"
#include "platform.h"
#include "wav.h"

// The start's long work (making the pictures and notes, the screen, the
// shaders, the textures, the notes' decoding) holds the page's thread for at
// most a few ms at a time, so that the page answers and shows what is drawn
// meanwhile. A message to itself lets the browser run what waits and comes
// back at once; a timer would wait 4 ms more each time, as nested timers do.
EM_ASYNC_JS(void, YieldToPage, (), {
  await new Promise(function(resume) {
    var channel = new MessageChannel();
    channel.port1.onmessage = resume;
    channel.port2.postMessage(0);
  });
});
// The page starts the browser's GPU and audio sides while the program makes
// its pictures and notes; its contexts wait for them to be ready (page.js).
EM_ASYNC_JS(void, WaitForWarmUp, (), {
  if (Module.warmed) await Module.warmed;
});
namespace {
double LastBreath;
}  // namespace
void Breathe() {
  if (emscripten_get_now() - LastBreath < 4) return;
  YieldToPage();
  LastBreath = emscripten_get_now();
}

// The page brings only the splash's lettering: the pictures and the first
// sound set's notes are made here, by the build's own generators, into /data,
// where the program's folder links them. Megabytes less to fetch, for about a
// second of drawing.
void PreparePlatform() {
  // emscripten starts with a umask of 0777, so files the program makes (the
  // pattern slots) could not be read back: use the usual one.
  umask(022);
  YieldToPage();  // the program's first steps compile as they run: a task of their own
  LastBreath = emscripten_get_now();
  Picture background, splash;
  MakePond(UnpackSparse(FileBytes("/data/splash-words.bin")), &background, &splash, Breathe);
  WriteFileBytes("/data/splash.png", StoredPng(splash));
  Breathe();
  WriteFileBytes("/data/background.png", StoredPng(background));
  Breathe();
  WriteFileBytes("/data/peg.png", StoredPng(MakePeg()));
  for (int note = 0; note < 16; ++note, Breathe()) {
    char name[32];
    std::snprintf(name, sizeof name, "/data/note%02d.wav", note);
    WriteWav(name, MakeNote(0, note), 1);
  }
  EM_ASM({ if (Module.onMade) Module.onMade(); });
  WaitForWarmUp();
}

// emscripten's SDL counts its ticks on the wall clock, which the system may
// step or slew; the sweep and the audio schedule need a steady one.
namespace {
const double StartMs = emscripten_get_now();
}  // namespace

Uint32 SDL_GetTicks() { return static_cast<Uint32>(emscripten_get_now() - StartMs); }

// emscripten's SDL files keys by the browser's key codes, arrows moved up by 1024.
const int TiltLeftKey = 80 | 1 << 10, TiltRightKey = 79 | 1 << 10, TiltUpKey = 82 | 1 << 10,
          TiltDownKey = 81 | 1 << 10, ShakeKey = 8;

// The page's steering and clear controls hold an arrow or Backspace for a
// moment (left, right, up, down, shake), as a finger on the key would.
namespace {
Uint32 HeldUntil[5];
bool Holding[5];
}  // namespace
extern "C" EMSCRIPTEN_KEEPALIVE void HoldKey(int which, int ms) {
  if (which < 0 || which >= 5 || ms <= 0 || ms > 1000) return;
  for (int arrow = 0; arrow < 4 && which < 4; ++arrow) HeldUntil[arrow] = 0;  // one way at a time
  HeldUntil[which] = SDL_GetTicks() + ms;
}
const Uint8* HeldKeys() {
  static const int Keys[5] = {TiltLeftKey, TiltRightKey, TiltUpKey, TiltDownKey, ShakeKey};
  Uint8* keys = const_cast<Uint8*>(SDL_GetKeyboardState(nullptr));
  Uint32 now = SDL_GetTicks();
  for (int i = 0; i < 5; ++i) {
    bool hold = static_cast<Sint32>(HeldUntil[i] - now) > 0;
    if (hold || Holding[i]) keys[Keys[i]] = hold;  // a hold that ends lets the key go
    Holding[i] = hold;
  }
  return keys;
}

// The start gives the page its thread back between its long steps (the sound
// device, the screen, the splash, the page's controls), so that none holds it
// for long and the splash shows as soon as it is drawn.
SDL_Surface* OpenScreen() {
  emscripten_sleep(0);
  // The page sizes the canvas's drawing buffer for the viewport before the
  // program starts; the browser scales it to the page.
  int width = 320, height = 480;
  emscripten_get_canvas_element_size("#canvas", &width, &height);
  SDL_Surface* screen = SDL_SetVideoMode(width, height, 0, SDL_OPENGL);
  // emscripten's SDL gives a screen even when the canvas gave no WebGL context.
  return EM_ASM_INT({ return !!Module.ctx; }) ? screen : nullptr;
}

// The browser presents what was drawn whenever the frame loop yields to it;
// the splash, the first frame, is presented before the start goes on.
void SwapScreen() {
  static bool presented = false;
  if (!presented) presented = true, emscripten_sleep(0);
}
void CloseScreen() {}
void KeepScreenOn(bool) {}

// The page writes the pattern of its link into the grid, reads the grid back
// to share it, and watches the life switch, the tempo, the sound set (whose
// names it is told) and the motion switch, which it keeps; it sets the water's
// calm.
void ShareState(const SharedState& s) {
  emscripten_sleep(0);
  std::string names;
  for (const SoundSet& set : SoundSets) names += (names.empty() ? "" : ",") + std::string(set.name);
  EM_ASM({ if (Module.onState) Module.onState($0, $1, $2, $3, $4, $5, $6, UTF8ToString($7), $8, $9); }, s.grid, s.cells,
         s.lifeMode, s.tempo, s.nextTempo, s.soundSet, s.askedSoundSet, names.c_str(), &MotionSensing, s.calmWater);
}

void Announce(const char* text) {
  EM_ASM({ if (Module.announce) Module.announce(UTF8ToString($0)); }, text);
}

// The page's controls: each hands the program the command of its key, as that
// key's press, so the keys' own handling is the only one. mods: 1 Shift, 2 Ctrl.
extern "C" EMSCRIPTEN_KEEPALIVE void PressKey(int sym, int mods) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.state = SDL_PRESSED;
  event.key.keysym.sym = static_cast<SDLKey>(sym);
  event.key.keysym.mod = static_cast<SDLMod>((mods & 1 ? KMOD_LSHIFT : 0) | (mods & 2 ? KMOD_LCTRL : 0));
  SDL_PushEvent(&event);
}

// The page's grid for the keyboard toggles a cell as a tap on it would: a
// press and a release at a point of the screen.
extern "C" EMSCRIPTEN_KEEPALIVE void TapAt(int x, int y) {
  SDL_Event event{};
  event.type = SDL_MOUSEBUTTONDOWN;
  event.button.button = SDL_BUTTON_LEFT;
  event.button.state = SDL_PRESSED;
  event.button.x = static_cast<Uint16>(x);
  event.button.y = static_cast<Uint16>(y);
  SDL_PushEvent(&event);
  event.type = SDL_MOUSEBUTTONUP;
  event.button.state = SDL_RELEASED;
  SDL_PushEvent(&event);
}

// The browser reports no focus changes of the pointer alone.
void FilterPointerFocusEvents() {}

namespace {
bool Listening = false;
double LastMotionMs = -1e9;
TiltAxes Motion;

// Acceleration including gravity in m/s^2, as a phone pushes against gravity
// (lying flat, z = +9.8); iOS reports the opposite signs.
EM_BOOL OnMotion(int, const EmscriptenDeviceMotionEvent* event, void*) {
  static const bool Inverted = EM_ASM_INT({
    return /iPhone|iPad|iPod/.test(navigator.userAgent) || (navigator.platform == 'MacIntel' && navigator.maxTouchPoints > 1);
  });
  double sign = Inverted ? -1.0 : 1.0;
  Motion = AccelerationToTilt(sign * event->accelerationIncludingGravityX, sign * event->accelerationIncludingGravityY,
                              sign * event->accelerationIncludingGravityZ);
  LastMotionMs = emscripten_get_now();
  return EM_FALSE;
}
}  // namespace

bool ReadTiltSensor(TiltAxes* axes) {
  if (!Listening) Listening = emscripten_set_devicemotion_callback(nullptr, EM_FALSE, OnMotion) == EMSCRIPTEN_RESULT_SUCCESS;
  // A desktop browser sends no motion; a phone sends it many times a second.
  if (emscripten_get_now() - LastMotionMs > 1000.0) return false;
  *axes = Motion;
  return true;
}

// emscripten's mixer cannot set a sample's own volume (Mix_VolumeChunk throws).
// Every note has the same volume, so the channels carry it instead.
int Mix_VolumeChunk(Mix_Chunk*, int volume) { return volume < 0 ? MIX_MAX_VOLUME : Mix_Volume(-1, volume); }

// ---- Voices on the page's audio clock ----------------------------------------
// Every note's buffer source is started at its time on the AudioContext's clock
// (and its channel's previous source stopped then), so however busy the main
// thread is later, the audio thread plays it on the beat. emscripten's mixer
// has decoded the samples and keeps the channels' volumes.
const Uint32 NoteDelayMs = 45;  // one frame (33 ms) and a margin for the page's audio thread

void StartVoices() {
  // The context's time now, on the edge of what its audio thread has rendered:
  // the time being heard plus the most the rendering has been seen ahead of
  // it, watched every few ms so it is known before the first note.
  // - With an output timestamp (Chromium, Firefox), the time heard is its lower
  //   envelope over the last second against the performance clock: the stamp
  //   itself where it is smooth, the line through the steps' starts where it
  //   moves a block at a time (Firefox: 17-20 ms).
  // - Without a usable one (none yet, or WebKitGTK's, which stamps times still
  //   to come), the rendered time stands in, and its upper envelope: while
  //   notes sound WebKitGTK renders 60 ms further ahead for a second or more,
  //   which must not move the beat. The envelope follows a rendering that
  //   falls behind (a stall, a resume) at once and one that runs ahead by half
  //   a ms a second; where the stamps are WebKitGTK's, the lead covers its
  //   bursts from the start.
  // Notes are placed by the offset from the performance clock to that time.
  // The estimates settle by a few ms in the first seconds, and a step in the
  // offset would be a step in the beat: it follows them by half a ms a second
  // (an eighth of a ms a step). It jumps to a rise of more than 10 ms, which
  // would otherwise make notes late, but to a fall only of more than 50 ms (a
  // stall, a resume): WebKitGTK's rendering lags by 10-15 ms for a moment now
  // and then, and notes placed a little later than they need be still keep
  // the beat.
  EM_ASM({
    var lead = 0;
    var behind = -1e9;
    var offset = NaN;
    var last = 0;
    var future = false;
    var ahead = new Array();  // no bare brackets or commas: this is a macro argument
    var watch = function() {
      var context = SDL.audioContext;
      if (!context || context.state != 'running') {
        ahead.length = 0;
        behind = -1e9;
        offset = NaN;
        return;
      }
      var now = performance.now();
      var rendered = context.currentTime * 1000;
      var heard;
      var stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : {};
      future = future || stamp.performanceTime > now + 50;
      if (stamp.performanceTime > 0 && !future) {
        ahead.push(stamp.performanceTime - stamp.contextTime * 1000);
        if (ahead.length > 150) ahead.shift();
        heard = now - Math.min.apply(null, ahead);
      } else {
        behind = Math.max(now - rendered, behind - 0.0005 * (now - last));
        heard = now - behind;
        if (future) lead = Math.max(lead, 90);
      }
      lead = Math.max(lead, rendered - heard);
      var target = heard + lead - now;
      var slew = 0.0005 * (now - last);
      var change = target - offset;
      offset = change > 10 || change < -50 || change != change ? target : Math.min(Math.max(target, offset - slew), offset + slew);
      last = now;
    };
    setInterval(watch, 7);
    // The context's time in seconds of a time on the performance clock, or -1
    // while the context is not running.
    Module.audioAt = function(performanceMs) {
      watch();
      return offset == offset ? (performanceMs + offset) / 1000 : -1;
    };
  });
}

// The first sound set comes with the page, and the mixer decodes its samples
// as it loads them. The page fetches the others the first time they are asked
// for, into audio buffers of its own, and a note of one is a sample of the
// mixer's (a number in its list) for the page's buffer.
int FetchSoundSet(const char* folder) {
  return EM_ASM_INT({ return Module.fetchSoundSet ? Module.fetchSoundSet(UTF8ToString($0)) : -1; }, folder);
}
void WaitForSoundSets() {}  // the page's fetches end with it
Mix_Chunk* LoadNoteSample(const char* folder, const char* name) {
  Breathe();
  if (!*folder) return Mix_LoadWAV_RW(SDL_RWFromFile(name, "rb"), 1);
  return reinterpret_cast<Mix_Chunk*>(EM_ASM_INT({
    var buffer = Module.soundSample ? Module.soundSample(UTF8ToString($0), UTF8ToString($1)) : null;
    if (!buffer) return 0;
    SDL.audios.push({ source: UTF8ToString($1), webAudio: { decodedBuffer: buffer } });
    return SDL.audios.length - 1;
  }, folder, name));
}

// The page tells no frames: a take's notes are written by their due times.
bool VoiceFrame(Uint32, Sint64*) { return false; }

Uint32 StartVoice(int channel, Mix_Chunk* chunk, Uint8 left, Uint8 right, double dueMs) {
  double when = EM_ASM_DOUBLE({ return Module.audioAt($0); }, StartMs + dueMs + NoteDelayMs);
  EM_ASM({
    var sample = SDL.audios[$1];
    var context = SDL.audioContext;
    var channel = SDL.channels[$0];
    if (!context || !sample || !sample.webAudio || !sample.webAudio.decodedBuffer) return;
    var when = Math.max($4, context.currentTime);
    var voices = Module.voices = Module.voices || [];
    if (voices[$0]) voices[$0].stop(when);
    var source = voices[$0] = context.createBufferSource();
    source.buffer = sample.webAudio.decodedBuffer;
    var panner = context.createPanner();
    panner.panningModel = 'equalpower';
    panner.setPosition(($3 - $2) / 255, 0, 0.1);
    var gain = context.createGain();
    gain.gain.value = channel ? channel.volume : 1;
    source.connect(panner);
    panner.connect(gain);
    gain.connect(context.destination);
    if (Module.clipSound) gain.connect(Module.clipSound);
    source.start(when);
  }, channel, reinterpret_cast<intptr_t>(chunk), left, right, when);
  return 0;
}

// ---- A take's clip ---------------------------------------------------------
// The page records the canvas and the notes (which sound into the clip as well
// as from the speakers) with a MediaRecorder; at the stop it offers the clip
// and the take's MIDI file, written just after, through the share sheet, or
// downloads them.
namespace {
bool Clip = false;
Uint32 ClipStartMs = 0, ClipStopMs = 0;
}  // namespace

std::string TakeFolder() { return "/takes"; }

bool StartTakeSound(const std::string& path) {
  Clip = EM_ASM_INT({ return Module.startClip(UTF8ToString($0)); }, path.c_str());
  ClipStartMs = SDL_GetTicks();
  return Clip;
}

void StopTakeSound() {
  if (!Clip) return;
  Clip = false;
  ClipStopMs = SDL_GetTicks();
  EM_ASM({ Module.stopClip(); });
}

bool TakeSoundRunning() { return Clip && EM_ASM_INT({ return Module.clipRunning(); }); }
Uint32 TakeSoundOriginMs() { return ClipStartMs; }
double TakeSoundMsAt(Sint64) { return 0; }
double TakeSoundLengthMs() { return (Clip ? SDL_GetTicks() : ClipStopMs) - ClipStartMs; }
void WaitForTakeSound() {}

double SampleLengthMs(Mix_Chunk* chunk) {
  return EM_ASM_DOUBLE({
    var sample = SDL.audios[$0];
    return sample && sample.webAudio && sample.webAudio.decodedBuffer ? sample.webAudio.decodedBuffer.duration * 1000 : 0;
  }, chunk);
}
