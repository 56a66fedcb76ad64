#include "app.h"
#include "audio.h"
#include "sequencer.h"

bool InitResources() {
  ClearGrid();
  return LoadNoteBank();
}
