#include "fuzz_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "convert.h"

namespace fs = std::filesystem;

static std::string root_folder;
static std::string scratch_folder;
static std::string working_folder;
static std::string outside_before;
static int boxes_since_begin = 0;
static int descriptors_at_begin = 0;

int take_byte(FuzzInput* input) {
  if (input->size == 0) return 0;
  int byte = input->data[0];
  ++input->data;
  --input->size;
  return byte;
}

std::string take_until_nul(FuzzInput* input) {
  const void* nul = memchr(input->data, 0, input->size);
  size_t length = nul ? (size_t)((const uint8_t*)nul - input->data) : input->size;
  std::string taken((const char*)input->data, length);
  size_t used = nul ? length + 1 : length;
  input->data += used;
  input->size -= used;
  return taken;
}

std::string take_rest(FuzzInput* input) {
  std::string taken((const char*)input->data, input->size);
  input->data += input->size;
  input->size = 0;
  return taken;
}

static void remove_scratch();

void check(bool holds, const char* what) {
  if (holds) return;
  fprintf(stderr, "\n*** invariant broken: %s\n", what);
  fflush(stderr);
  // The input that broke it is kept by the fuzzer and replays the same.
  remove_scratch();
  abort();
}

// A box must fit the work buffers it was formatted into.
static void count_box(const char* text, const char* caption) {
  check(text != nullptr && caption != nullptr, "a box has a text and a caption");
  check(strlen(text) < (size_t)work_buffer_size, "a box text fits its buffer");
  ++boxes_since_begin;
}

int boxes_shown() { return boxes_since_begin; }

static int open_descriptors() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return 0;
  while (struct dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  closedir(dir);
  return count;
}

void write_whole_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

std::string read_whole_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

static void snapshot_into(const fs::path& folder, const std::string& relative,
                          const std::string& skipped, std::vector<std::string>* entries) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    if (path.string() == skipped) continue;
    std::string name = relative + path.filename().string();
    fs::file_status status = fs::symlink_status(path, error);
    if (fs::is_symlink(status)) {
      entries->push_back(name + " -> " + fs::read_symlink(path, error).string());
    } else if (fs::is_directory(status)) {
      entries->push_back(name + "/");
      snapshot_into(path, name + "/", skipped, entries);
    } else {
      entries->push_back(name + " = " + read_whole_file(path.string()));
    }
  }
}

static std::vector<std::string> entries_skipping(const std::string& root,
                                                 const std::string& skipped) {
  std::vector<std::string> entries;
  snapshot_into(root, "", skipped, &entries);
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::vector<std::string> snapshot_entries(const std::string& root) {
  return entries_skipping(root, "");
}

static std::string snapshot_skipping(const std::string& root, const std::string& skipped) {
  std::vector<std::string> entries = entries_skipping(root, skipped);
  std::string joined;
  for (const std::string& entry : entries) joined += entry + '\0';
  return joined;
}

std::string snapshot(const std::string& root) { return snapshot_skipping(root, ""); }

static void remove_scratch() {
  std::error_code ignored;
  if (!root_folder.empty()) fs::remove_all(root_folder, ignored);
}

// Files that a run could reach only by climbing out of the working folder.
static void make_sentinels() {
  fs::create_directories(scratch_folder + "/notes");
  fs::create_directories(working_folder);
  write_whole_file(scratch_folder + "/x.txt", "outside the working folder\n");
  write_whole_file(scratch_folder + "/notes/x.txt", "outside the working folder\n");
  write_whole_file(scratch_folder + "/x.89t", "**TI89**\1\0main\0\0\0\0");
  write_whole_file(scratch_folder + "/files.lst", "tnotes/x.txt\n");
}

static void make_scratch() {
  const char* temp = getenv("TMPDIR");
  std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/ti89sync-fuzz-XXXXXX";
  check(mkdtemp(pattern.data()) != nullptr, "the scratch folder can be made");
  root_folder = fs::canonical(pattern).string();
  scratch_folder = root_folder + "/scratch";
  working_folder = scratch_folder + "/work";
  make_sentinels();
  outside_before = snapshot_skipping(root_folder, working_folder);
  atexit(remove_scratch);

  // Kestrin's progress lines would drown the fuzzer's own report.
  fflush(stdout);
  int null_device = open("/dev/null", O_WRONLY);
  if (null_device >= 0) {
    dup2(null_device, STDOUT_FILENO);
    close(null_device);
  }
  set_message_box_hook(count_box);
  // The drivers hold the starting directory open from their first run on;
  // held from here, it is no descriptor that an input opened.
  remember_start_dir();
}

const std::string& work_folder() { return working_folder; }

void begin_input() {
  if (root_folder.empty()) make_scratch();
  check(chdir(working_folder.c_str()) == 0, "the working folder can be entered");
  std::error_code ignored;
  for (fs::directory_iterator it(working_folder, ignored), end; !ignored && it != end;
       it.increment(ignored)) {
    std::error_code error;
    fs::remove_all(it->path(), error);
  }
  boxes_since_begin = 0;
  descriptors_at_begin = open_descriptors();
}

void check_left_clean(const std::string& expected_dir) {
  char here[4096];
  check(getcwd(here, sizeof here) != nullptr && expected_dir == here,
        "the current directory is the one the call started in");
  check(snapshot_skipping(root_folder, working_folder) == outside_before,
        "nothing outside the working folder changed");
  check(input_file.file == nullptr && output_file.file == nullptr,
        "the conversion closed both of its streams");
  check(open_descriptors() == descriptors_at_begin, "no file was left open");
}

bool is_plain_file_name(const std::string& name) {
  return !name.empty() && name.size() <= 255 && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos && name != "." && name != "..";
}

static unsigned little_endian(const std::string& file, size_t at, int width) {
  unsigned value = 0;
  for (int byte = width - 1; byte >= 0; --byte) value = value << 8 | (unsigned char)file[at + byte];
  return value;
}

void check_variable_file(const std::string& file) {
  size_t size = file.size();
  check(size >= 94 && size <= (size_t)max_text_area_length + 94, "the file size is in range");
  check(file.compare(0, signature_length, signature) == 0, "the signature is written");
  check(little_endian(file, file_size_offset, 4) == size, "the file size field is the file's size");
  unsigned variable_length = (unsigned char)file[variable_length_offset] << 8 |
                             (unsigned char)file[variable_length_offset + 1];
  check(variable_length == size - first_text_offset, "the variable length matches the file");
  check(file[size - 4] == (char)text_end_byte && file[size - 3] == (char)end_byte,
        "the text end and the end byte close the text area");
  unsigned sum = 0;
  for (size_t at = variable_length_offset; at < size - 2; ++at) sum += (unsigned char)file[at];
  check(little_endian(file, size - 2, 2) == (sum & 0xFFFF), "the checksum matches the bytes");
}
