// The Windows entry point. The runtime has already split the command line
// into its ANSI argument vector (code page 932), which is handed on as it is.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i) arguments.push_back(__argv[i]);
  return qv::runEntry(arguments);
}
