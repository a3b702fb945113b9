// Fuzz target: text_to_var on any text under any folder and file name.
//
// Input: one byte of choices, the folder argument, a NUL byte, the file name
// argument, a NUL byte, then the text. The call runs in work/dir, so the
// variable file lands in the working folder. The choices:
//   bit 0  a program file stem.89p lies beside the text
//   bit 1  a variable file of the same name exists already
//   bit 2  the text is a folder, not a file
//   bit 3  a folder has the variable file's name
//   bits 4 to 7  the text is repeated 2^n times (at most about 200000
//   bytes), to reach the longest text a variable can hold
#include <string.h>

#include "convert.h"
#include "fuzz_support.h"

static const size_t longest_repeated_text = 200000;

static std::string field(const std::string& text) {
  std::string padded = text.substr(0, name_field_length);
  padded.resize(name_field_length, '\0');
  return padded;
}

// The text area for |text| by the rules of the variable file, written out a
// second time: the text is read in text mode (every byte 13 dropped, the
// first byte 26 ends it); each line opens with its marker; a tab is a space
// while only the marker and tabs stand before it on its line.
static std::string expected_text_area(const std::string& text) {
  std::string area;
  enum { at_line_start, in_indent, in_line } state = at_line_start;
  for (char byte : text) {
    if (byte == 26) break;
    if (byte == 13) continue;
    if (state == at_line_start) {
      if (byte == 12 || byte == 14 || byte == 15) {
        area += byte == 12 ? '\x0C' : byte == 14 ? 'C' : 'P';
        state = in_indent;
        continue;
      }
      area += ' ';
      state = in_indent;
    }
    if (byte == '\n') {
      area += '\r';
      state = at_line_start;
    } else if (byte == '\t') {
      area += state == in_indent ? ' ' : '\t';
    } else {
      area += byte;
      state = in_line;
    }
  }
  return area;
}

// The variable file written for |text| of the file |stem|.txt in |folder|.
static void check_written_file(const std::string& file, const std::string& folder,
                               const std::string& stem, const std::string& text) {
  check_variable_file(file);
  size_t size = file.size();
  check(file.compare(folder_name_offset, name_field_length, field(folder)) == 0,
        "the folder field holds the folder");
  check(file.compare(variable_name_offset, name_field_length, field(stem)) == 0,
        "the variable name field holds the stem");
  check(file.compare(first_text_offset, size - 94, expected_text_area(text)) == 0,
        "the text area holds the text, converted line by line");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  begin_input();
  FuzzInput input = {data, size};
  int choices = take_byte(&input);
  std::string folder = take_until_nul(&input);
  std::string file_name = take_until_nul(&input);
  std::string text = take_rest(&input);
  for (int doubling = choices >> 4; doubling > 0 && !text.empty(); --doubling) {
    if (text.size() * 2 > longest_repeated_text) break;
    text += text;
  }

  check(make_folder("dir") == 0, "the text's folder can be made");
  const std::string text_folder = work_folder() + "/dir";
  check(change_dir("dir") == 0, "the text's folder can be entered");
  size_t last_dot = file_name.rfind('.');
  std::string stem = file_name.substr(0, last_dot);
  if (is_plain_file_name(file_name)) {
    if (choices & 4)
      make_folder(file_name.c_str());
    else
      write_whole_file(file_name, text);
    if ((choices & 1) && last_dot != std::string::npos && is_plain_file_name(stem + ".89p"))
      write_whole_file(stem + ".89p", "");
  }
  std::string variable_file = folder + "." + stem + ".89t";
  if ((choices & 2) && is_plain_file_name(variable_file))
    write_whole_file("../" + variable_file, "an earlier variable file");
  else if ((choices & 8) && is_plain_file_name(variable_file))
    make_folder(("../" + variable_file).c_str());
  std::string before = snapshot(work_folder());

  ConversionResult result = text_to_var(folder.c_str(), file_name.c_str());

  check(result == CONVERTED || result == SKIPPED_PROGRAM_BESIDE || result == SKIPPED_REFUSED ||
            result == CONVERSION_FATAL,
        "text_to_var returns 0, 1, 2 or -1");
  check_left_clean(text_folder);
  bool boxed = result == SKIPPED_REFUSED || result == CONVERSION_FATAL;
  check(boxes_shown() == (boxed ? 1 : 0), "a refusal or a failure shows exactly one box");
  if (result != CONVERTED) {
    check(snapshot(work_folder()) == before, "a file not converted leaves every file as it was");
    return 0;
  }
  check(last_dot != std::string::npos && is_plain_file_name(variable_file),
        "only a name with an extension and a plain variable file name converts");
  check(change_dir("..") == 0, "the working folder can be entered again");
  std::string written = read_whole_file(variable_file);
  check_written_file(written, folder, stem, text);
  // Put back as it was, the variable file was the only file touched.
  if (choices & 2)
    write_whole_file(variable_file, "an earlier variable file");
  else
    remove_file(variable_file.c_str());
  check(snapshot(work_folder()) == before, "a conversion writes its variable file alone");
  write_whole_file(variable_file, written);

  // The file reads back.
  check(var_to_text(variable_file.c_str()) == CONVERTED, "the written file reads back");
  check_left_clean(work_folder());
  check(boxes_shown() == 0, "reading back shows no box");
  return 0;
}
