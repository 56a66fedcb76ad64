// The application shell: start-up and InitResources, the paced frame loop with
// its event dispatch, UpdateTick, touch painting and the keyboard commands.
#pragma once

#include <SDL.h>

#include <ctime>
#include <string>

#include "platform.h"

// ---- Process-wide state ----------------------------------------------------
extern SDL_Surface* ScreenSurface;  // its w and h drive every layout
extern SDL_Joystick* TiltJoystick;  // joystick 0, the accelerometer; may be null

// ---- Frame loop ------------------------------------------------------------
const Uint32 FramePeriodMs = 33;
const Uint32 IntroMs = 5000;
const Uint32 IdleDelayMs = 100;

extern Uint32 FrameTime;          // SDL_GetTicks at the start of this frame, after pacing
extern Uint32 PreviousFrameTime;
extern Uint32 IntroEndTime;       // 0 ends the intro wait at once
extern bool AppActive;
extern SDL_Event LastEvent;

// Seams: where time, the tilt readings, notes and redraws come from. The
// program uses SDL_GetTicks, SDL_Delay, ReadTiltAxes, PlayNote and the frame
// composition.
extern Uint32 (*TickSource)();
extern void (*Delay)(Uint32 ms);
extern TiltAxes (*TiltSource)(SDL_Joystick*);
extern void (*NoteSink)(int note, double dueMs);
extern void (*RedrawFrame)();

// The intro wait starts now and lasts IntroMs, unless a key or a press ends it.
void StartIntro();
bool IntroOver();
// How long a frame that has taken `elapsed` ms sleeps before it starts: 0 when
// it already took a whole frame period.
Uint32 PaceDelayMs(Uint32 elapsed);
// Handles one event as the frame loop's drain does.
void DispatchEvent(const SDL_Event& event);
// Takes every waiting event; true when one of them was a quit request.
bool DrainEvents();
void RunFrameLoop();

// ---- Start-up and tick -----------------------------------------------------
// Builds the pictures' resources, clears the grid and loads the note bank;
// false when a note sample did not load.
bool InitResources();
// One sequencer tick: shake, steering, step clock, life, notes, water.
void UpdateTick();

// ---- Touch painting --------------------------------------------------------
extern int PaintValue;  // -1 undecided, 0 the stroke removes pegs, 1 it places them
void PaintAtPoint(int x, int y);
void HandleMouseEvent(const SDL_Event& event);

// ---- Keyboard commands -----------------------------------------------------
// The slot (1 to 9) a key loads and saves, or 0.
int SlotForKey(SDLKey sym);
// The keyboard's cursor: Tab switches the arrows from steering to moving it
// (a frame shows round its cell) and back; Space then toggles its cell.
extern int CursorRow, CursorColumn;
void HandleKeyEvent(const SDL_keysym& key);

// ---- Takes -----------------------------------------------------------------
// w starts a take in the platform's take folder (made first), and stops it.
void ToggleTake();
// "pegpond-YYYY-MM-DD-HHMMSS" at that local time in the folder, "-2" and on
// added while a take of that name exists.
std::string NewTakePath(const std::string& folder, time_t now);
