// Fuzz target: Kestrin's whole run on any change list.
//
// Input: the bytes of files.lst. The working folder holds texts, variable
// files and the traps a broken list may name: a text beside its program, a
// name too long for the calculator, a folder named like a text, a file named
// like a folder, a folder named like a variable file, and folders whose names
// a shell would read as commands. Afterwards every variable file of the
// working folder must be whole.
#include "convert.h"
#include "fuzz_support.h"
#include "kestrin.h"

// A complete variable file of the folder "notes" holding " gamma" CR.
static std::string variable_file() {
  std::string file("**TI89**\1\0notes\0\0\0", 18);
  file += std::string("Made for the fuzzer") + std::string(21, '\0');
  file += std::string("\1\0\x52\0\0\0c\0\0\0\0\0\0\0\x0B\0\0\0\x65\0\0\0\xA5\x5A\0\0\0\0", 28);
  std::string data = std::string("\0\x0B\0\1 gamma\r\0\xE0", 13);
  unsigned sum = 0;
  for (char byte : data) sum += (unsigned char)byte;
  return file + data + (char)(sum & 0xFF) + (char)(sum >> 8);
}

static void make_working_folder() {
  check(make_folder("notes") == 0, "the fixture folder can be made");
  write_whole_file("notes/a.txt", "alpha\n\tindented\n");
  write_whole_file("notes/b.txt", "beta\r\n");
  write_whole_file("notes/b.89p", "");
  write_whole_file("notes/toolongname.txt", "too long\n");
  check(make_folder("notes/sub.txt") == 0, "the fixture folder can be made");
  write_whole_file("notes.c.89t", variable_file());
  write_whole_file("plain", "a file where a folder may be expected\n");
  check(make_folder("x.89t") == 0, "the fixture folder can be made");
  check(make_folder("a;b") == 0, "the fixture folder can be made");
  write_whole_file("a;b/$(x).txt", "$(touch pwned)\n");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  begin_input();
  make_working_folder();
  FuzzInput input = {data, size};
  write_whole_file("files.lst", take_rest(&input));

  check(kestrin_run() == 0, "the run exits with status 0");

  check_left_clean(work_folder());
  // Emptied at the end of the run, or deleted after a text entry without a
  // folder: never left with entries.
  check(!path_exists("files.lst") || read_whole_file("files.lst").empty(),
        "the change list is emptied or deleted");
  check(!path_exists("pwned"), "no name ran as a command");
  // No variable file is left half written or with sizes that disagree.
  DirSearch search;
  if (dir_search_first(&search, "*.89t") == 0) {
    do {
      Stream probe;
      if (stream_open(&probe, search.name, "rb") != 0) continue;  // a folder
      stream_close(&probe);
      check_variable_file(read_whole_file(search.name));
    } while (dir_search_next(&search) == 0);
    dir_search_close(&search);
  }
  return 0;
}
