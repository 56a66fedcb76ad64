// Builds one program on a headless context and exits 0, unless the build ends
// the process first. The argument names the fault: "none", "vertex" or
// "fragment" (a text that does not compile), "link" (a varying nobody writes)
// or "validate" (one texture unit read as two kinds of sampler).
#include <cstring>

#include "headless_gl.h"
#include "render.h"

int main(int argc, char** argv) {
  if (argc != 2 || !CreateHeadlessGl(16, 16)) return 3;
  const char* fault = argv[1];
  const char* vertex = QuadVertexShader;
  const char* fragment = CopyFragmentShader;
  if (std::strcmp(fault, "vertex") == 0) {
    vertex = "\n#line 1\nvoid main() { gl_Position = Nowhere; }\n";
  } else if (std::strcmp(fault, "fragment") == 0) {
    fragment = "\n#line 1\nvoid main() { gl_FragColor = vec4(1.0) }\n";
  } else if (std::strcmp(fault, "link") == 0) {
    fragment = "\n#line 1\nvarying mediump vec2 Unwritten;\nvoid main() { gl_FragColor = vec4(Unwritten, 0.0, 1.0); }\n";
  } else if (std::strcmp(fault, "validate") == 0) {
    fragment = "\n#line 1\nuniform sampler2D Flat;\nuniform samplerCube Round;\n"
               "void main() { gl_FragColor = texture2D(Flat, vec2(0.5)) + textureCube(Round, vec3(1.0)); }\n";
  } else if (std::strcmp(fault, "none") != 0) {
    return 3;
  }
  BuildProgram(vertex, fragment);
  return 0;
}
