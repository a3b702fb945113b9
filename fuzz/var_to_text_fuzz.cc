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

// The folder name recorded at offset 10: up to 8 bytes, ended early by a NUL
// or by the end of the file.
static std::string recorded_folder(const std::string& file) {
  std::string folder;
  for (size_t at = 10; at < file.size() && at < 18 && file[at] != '\0'; ++at) folder += file[at];
  return folder;
}

// Where the text goes: the folder, then the name part of the path (all of it
// when it has one dot, else all after the first dot), its last three
// characters turned into "txt".
static std::string output_path(const std::string& path, const std::string& folder) {
  size_t first_dot = path.find('.');
  std::string name_part = first_dot == path.rfind('.') ? path : path.substr(first_dot + 1);
  std::string output = folder + "/" + name_part;
  return output.replace(output.size() - 3, 3, "txt");
}

static std::string translated(unsigned char byte) {
  switch (byte) {
    case 173: return "-";
    case 140: return "PI";
    case 157: return "!=";
    case 22: return "->";
    case 156: return "<=";
    case 158: return ">=";
    case 168: return "sqrt";
    default: return std::string(1, (char)byte);
  }
}

static const char tokenized_notice[] =
    "This program file is tokenized. We can't translate tokenized files. If you want this "
    "program file translated, please open it in the TI-89 program editor (to untokenize it), "
    "and copy it to the computer & try converting it again. (Programs are tokenized when they "
    "are run, and untokenized if they're opened in the program editor).\n";

// The text file for the variable file |file| by the rules of the reader,
// written out a second time: markers, leading spaces as tabs, line ends,
// the translation table, the notices of program files, and text mode's
// 13 10 for every byte 10 written.
static std::string expected_text(const std::string& file, char kind_letter) {
  std::string text;
  size_t at = 90;
  int read_counter = 1;
  bool in_indentation = false;
  auto next = [&]() { return at < file.size() ? (int)(unsigned char)file[at++] : -1; };
  int byte = (--read_counter, next());
  bool is_marker = true;
  for (;;) {
    if (byte == -1) break;
    if (is_marker) {
      is_marker = false;
      in_indentation = true;
      if (byte == ' ' || byte == 'C' || byte == 'P') {
        if (byte != ' ') text += byte == 'C' ? '\x0E' : '\x0F';
        byte = (--read_counter, next());
        continue;
      }
    } else if (byte == 13) {
      text += '\n';
      byte = next();
      is_marker = true;
      continue;
    } else if (byte == 0) {
      if (read_counter != 0 && kind_letter == 'p')
        text += file.size() > 103 ? tokenized_notice : "This program file appears to be empty!";
      break;
    } else if (in_indentation && byte == ' ') {
      text += '\t';
      byte = (--read_counter, next());
      continue;
    } else {
      in_indentation = false;
      text += translated(byte);
      byte = (--read_counter, next());
      continue;
    }
  }
  std::string written;
  for (char character : text)
    written += character == '\n' ? std::string("\r\n") : std::string(1, character);
  return written;
}

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
    std::string file = read_whole_file(path);
    check(read_whole_file(output_path(path, recorded_folder(file))) ==
              expected_text(file, path.back()),
          "the text file holds the variable's text, converted line by line");
  }
  return 0;
}
