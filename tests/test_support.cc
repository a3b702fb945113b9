#include "test_support.h"

#include <stdlib.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform.h"

namespace fs = std::filesystem;

const std::string empty_program_notice = "This program file appears to be empty!";
const std::string tokenized_program_notice =
    "This program file is tokenized. We can't translate tokenized files. If you want this "
    "program file translated, please open it in the TI-89 program editor (to untokenize it), "
    "and copy it to the computer & try converting it again. (Programs are tokenized when they "
    "are run, and untokenized if they're opened in the program editor).\r\n";

#ifdef _WIN32
const std::string console_line_end = "\r\n";
const char separator = '\\';
const bool search_ignores_case = true;
const bool boxes_readable = false;
#else
const std::string console_line_end = "\n";
const char separator = '/';
const bool search_ignores_case = false;
const bool boxes_readable = true;
#endif

std::string console(const std::string& text) {
  std::string result;
  for (char c : text) result += c == '\n' ? console_line_end : std::string(1, c);
  return result;
}

const std::string nothing_converted =
    "No files have been updated, so none have been converted (in either direction).\n";

std::string texts_summary(int count) {
  return std::to_string(count) +
         " .txt files had changed, and have now had their .89t files rebuilt. (You're going to "
         "send the changed .89t files to your TI-89 now, so it's up to date, right?)\n";
}

std::string variables_summary(int count) {
  return std::to_string(count) +
         " .89t files had changed, and have now had their .txt files rebuilt.\n";
}

void PrintTo(const Box& box, std::ostream* out) { *out << "[" << box.caption << "] " << box.text; }

static void capture_box(const char* text, const char* caption) {
  ScratchTest::boxes().push_back(Box{caption, text});
}

std::vector<Box>& ScratchTest::boxes() {
  static std::vector<Box> shown;
  return shown;
}

std::string& ScratchTest::output_dir() {
  static std::string path;
  return path;
}

// A new folder of a random name in the system's temporary folder, or "".
static std::string make_temp_dir() {
  static std::mt19937 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path path = fs::temp_directory_path() / ("ti89sync-test-" + std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(path, error)) return path.string();
  }
  return "";
}

void ScratchTest::SetUp() {
  scratch = make_temp_dir();
  output_dir() = make_temp_dir();
  ASSERT_FALSE(scratch.empty() || output_dir().empty());
  fs::current_path(scratch);
  boxes().clear();
  set_message_box_hook(capture_box);
}

void ScratchTest::TearDown() {
  set_message_box_hook(nullptr);
  fs::current_path(fs::temp_directory_path());
  std::error_code ignored;
  fs::permissions(scratch, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(scratch, ignored);
  fs::remove_all(output_dir(), ignored);
}

std::string bytes(std::initializer_list<int> values) {
  std::string result;
  for (int value : values) result.push_back((char)value);
  return result;
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
  ASSERT_TRUE(out.good()) << path;
}

std::string read_file(const std::string& path) {
  if (fs::is_directory(path)) return "<missing>";
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

void make_dir(const std::string& path) { fs::create_directories(path); }

void symlink_dir(const std::string& target, const std::string& link) {
  fs::create_directory_symlink(target, link);
}

std::vector<std::string> tree(const std::string& root) {
  std::vector<std::string> paths;
  for (auto& entry : fs::recursive_directory_iterator(root)) {
    std::string path = entry.path().lexically_relative(root).generic_string();
    if (entry.is_symlink()) {
      path += "@";
    } else if (entry.is_directory()) {
      path += "/";
    }
    paths.push_back(path);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string variable_file(const std::string& folder, const std::string& text_area, bool complete) {
  std::string file = "**TI89**";
  file += bytes({1, 0});
  std::string folder_field = folder.substr(0, 8);
  folder_field.resize(8, '\0');
  file += folder_field;
  std::string comment = "made by the tests";
  comment.resize(40, '\0');
  file += comment;
  file += bytes({1, 0, 0x52, 0, 0, 0});
  file += std::string("var\0\0\0\0\0", 8);
  file += bytes({0x0B, 0, 0, 0});
  size_t size = 90 + text_area.size() + (complete ? 3 : 0);
  file += bytes({(int)(size & 0xFF), (int)((size >> 8) & 0xFF), (int)((size >> 16) & 0xFF), 0});
  file += bytes({0xA5, 0x5A, 0, 0, 0, 0});
  size_t length = text_area.size() + 4;
  file += bytes({(int)((length >> 8) & 0xFF), (int)(length & 0xFF), 0, 1});
  file += text_area;
  if (complete) {
    file += bytes({0xE0});
    unsigned sum = 0;
    for (size_t at = 86; at < file.size(); ++at) sum += (unsigned char)file[at];
    file += bytes({(int)(sum & 0xFF), (int)((sum >> 8) & 0xFF)});
  }
  return file;
}

ProgramRun run_program(const std::string& name, const std::string& arguments) {
  std::string out_path = (fs::path(ScratchTest::output_dir()) / "stdout").string();
  std::string err_path = (fs::path(ScratchTest::output_dir()) / "stderr").string();
#ifdef _WIN32
  std::string program = (fs::path(PROGRAM_DIR) / (name + ".exe")).make_preferred().string();
  // cmd /c drops the first and the last quote of the line: the outer pair
  // keeps the quotes around each path.
  std::string command = "\"\"" + program + "\" " + arguments + " > \"" + out_path + "\" 2> \"" +
                        err_path + "\" < NUL\"";
  int status = system(command.c_str());
  ProgramRun run;
  run.status = status;
#else
  std::string command = "'" + std::string(PROGRAM_DIR) + "/" + name + "' " + arguments + " > '" +
                        out_path + "' 2> '" + err_path + "' < /dev/null";
  int status = system(command.c_str());
  ProgramRun run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  run.out = read_file(out_path);
  run.err = read_file(err_path);
  return run;
}

::testing::AssertionResult showed_boxes(const ProgramRun& run, std::string expected) {
  // A Windows box is a window: nothing of it, nor anything else, reaches
  // standard error.
  if (!boxes_readable) expected.clear();
  if (run.err == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the boxes shown:\n"
                                       << run.err << "\nthe boxes expected:\n"
                                       << expected;
}

std::string written_file(const std::string& folder, const std::string& name,
                         const std::string& text_area) {
  std::string file = "**TI89**" + bytes({1, 0});
  file += folder + std::string(8 - folder.size(), '\0');
  std::string comment = "Text file converted by Plovane";
  file += comment + std::string(40 - comment.size(), '\0');
  file += bytes({1, 0, 0x52, 0, 0, 0});
  file += name + std::string(8 - name.size(), '\0');
  file += bytes({0x0B, 0, 0, 0});
  size_t size = text_area.size() + 94;
  file += bytes({(int)(size & 0xFF), (int)(size >> 8 & 0xFF), (int)(size >> 16 & 0xFF), 0});
  file += bytes({0xA5, 0x5A, 0, 0, 0, 0});
  size_t length = size - 90;
  file += bytes({(int)(length >> 8 & 0xFF), (int)(length & 0xFF), 0, 1});
  file += text_area + bytes({0, 0xE0});
  unsigned sum = 0;
  for (size_t at = 86; at < file.size(); ++at) sum += (unsigned char)file[at];
  return file + bytes({(int)(sum & 0xFF), (int)(sum >> 8 & 0xFF)});
}
