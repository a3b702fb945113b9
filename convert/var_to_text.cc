// Variable file to text file: reads the folder name at offset 10 and the text
// area from offset 90 on, and writes the text file with CR LF line ends.
#include <string.h>

#include "convert.h"
#include "messages.h"

static const char unusable_folder[] =
    "The file '%s' names the folder '%s', which can't be used as a folder name on this "
    "computer. I'm ignoring that file for now.";
static const char name_with_folder_part[] =
    "The file '%s' would be written as '%s', which is not a file of its folder '%s'. I'm "
    "ignoring that file for now.";
static const char empty_program_notice[] = "This program file appears to be empty!";
static const char tokenized_program_notice[] =
    "This program file is tokenized. We can't translate tokenized files. If you want this "
    "program file translated, please open it in the TI-89 program editor (to untokenize it), "
    "and copy it to the computer & try converting it again. (Programs are tokenized when they "
    "are run, and untokenized if they're opened in the program editor).\n";
// A program file of at most this many bytes holds no tokenized program.
static const long largest_empty_program = 103;

// Reads the folder name field: up to 8 bytes, ended early by a NUL or by the
// end of the file.
static void read_folder_name() {
  stream_seek(&input_file, folder_name_offset, SEEK_SET);
  int length = 0;
  while (length < max_name_length) {
    int byte = stream_get(&input_file);
    if (byte == EOF || byte == 0) break;
    folder_buffer[length++] = (char)byte;
  }
  folder_buffer[length] = '\0';
}

// Builds "folder/name_part" into name_buffer, with the last three characters
// turned into "txt". Returns 0, or -1 when the path does not fit.
static int build_output_path(const char* name_part) {
  int length = format_bounded(name_buffer, sizeof name_buffer, "%s%c%s", folder_buffer,
                              path_separator, name_part);
  if (length < 0 || length >= (int)sizeof name_buffer) return -1;
  memcpy(name_buffer + length - 3, "txt", 3);
  return 0;
}

static void put_translated(int byte) {
  switch (byte) {
    case 173: stream_put(&output_file, '-'); break;
    case 140: stream_put_string(&output_file, "PI"); break;
    case 157: stream_put_string(&output_file, "!="); break;
    case 22: stream_put_string(&output_file, "->"); break;
    case 156: stream_put_string(&output_file, "<="); break;
    case 158: stream_put_string(&output_file, ">="); break;
    case 168: stream_put_string(&output_file, "sqrt"); break;
    default: stream_put(&output_file, byte);
  }
}

// Converts the text area. Returns the read counter at the text's 0 byte, or 0
// when the file ended first: it starts at 1 and drops before every read but
// that of a marker after a line end, so it is 0 at the 0 byte exactly when
// every byte before it is a line end.
static int convert_text_area() {
  stream_seek(&input_file, first_text_offset, SEEK_SET);
  int read_counter = 1;
  int in_indentation = 0;
  int is_marker = 1;
  --read_counter;
  int byte = stream_get(&input_file);
  while (byte != EOF) {
    if (is_marker) {
      is_marker = 0;
      in_indentation = 1;
      if (byte == marker_ordinary || byte == marker_command || byte == marker_print) {
        if (byte == marker_command) stream_put(&output_file, 14);
        if (byte == marker_print) stream_put(&output_file, 15);
        --read_counter;
        byte = stream_get(&input_file);
        continue;
      }
      // Any other marker (a page break among them) is the line's first
      // character.
    }
    if (byte == line_end) {
      stream_put(&output_file, '\n');
      byte = stream_get(&input_file);
      is_marker = 1;
      continue;
    }
    if (byte == text_end_byte) return read_counter;
    if (in_indentation && byte == ' ') {
      stream_put(&output_file, '\t');
    } else {
      in_indentation = 0;
      put_translated(byte);
    }
    --read_counter;
    byte = stream_get(&input_file);
  }
  return 0;
}

ConversionResult var_to_text(const char* path) {
  if (stream_open(&input_file, path, "rb") != 0) {
    format_bounded(message_buffer, sizeof message_buffer, read_failure_message, path);
    show_message_box(message_buffer, caption_error);
    return CONVERSION_FATAL;
  }
  read_folder_name();
  if (!is_usable_folder_name(folder_buffer)) {
    stream_close(&input_file);
    format_bounded(message_buffer, sizeof message_buffer, unusable_folder, path, folder_buffer);
    show_message_box(message_buffer, caption_error);
    return SKIPPED_REFUSED;
  }
  const char* first_dot = strchr(path, '.');
  const char* last_dot = strrchr(path, '.');
  // The name part is the whole path when it has one dot, else all after the
  // first dot.
  const char* name_part = first_dot == last_dot ? path : first_dot + 1;
  int output_fits = first_dot && build_output_path(name_part) == 0;
  // A folder part in the name would put the text elsewhere, even outside the
  // working folder; a name part of fewer than three characters would have
  // "txt" written over the separator, putting the text beside its folder.
  const size_t shortest_name_part = 3;
  if (output_fits && (strpbrk(name_part, "/\\") || strlen(name_part) < shortest_name_part)) {
    stream_close(&input_file);
    format_bounded(message_buffer, sizeof message_buffer, name_with_folder_part, path, name_buffer,
                   folder_buffer);
    show_message_box(message_buffer, caption_error);
    return SKIPPED_REFUSED;
  }
  if (!path_exists(folder_buffer)) make_folder(folder_buffer);

  if (!first_dot) {
    format_bounded(name_buffer, sizeof name_buffer, "%s%c", folder_buffer, path_separator);
    show_message_box(missing_extension_message, caption_error);
    stream_close(&input_file);
    return CONVERSION_FATAL;
  }
  int kind_letter = path[strlen(path) - 1];
  if (!output_fits || stream_open(&output_file, name_buffer, "wt") != 0) {
    stream_close(&input_file);
    format_bounded(message_buffer, sizeof message_buffer, write_failure_message, name_buffer);
    show_message_box(message_buffer, caption_error);
    return CONVERSION_FATAL;
  }

  if (convert_text_area() != 0 && kind_letter == 'p') {
    stream_seek(&input_file, 0, SEEK_END);
    long file_size = stream_tell(&input_file);
    stream_put_string(&output_file, file_size > largest_empty_program ? tokenized_program_notice
                                                                      : empty_program_notice);
  }
  stream_close(&output_file);
  stream_close(&input_file);
  return CONVERTED;
}
