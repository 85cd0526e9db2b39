// The driver of every fuzz harness: the harness's fuzzOne() is called once
// for standard input (as afl-fuzz runs it), or once for each file named, or
// for each file in a directory named (as the tests run the saved inputs).
// A harness reports a fault by aborting.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "fuzz/fuzz.h"

namespace {

void runFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  qv::fuzz::fuzzOne(data);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::string data((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    qv::fuzz::fuzzOne(data);
    return 0;
  }
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    struct stat st;
    if (stat(argv[i], &st) == 0 && S_ISDIR(st.st_mode)) {
      DIR* dir = opendir(argv[i]);
      for (struct dirent* entry; dir != nullptr && (entry = readdir(dir)) != nullptr;) {
        if (entry->d_name[0] == '.') continue;
        runFile(std::string(argv[i]) + "/" + entry->d_name);
        ++inputs;
      }
      if (dir != nullptr) closedir(dir);
    } else {
      runFile(argv[i]);
      ++inputs;
    }
  }
  std::printf("%d inputs\n", inputs);
  return inputs > 0 ? 0 : 1;
}
