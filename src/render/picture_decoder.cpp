// The picture decoder: stb_image, built here from Debian's header with its PNG
// reader only. Every picture the program shows is a PNG, and the library's
// other readers write out of bounds on crafted files (a JPEG Huffman table
// whose code counts pass 256, for one). Its functions are static to this file,
// so it never meets the full decoder of the shared libstb that tools link.
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#include <stb_image.h>
#pragma GCC diagnostic pop

#include "render.h"

bool PictureInfo(const char* fileName, int* width, int* height, int* channels) {
  return stbi_info(fileName, width, height, channels) != 0;
}

unsigned char* DecodePicture(const char* fileName, int* width, int* height, int* channels) {
  return stbi_load(fileName, width, height, channels, 0);  // the file's own channel count
}

void FreePicture(unsigned char* pixels) { stbi_image_free(pixels); }
