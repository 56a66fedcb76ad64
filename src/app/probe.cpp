// pegpond-probe: the program itself is silent, so when it ends with status 255
// the launcher runs this to say which start-up requirement failed. It goes
// through the same steps in the same order and prints one word: "audio",
// "display", the name of the first note sample that did not load, or "ok".
#include <cstdio>

#include "audio.h"
#include "platform.h"

int main(int, char**) {
  PreparePlatform();
  SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE);
  // Each answer closes what was opened: SDL 2's audio thread left running
  // through the exit crashes now and then.
  if (!OpenAudioDevice()) {
    SDL_Quit();
    std::puts("audio");
    return 1;
  }
  if (!OpenScreen()) {
    CloseScreen();
    SDL_Quit();
    std::puts("display");
    return 1;
  }
  bool loaded = LoadNoteBank();
  CloseScreen();
  SDL_Quit();
  if (!loaded) {
    for (int note = 0; note < NoteCount; ++note)
      if (!NoteBank[note]) {
        std::printf("note%02d.wav\n", note);
        return 1;
      }
  }
  std::puts("ok");
  return 0;
}
