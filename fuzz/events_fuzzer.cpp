// The application's handlers: the input is decoded into a run of synthetic SDL
// events, slot files appearing and disappearing, and frame-loop passes with a
// fake clock and fake accelerometer readings, all through the application's
// seams and DispatchEvent on a fake screen surface. No window, no GL: the
// water step is stood in for (stand_ins.cpp), the rest of UpdateTick is real.
//
// After every step: the sweep line is one row or one column moving by ±1 with
// its index in range and less than one step period left over; every cell
// holds 0, 1 or the byte a loaded file put there; events never move the sweep
// line; a load puts the file's bytes over the grid, a save writes exactly the
// 192 grid bytes; a paint changes at most one cell, to the stroke's value;
// notes are in range and sound only from ticks.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "app.h"
#include "fuzz_support.h"
#include "sequencer.h"

extern int LastSkipColumn, LastSkipRow;

namespace {
SDL_Surface FakeScreen;
Uint32 FakeNow;
TiltAxes FakeTilt;
bool InTick;
int NotesThisTick;
// The byte a loaded file last put into each cell, or -1: besides 0 and 1 the
// only value a cell may hold.
int LoadedByte[GridCells];

Uint32 FakeTicks() { return FakeNow; }
TiltAxes FakeTiltAxes(SDL_Joystick*) { return FakeTilt; }
void CountNote(int note) {
  Require(InTick, "a note sounded outside a tick");
  Require(note >= 0 && note < 16, "a note number out of range");
  Require(++NotesThisTick <= GridRows, "more notes in a tick than cells on a line");
}

struct Input {
  const uint8_t* data;
  size_t size;
  bool Empty() const { return size == 0; }
  uint8_t Byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  // Mostly on or near a screen; now and then anywhere a Uint16 reaches.
  Uint16 Position() {
    uint16_t w = Word();
    return w >= 0xFC00 ? w : static_cast<Uint16>(w & 0x3FF);
  }
};

// Slot keys (digits, then letters), l, and keys without a command.
const SDLKey Keys[] = {SDLK_1,    SDLK_2,     SDLK_3,     SDLK_4,    SDLK_5,      SDLK_6,      SDLK_7,
                       SDLK_8,    SDLK_9,     SDLK_e,     SDLK_r,    SDLK_t,      SDLK_d,      SDLK_f,
                       SDLK_g,    SDLK_x,     SDLK_c,     SDLK_v,    SDLK_l,      SDLK_0,      SDLK_a,
                       SDLK_LEFT, SDLK_RIGHT, SDLK_UP,    SDLK_DOWN, SDLK_SPACE,  SDLK_BACKSPACE,
                       SDLK_LSHIFT, SDLK_RSHIFT, SDLK_CAPSLOCK, SDLK_ESCAPE};
const int KeyCount = sizeof Keys / sizeof Keys[0];

// The slot a key loads and saves, written out here independently of the
// application's own table.
int SlotOf(SDLKey sym) {
  const SDLKey Slots[9][2] = {{SDLK_1, SDLK_e}, {SDLK_2, SDLK_r}, {SDLK_3, SDLK_t}, {SDLK_4, SDLK_d}, {SDLK_5, SDLK_f},
                              {SDLK_6, SDLK_g}, {SDLK_7, SDLK_x}, {SDLK_8, SDLK_c}, {SDLK_9, SDLK_v}};
  for (int slot = 0; slot < 9; ++slot)
    if (sym == Slots[slot][0] || sym == Slots[slot][1]) return slot + 1;
  return 0;
}

struct Snapshot {
  uint8_t grid[GridCells];
  Playhead line;
  ShakeDetector shake;
  uint8_t life;
};
Snapshot Take() {
  Snapshot s;
  std::memcpy(s.grid, PegGrid, GridCells);
  s.line = SweepLine;
  s.shake = Shake;
  s.life = LifeMode;
  return s;
}
bool SameLine(const Playhead& a, const Playhead& b) {
  return a.index == b.index && a.horizontalDirection == b.horizontalDirection &&
         a.verticalDirection == b.verticalDirection && a.stepRemainderMs == b.stepRemainderMs &&
         a.lastSoundedIndex == b.lastSoundedIndex;
}
int ChangedCells(const Snapshot& before) {
  int changed = 0;
  for (int i = 0; i < GridCells; ++i) changed += PegGrid[i] != before.grid[i];
  return changed;
}

void CheckRules() {
  const Playhead& p = SweepLine;
  bool column = p.horizontalDirection != 0;
  Require(column != (p.verticalDirection != 0), "not exactly one sweep direction");
  Require(p.horizontalDirection >= -1 && p.horizontalDirection <= 1 && p.verticalDirection >= -1 &&
              p.verticalDirection <= 1,
          "a sweep direction other than -1, 0 or 1");
  Require(p.index >= 0 && p.index <= (column ? GridColumns - 1 : GridRows - 1), "the sweep index is out of range");
  Require(p.stepRemainderMs < StepPeriodMs, "a whole step period left over after a tick");
  Require(p.lastSoundedIndex >= 0 && p.lastSoundedIndex < GridRows, "the last sounded line is out of range");
  for (int i = 0; i < GridCells; ++i)
    Require(PegGrid[i] <= 1 || PegGrid[i] == LoadedByte[i], "a cell holds a value no rule allows");
  Require(LifeMode <= 1, "life mode is neither on nor off");
  Require(PaintValue >= -1 && PaintValue <= 1, "the stroke's paint value is out of range");
}

void RemoveSlotFiles() {
  for (const std::string& name : WorkingDirectoryEntries()) unlink(name.c_str());
}

void Dispatch(const SDL_Event& event) {
  Snapshot before = Take();
  DispatchEvent(event);
  Require(SameLine(before.line, SweepLine), "an event moved the sweep line");
  Require(before.shake.count == Shake.count && before.shake.windowStartMs == Shake.windowStartMs,
          "an event changed the shake detector");
}

void Mouse(Uint8 type, Input& in) {
  SDL_Event event{};
  event.type = type;
  Uint16 x = in.Position(), y = in.Position();
  Uint8 buttons = in.Byte();
  if (type == SDL_MOUSEMOTION) {
    event.motion.x = x;
    event.motion.y = y;
    event.motion.state = buttons;
  } else {
    event.button.x = x;
    event.button.y = y;
    event.button.button = buttons;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
  }
  bool introOver = IntroOver();
  Snapshot before = Take();
  Dispatch(event);
  int changed = ChangedCells(before);
  Require(changed <= 1, "one touch event changed more than one cell");
  for (int i = 0; i < GridCells; ++i)
    if (PegGrid[i] != before.grid[i]) Require(PegGrid[i] == PaintValue, "a painted cell differs from the stroke's value");
  if (type == SDL_MOUSEBUTTONUP) Require(changed == 0 && PaintValue == -1, "a release painted or kept the stroke");
  if (type == SDL_MOUSEBUTTONDOWN && !introOver)
    Require(changed == 0 && IntroEndTime == 0, "a press during the intro painted or did not end it");
  if (type == SDL_MOUSEMOTION && buttons == 0) Require(changed == 0, "motion with no button painted");
}

void Key(Uint8 type, Input& in) {
  uint8_t choice = in.Byte();
  SDLKey sym = choice < 224 ? Keys[choice % KeyCount] : static_cast<SDLKey>(in.Word() % SDLK_LAST);
  SDL_Event event{};
  event.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = sym;
  event.key.keysym.mod = static_cast<SDLMod>(in.Word());
  bool save = (event.key.keysym.mod & (KMOD_LSHIFT | KMOD_RSHIFT)) != 0;
  int slot = type == SDL_KEYDOWN ? SlotOf(sym) : 0;
  char name[16];
  PatternFileName(slot, name);
  bool existed = false;
  std::string file = slot && !save ? ReadBytes(name, &existed) : std::string();
  Snapshot before = Take();

  Dispatch(event);

  if (type == SDL_KEYDOWN) Require(IntroEndTime == 0, "a key press did not end the intro");
  if (type == SDL_KEYDOWN && sym == SDLK_l)
    Require(LifeMode == (before.life ^ 1), "l did not switch life mode");
  else
    Require(LifeMode == before.life, "a key other than l switched life mode");

  if (slot && save) {
    std::string saved = ReadBytes(name);
    Require(saved.size() == static_cast<size_t>(GridCells), "a saved slot is not 192 bytes");
    Require(std::memcmp(saved.data(), PegGrid, GridCells) == 0, "a saved slot differs from the grid");
    Require(ChangedCells(before) == 0, "a save changed the grid");
    for (const std::string& entry : WorkingDirectoryEntries())
      Require(entry.size() == 10 && entry.compare(0, 5, "motif") == 0 && entry.compare(6, 4, ".pat") == 0,
              "a save left a file that is not a slot");
  } else if (slot) {
    uint8_t expected[GridCells];
    for (size_t i = 0; i < GridCells; ++i) {
      bool fromFile = existed && i < file.size();
      expected[i] = fromFile ? static_cast<uint8_t>(file[i]) : before.grid[i];
      if (fromFile) LoadedByte[i] = expected[i];
    }
    Require(std::memcmp(PegGrid, expected, GridCells) == 0, "a load did not give the file's bytes over the grid");
  } else {
    Require(ChangedCells(before) == 0, "a key without a slot changed the grid");
  }
}

void Tick(Input& in) {
  // One frame-loop pass: the clock moves on, and the tick runs only while the
  // application is active and the intro is over.
  FakeNow += in.Word();
  FakeTilt.x = static_cast<Sint16>(in.Word());
  FakeTilt.y = static_cast<Sint16>(in.Word());
  FakeTilt.z = static_cast<Sint16>(in.Word());
  PreviousFrameTime = FrameTime;
  FrameTime = FakeNow;
  if (!AppActive || !IntroOver()) return;
  InTick = true;
  NotesThisTick = 0;
  LastSkipColumn = LastSkipRow = -2;
  UpdateTick();
  InTick = false;
  Require(LastSkipColumn != -2, "a tick did not step the water");
  if (NotesThisTick > 0) Require(LastSkipColumn >= 0 || LastSkipRow >= 0, "notes sounded but the water skipped no line");
}

void StartRun(Input& in) {
  static const int Screens[][2] = {{320, 480}, {320, 400}, {480, 320}, {320, 640}, {768, 1024}, {240, 320}};
  const int* screen = Screens[in.Byte() % 6];
  FakeScreen.w = screen[0];
  FakeScreen.h = screen[1];
  ScreenSurface = &FakeScreen;
  TickSource = FakeTicks;
  TiltSource = FakeTiltAxes;
  NoteSink = CountNote;
  RedrawFrame = [] {};

  // Every run starts from the program's state at start-up, with the clock
  // somewhere in its 32-bit range (also just short of wrapping).
  uint8_t start = in.Byte();
  FakeNow = start == 0xFF ? 0xFFFFF000u : static_cast<Uint32>(start) * 100000u;
  FakeTilt = TiltAxes{0, 0, 0};
  ClearGrid();
  SweepLine = Playhead();
  Shake = ShakeDetector();
  LifeMode = 0;
  PaintValue = -1;
  AppActive = true;
  FrameTime = PreviousFrameTime = FakeNow;
  IntroEndTime = FakeNow + IntroMs;
  StartStepClock(FakeNow);
  std::srand(1);
  for (int& b : LoadedByte) b = -1;
  RemoveSlotFiles();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnterScratchDirectory();
  Input in{data, size};
  StartRun(in);
  while (!in.Empty()) {
    switch (in.Byte() % 10) {
      case 0: Mouse(SDL_MOUSEBUTTONDOWN, in); break;
      case 1: Mouse(SDL_MOUSEBUTTONUP, in); break;
      case 2: Mouse(SDL_MOUSEMOTION, in); break;
      case 3: Key(SDL_KEYDOWN, in); break;
      case 4: Key(SDL_KEYUP, in); break;
      case 5: {
        SDL_Event event{};
        event.type = SDL_ACTIVEEVENT;
        event.active.gain = in.Byte();
        event.active.state = in.Byte();
        Dispatch(event);
        Require(AppActive == (event.active.gain != 0), "activity does not follow the gain");
        break;
      }
      case 6: Tick(in); break;
      case 7: {
        // Any other event type: expose, quit, joystick, user events...
        SDL_Event event{};
        event.type = in.Byte();
        if (event.type >= SDL_ACTIVEEVENT && event.type <= SDL_MOUSEBUTTONUP) event.type = SDL_VIDEOEXPOSE;
        Snapshot before = Take();
        Dispatch(event);
        Require(ChangedCells(before) == 0, "an event without a handler changed the grid");
        break;
      }
      case 8: {
        // A slot file appears, written by someone else, of any size and content.
        char name[16];
        PatternFileName(1 + in.Byte() % 9, name);
        size_t length = in.Word() % 401;
        if (length > in.size) length = in.size;
        Require(WriteBytes(name, in.data, length), "cannot write a slot file");
        in.data += length;
        in.size -= length;
        break;
      }
      case 9: {
        char name[16];
        PatternFileName(1 + in.Byte() % 9, name);
        unlink(name);
        break;
      }
    }
    CheckRules();
  }
  return 0;
}
