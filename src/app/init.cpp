#include "app.h"
#include "audio.h"
#include "render.h"
#include "sequencer.h"

bool InitResources() {
  InitRenderResources();
  ClearGrid();
  return LoadNoteBank();
}
