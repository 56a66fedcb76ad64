// SDL's own desktop GLX context, kept aside while our ES context is current.
// Separate from screen.cpp because desktop GL and GLES headers do not mix.
#pragma once

struct SavedGlxContext {
  void* display = nullptr;
  unsigned long drawable = 0;
  void* context = nullptr;
};

SavedGlxContext ReleaseGlxContext();
void RestoreGlxContext(const SavedGlxContext& saved);
