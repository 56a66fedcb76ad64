// The shared frame of the end-to-end tests: a private X server, the program's
// working folder and the program, all gone after each test.
#pragma once

#include <gtest/gtest.h>

#include "harness.h"

class ProgramTest : public ::testing::Test {
 protected:
  XServer server;
  std::string dir;
  Program program;
  // An X server of this size and a working folder with the data files, less
  // the note sample named (-1 keeps all).
  void Prepare(int width = 320, int height = 480, int missingNote = -1) {
    server = StartXvfb(width, height);
    dir = MakeWorkDir(missingNote);
  }
  void TearDown() override {
    Terminate(program);
    StopXvfb(server);
    RemoveDir(dir);
  }
};
