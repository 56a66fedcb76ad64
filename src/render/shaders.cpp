#include <cstdlib>

#include "platform.h"

#include "render.h"

// The shader texts keep their fixed #line numbers, carry no version line and no
// default precision: every float in a fragment shader states its own.

const char* const QuadVertexShader = R"(
#line 168
attribute vec3 Position;
attribute vec2 TexCoord0;
attribute vec2 TexCoord1;
varying vec2 TexCoords0;
varying vec2 TexCoords1;

// Positions arrive in normalised device coordinates.
void main()
{
    gl_Position = vec4(Position.x, Position.y, Position.z, 1.0);
    TexCoords0 = TexCoord0;
    TexCoords1 = TexCoord1;
}
)";

// One step of the water: each texel's height is pulled towards the (slightly
// shrunk) mean of its four neighbours, and the slope across it is recorded.
const char* const RippleFragmentShader = R"(
#line 185
uniform sampler2D Texture;
uniform mediump vec2 Texel;
varying mediump vec2 TexCoords0;
varying mediump vec2 TexCoords1;

const mediump float shear = 0.91;
const mediump float visco = 0.85;
const mediump float dampy = 0.99;

void main()
{
    mediump vec4 cell = texture2D(Texture, TexCoords1);
    cell.r -= 0.5;
    cell.g -= 0.5;
    mediump float nnx = texture2D(Texture, vec2(TexCoords1.x - Texel.x, TexCoords1.y)).r;
    mediump float npx = texture2D(Texture, vec2(TexCoords1.x + Texel.x, TexCoords1.y)).r;
    mediump float nny = texture2D(Texture, vec2(TexCoords1.x, TexCoords1.y - Texel.y)).r;
    mediump float npy = texture2D(Texture, vec2(TexCoords1.x, TexCoords1.y + Texel.y)).r;
    cell.b = 0.5 + npx - nnx;
    cell.a = 0.5 + npy - nny;
    mediump float neyb = (nnx + nny + npx + npy) * 0.25 - 0.5;
    mediump float force = visco * (neyb * shear - cell.r);
    cell.g = cell.g + force;
    cell.r = cell.r + cell.g;
    cell.r *= dampy;
    cell.g *= dampy;
    cell.r += 0.5;
    cell.g += 0.5;
    gl_FragColor = cell;
}
)";

// The background seen through the water: refracted by the slope, with a
// specular highlight from a fixed light. Its 80th power is taken by squaring
// (n^16 to the fifth): pow costs a logarithm and an exponential per pixel on
// software GL.
const char* const WaterFragmentShader = R"(
#line 222
uniform sampler2D Water;
uniform sampler2D Background;
uniform mediump vec2 Texel;
varying mediump vec2 TexCoords0;
varying mediump vec2 TexCoords1;

void main()
{
    lowp vec4 cell = texture2D(Water, TexCoords1);
    mediump vec3 surfnorm;
    surfnorm.x = cell.b - 0.5;
    surfnorm.y = cell.a - 0.5;
    surfnorm.z = sqrt(1.0 - (surfnorm.x * surfnorm.x + surfnorm.y * surfnorm.y));
    mediump vec2 uv = TexCoords0 + surfnorm.xy * 0.05;
    lowp vec4 background = texture2D(Background, uv);
    gl_FragColor = background;
    mediump float ndoth = dot(surfnorm, vec3(0.1940, 0.1455, 0.9701));
    // always above 0.5: the slopes are at most 0.5 each way, so no test
    {
        mediump float n16 = ndoth * ndoth; n16 *= n16; n16 *= n16; n16 *= n16; lowp float specular = n16 * n16 * n16 * n16 * n16;
        gl_FragColor.rgb += specular;
    }
}
)";

// A peg pushes the water by its picture's opacity.
const char* const PegImpulseFragmentShader = R"(
#line 256
uniform sampler2D Texture;
varying mediump vec2 TexCoords0;
varying mediump vec2 TexCoords1;

void main()
{
    lowp float i = texture2D(Texture, TexCoords0).a;
    gl_FragColor = vec4(i, 0.0, 0.0, 0.0);
}
)";

// The sweep bar pushes the water by a constant.
const char* const BarImpulseFragmentShader = R"(
#line 270
void main()
{
    gl_FragColor = vec4(0.06, 0.0, 0.0, 0.0);
}
)";

const char* const CopyFragmentShader = R"(
#line 278
uniform sampler2D Texture;
varying mediump vec2 TexCoords0;
varying mediump vec2 TexCoords1;

void main()
{
    gl_FragColor = texture2D(Texture, TexCoords0);
}
)";

GLuint RippleProgram, WaterProgram, PegImpulseProgram, BarImpulseProgram, CopyProgram;
GLint RippleTextureLocation, RippleTexelLocation;
GLint WaterSamplerLocation, BackgroundSamplerLocation, WaterTexelLocation;

namespace {
// A program that will not build is fatal at start-up, silently: status 255.
[[noreturn]] void FailBuild() { std::exit(-1); }

void CompileShaderSource(const char* source, GLuint shader) {
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint status = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (status != GL_TRUE) FailBuild();
}
}  // namespace

GLuint BuildProgram(const char* vertexSource, const char* fragmentSource) {
  GLuint vertexShader = glCreateShader(GL_VERTEX_SHADER);
  GLuint fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);
  CompileShaderSource(vertexSource, vertexShader);
  Breathe();  // each compile and the link is one of the start's longer steps
  CompileShaderSource(fragmentSource, fragmentShader);
  Breathe();

  GLuint program = glCreateProgram();
  glAttachShader(program, vertexShader);
  glAttachShader(program, fragmentShader);
  // The same slots in every program, so geometry code needs no lookups.
  glBindAttribLocation(program, PositionSlot, "Position");
  glBindAttribLocation(program, TexCoord0Slot, "TexCoord0");
  glBindAttribLocation(program, TexCoord1Slot, "TexCoord1");

  GLint status = 0;
  glLinkProgram(program);
  glGetProgramiv(program, GL_LINK_STATUS, &status);
  if (status != GL_TRUE) FailBuild();
  glValidateProgram(program);
  glGetProgramiv(program, GL_VALIDATE_STATUS, &status);
  if (status != GL_TRUE) FailBuild();
  Breathe();
  // The shaders stay attached and alive with their program.
  return program;
}

void BuildRippleProgram() {
  RippleProgram = BuildProgram(QuadVertexShader, RippleFragmentShader);
  RippleTextureLocation = glGetUniformLocation(RippleProgram, "Texture");
  RippleTexelLocation = glGetUniformLocation(RippleProgram, "Texel");
}

void BuildWaterProgram() {
  WaterProgram = BuildProgram(QuadVertexShader, WaterFragmentShader);
  WaterSamplerLocation = glGetUniformLocation(WaterProgram, "Water");
  BackgroundSamplerLocation = glGetUniformLocation(WaterProgram, "Background");
  // May be -1: the water shader declares Texel but does not read it.
  WaterTexelLocation = glGetUniformLocation(WaterProgram, "Texel");
}

void BuildImpulseAndCopyPrograms() {
  PegImpulseProgram = BuildProgram(QuadVertexShader, PegImpulseFragmentShader);
  glUseProgram(PegImpulseProgram);
  glUniform1i(glGetUniformLocation(PegImpulseProgram, "Texture"), 0);

  BarImpulseProgram = BuildProgram(QuadVertexShader, BarImpulseFragmentShader);

  CopyProgram = BuildProgram(QuadVertexShader, CopyFragmentShader);
  glUseProgram(CopyProgram);
  glUniform1i(glGetUniformLocation(CopyProgram, "Texture"), 0);
}
