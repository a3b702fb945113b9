// What the fuzz targets share: a scratch folder per process in which every
// input runs, snapshots of what lies inside and outside the working folder,
// the boxes an input made the code show, and the check that stops the run
// with a report when an invariant breaks.
//
// Layout of the scratch folder:
//   root/            made by mkdtemp, must hold nothing but "scratch"
//   root/scratch/    sentinel files that a run must leave alone
//   root/scratch/work/   the working folder: emptied before every input
#ifndef FUZZ_FUZZ_SUPPORT_H
#define FUZZ_FUZZ_SUPPORT_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// The bytes of one input, taken from the front.
struct FuzzInput {
  const uint8_t* data;
  size_t size;
};

// Takes one byte, or 0 when the input is used up.
int take_byte(FuzzInput* input);
// Takes the bytes up to the next NUL (dropped) or up to the end.
std::string take_until_nul(FuzzInput* input);
// Takes all that is left.
std::string take_rest(FuzzInput* input);

// Makes the scratch folder on the first call; then empties the working
// folder, makes it the current directory, resets the box count and sends
// standard output to the null device.
void begin_input();

// Absolute path of the working folder.
const std::string& work_folder();

// Every file and folder below |root|, sorted, with the whole content of each
// file, as one string that two states can be compared by.
std::string snapshot(const std::string& root);
// The same, one string for each file or folder: "path/" for a folder, "path
// = content" for a file.
std::vector<std::string> snapshot_entries(const std::string& root);

// Reports |what| on standard error and aborts when |holds| is false.
void check(bool holds, const char* what);

// The checks every input ends with: nothing outside the working folder
// changed, the current directory is |expected_dir|, the conversion work
// area holds no open stream and no descriptor was left open.
void check_left_clean(const std::string& expected_dir);

// The number of message boxes shown since begin_input.
int boxes_shown();

// True when |name| can be made as a file of the current directory: not
// empty, no "/", not "." or "..", and short enough for the file system.
bool is_plain_file_name(const std::string& name);

// Checks the layout that every variable file written must have, whatever
// its text: signature, sizes, end bytes and checksum agree with its bytes.
void check_variable_file(const std::string& file);

void write_whole_file(const std::string& path, const std::string& content);
// The whole file; an empty string when it cannot be read.
std::string read_whole_file(const std::string& path);

#endif  // FUZZ_FUZZ_SUPPORT_H
