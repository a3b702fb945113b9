// Fuzz target: var_to_text on any bytes, under any path argument.
//
// Input: the path argument, a NUL byte, then the bytes of the variable file,
// which is written under that path when the path is a plain file name, or
// one in the folder "notes" ("notes/name"), and nothing is there yet. The
// working folder also holds a folder named like a variable file, a file
// named like a folder, and a folder of texts, so that paths and recorded
// folder names can run into each of them.
#include <algorithm>
#include <iterator>

#include "convert.h"
#include "fuzz_support.h"

static void make_working_folder() {
  write_whole_file("plain", "a file where a folder may be expected\n");
  check(make_folder("x.89t") == 0, "the fixture folder can be made");
  check(make_folder("notes") == 0, "the fixture folder can be made");
  write_whole_file("notes/a.txt", "alpha\r\n");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  begin_input();
  make_working_folder();
  FuzzInput input = {data, size};
  std::string path = take_until_nul(&input);
  std::string content = take_rest(&input);
  bool in_notes = path.compare(0, 6, "notes/") == 0 && is_plain_file_name(path.substr(6));
  if ((is_plain_file_name(path) || in_notes) && !path_exists(path.c_str()))
    write_whole_file(path, content);
  std::vector<std::string> before = snapshot_entries(".");

  ConversionResult result = var_to_text(path.c_str());

  check(result == CONVERTED || result == SKIPPED_REFUSED || result == CONVERSION_FATAL,
        "var_to_text returns 0, 2 or -1");
  check_left_clean(work_folder());
  check(boxes_shown() == (result == CONVERTED ? 0 : 1),
        "a conversion shows no box, a refusal or a failure exactly one");
  std::vector<std::string> after = snapshot_entries(".");
  if (result == SKIPPED_REFUSED) check(after == before, "a refusal writes nothing");
  if (result == CONVERTED) {
    // Whatever was made or changed lies in the folder that the file records.
    std::vector<std::string> changed;
    std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(),
                                  std::back_inserter(changed));
    std::string folder = std::string(folder_buffer) + "/";
    for (const std::string& entry : changed)
      check(entry.compare(0, folder.size(), folder) == 0,
            "a conversion writes into the recorded folder only");
  }
  return 0;
}
