// Where Linux keeps takes: the user's music folder, as xdg-user-dir names it.
#include <cstdio>
#include <cstdlib>

#include "platform.h"

std::string TakeFolder() {
  std::string music;
  if (FILE* answer = popen("xdg-user-dir MUSIC 2>/dev/null", "r")) {
    char line[4096];
    if (std::fgets(line, sizeof line, answer)) music = line;
    pclose(answer);
  }
  while (!music.empty() && (music.back() == '\n' || music.back() == '/')) music.pop_back();
  // Where no music folder is set, xdg-user-dir answers the home folder.
  const char* home = std::getenv("HOME");
  std::string homeFolder = home ? home : "";
  while (!homeFolder.empty() && homeFolder.back() == '/') homeFolder.pop_back();
  if (music.empty() || music == homeFolder) music = homeFolder + "/Music";
  return music + "/pegpond";
}
