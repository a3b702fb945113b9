// Runs a fuzz target once over every file of the folders it is given (by
// default its seed corpus and its regressions), so that the normal and the
// sanitizer builds check every kept input against the target's invariants
// without libFuzzer.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  std::vector<std::string> folders(argv + 1, argv + argc);
  if (folders.empty()) folders = {REPLAY_CORPUS, REPLAY_REGRESSIONS};
  std::vector<std::string> files;
  for (const std::string& folder : folders) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
      if (it->is_regular_file()) files.push_back(it->path().string());
  }
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    std::string bytes = content.str();
    fprintf(stderr, "replaying %s\n", file.c_str());
    LLVMFuzzerTestOneInput((const uint8_t*)bytes.data(), bytes.size());
  }
  // The line that tells the test runner how many inputs passed.
  fprintf(stderr, "%zu passed, 0 failed\n", files.size());
  return files.empty() ? 1 : 0;
}
