// Rendering: the screen layout and quad tables, the shader programs, picture
// textures, the water simulation, frame composition and the splash screen.
// Plain global state, all on the thread that owns the OpenGL ES 2.0 context.
// Reads the peg grid and the sweep line; never drives the sequencer.
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>

#include "sequencer.h"

// ---- Screen ----------------------------------------------------------------
// The W x H in pixels that every layout computation uses; the program sets it
// from its screen surface right after the video mode. Starts as 320 x 480.
void SetRenderScreen(int width, int height);
extern int ScreenWidth, ScreenHeight;

// ---- Start-up, tick and frame (what the application calls) -----------------
// Puts "splash.png" on the whole screen and presents it once.
void ShowSplash();
// Programs, water field, quad tables, pictures, peg stamps and the water at
// rest, in that order (the programs interleaved as the water, the tables and
// the stamps need them).
void InitRenderResources();
// The water half of a tick: BeginWaterStep before the line's notes are
// triggered, StepWater after, with the line whose pegs sit out this tick.
void BeginWaterStep();
void StepWater(int skipColumn, int skipRow);
// Draws the water over the background, then the pegs, and presents.
void ComposeFrame();

// ---- Layout and quads ------------------------------------------------------
// Cells are 25-pixel squares; the 300 x 400 grid sits 10 pixels from the left
// edge and is centred vertically. Positions are in normalised device
// coordinates; every quad lists its corners bottom-left, top-left, top-right,
// bottom-right and is drawn as the triangles of QuadIndices.
const int CellSize = 25;

struct GridMetrics {
  float GridLeft, GridBottom, HalfCellWidth, HalfCellHeight;
};
GridMetrics GridMetricsFor(int width, int height);

struct QuadCorners {
  float positions[12];  // four corners of (x, y, z)
};
// The cell's quad, lowered by drop.
QuadCorners CellQuad(const GridMetrics& metrics, int column, int row, float drop);

extern const float FullScreenPositions[12];
extern const GLushort QuadIndices[6];  // 16-bit: no GPU needs an extension for them
extern const float UnitTexCoords[8];
extern const float PegTexCoords[8];      // the central part of the peg picture
extern float BackgroundTexCoords[8];     // the screen-shaped crop, mirrored top to bottom
extern float SimTexCoords[8];            // the simulated part of a water texture
// Fills the two tables that depend on the screen and the water size.
void InitQuadTables(int width, int height, int simSize);

// Points slot 0 at positions (3 floats a corner) and draws one quad.
void DrawQuad(const float* positions);
// A peg quad's texture coordinates, corners in the order above, by the parity
// of its column and of its row.
struct PegCoords {
  float corners[2][2][8];
};
// The same quad's coordinates for every peg.
PegCoords EveryPeg(const float texCoords[8]);
extern PegCoords PictureCoords;  // PegTexCoords for every peg
// What DrawPegs does with the pegs on the given line (a column or a row, -1
// for none): leaves them out, or draws only them, lowered by PressedDrop.
enum LinePegs { LineSitsOut, OnlyLineLowered };
// Draws those pegs in one call with the current program: corners in slot 0,
// their coordinates in slot 1.
void DrawPegs(int lineColumn, int lineRow, LinePegs line, const PegCoords& coords);

// ---- Shader programs -------------------------------------------------------
// Attribute slots shared by every program.
const GLuint PositionSlot = 0, TexCoord0Slot = 1, TexCoord1Slot = 2;

extern const char* const QuadVertexShader;
extern const char* const RippleFragmentShader;
extern const char* const WaterFragmentShader;
extern const char* const PegImpulseFragmentShader;
extern const char* const BarImpulseFragmentShader;
extern const char* const CopyFragmentShader;

// Compiles, links and validates; any failure ends the process with status 255
// and prints nothing.
GLuint BuildProgram(const char* vertexSource, const char* fragmentSource);

extern GLuint RippleProgram, WaterProgram, PegImpulseProgram, BarImpulseProgram, CopyProgram;
extern GLint RippleTextureLocation, RippleTexelLocation;
extern GLint WaterSamplerLocation, BackgroundSamplerLocation, WaterTexelLocation;

// The five programs' halves of the start-up.
void BuildRippleProgram();
void BuildWaterProgram();
void BuildImpulseAndCopyPrograms();

// ---- Picture textures ------------------------------------------------------
// A square picture file as a texture bound on unit 0, or 0 (no texture made, no
// GL state changed) when the file is missing, undecodable, not square or
// larger than GL_MAX_TEXTURE_SIZE. The file's top row is at t = 0.
GLuint LoadTexture(const char* fileName);
// The PNG decoder LoadTexture uses: the header alone, the whole picture (rows
// from the top, the file's own channel count), and its release.
bool PictureInfo(const char* fileName, int* width, int* height, int* channels);
unsigned char* DecodePicture(const char* fileName, int* width, int* height, int* channels);
void FreePicture(unsigned char* pixels);

extern GLuint PegTexture, BackgroundTexture;

// ---- Peg stamps ------------------------------------------------------------
// Every unlowered peg shows the peg picture filtered at the same places: in
// the frame a cell starts at the same fraction of a pixel, and in the water's
// impulse at one of two fractions of a texel, by the parity of its column and
// of its row. BakePegStamps draws the picture filtered, once, at each of these
// places into a 64 x 64 texture; drawn back unfiltered through the matching
// coordinates, the pegs then read one texel where they read four, and get
// what the filter gave. When the water is not exactly half the screen each
// way, the impulse keeps the picture itself.
extern GLuint PegStamps;
extern PegCoords FrameStampCoords;
extern GLuint ImpulseTexture;  // PegStamps or PegTexture
extern PegCoords ImpulseCoords;
// Needs the copy program, the water's framebuffer and PegTexture; leaves the
// screen's framebuffer bound and blending off.
void BakePegStamps();

// ---- Water simulation ------------------------------------------------------
// Two square RGBA8 textures taking turns; each channel is offset by 0.5 so 0.5
// is rest: r height, g velocity, b and a the slope across x and y.
const float SimScale = 2.0f;  // screen pixels per texel
extern int SimWidth, SimHeight, SimSize;

struct WaterField {
  GLuint textures[2];
  GLuint framebuffer;
  // Between ticks textures[current] is what the next frame shows and
  // textures[current ^ 1] the newest state, which the next tick inks and steps.
  int current = 0;
  bool calm = false;  // put at rest for calm water, and not stepped since
};
extern WaterField Water;
// Calm water, for players who want less motion: the water is put at rest and
// lies still, the sweep and the pegs no longer push it; the lowered line still
// shows the beat.
extern int CalmWater;

// The smallest e with 2^e >= n, and at least 1.
int PowerOfTwoExponent(unsigned n);
// Sizes from the screen, the two textures and the framebuffer.
void InitWaterField();
// Sets textures[current] to rest and flips current.
void ClearWaterTexture();
// The thin quad that the sweep line pushes into the water.
QuadCorners SweepBarQuad(const GridMetrics& metrics, const Playhead& line);

// ---- Frame composition -----------------------------------------------------
struct Composition {
  // The sweep line index the previous frame saw: a frame that sees a new one
  // draws that line's pegs lowered.
  int32_t lastComposedIndex = 0;
  bool takeMark = false;  // a take runs: a red mark in the band above the grid
  int framedRow = -1, framedColumn = -1;  // the keyboard's cursor: a frame round that cell
};
extern Composition Composer;
const float PressedDrop = 0.01f;

// ---- Splash ----------------------------------------------------------------
// The splash's window into its picture for W x H, upright, in corner order.
void SplashTexCoords(int width, int height, float texCoords[8]);
