// Text file to variable file: writes "../folder.stem.89t" with the header,
// the text area converted line by line, and the sizes and the checksum
// patched in at the end.
#include <string.h>

#include "convert.h"
#include "messages.h"

// Each name is shown with at most 120 characters, so that the complaint fits
// message_buffer whole even for the longest names a folder can hold.
static const char long_file_name[] =
    "The file name '%.120s' (%.120s without the extension) in '%.120s' is > 8 letters long. "
    "Perhaps you want to shorten it for the TI-89? I'm ignoring it for now.";
static const char long_text[] =
    "The file '%s' in '%s' is too long for the TI-89: a text variable holds at most 65531 "
    "bytes. I'm ignoring it for now.";
static const char parent_prefix[] = "../";

// Where a PC line stands while its bytes are converted.
enum LineState { at_line_start, in_indent, in_line };

// The marker that a line's first byte selects, or 0 for an ordinary line.
static int marker_of_first_byte(int byte) {
  switch (byte) {
    case 12: return marker_page_break;
    case 14: return marker_command;
    case 15: return marker_print;
    default: return 0;
  }
}

// Counts the bytes that the text area will take: one for every byte read,
// and one more for the marker of every line whose first byte is not itself
// turned into a marker.
static long measure_text_area() {
  long length = 0;
  int line_start = 1;
  for (int byte; (byte = stream_get(&input_file)) != EOF;) {
    length += (line_start && !marker_of_first_byte(byte)) ? 2 : 1;
    line_start = byte == '\n';
  }
  return length;
}

static void put_counted(int byte, unsigned long* checksum) {
  stream_put(&output_file, byte);
  *checksum += (unsigned char)byte;
}

static void put_field(const char* text, int width) {
  int length = (int)strlen(text);
  for (int at = 0; at < width; ++at) stream_put(&output_file, at < length ? text[at] : 0);
}

static void put_bytes(const unsigned char* values, int count) {
  for (int at = 0; at < count; ++at) stream_put(&output_file, values[at]);
}

static void put_header(const char* folder, const char* stem) {
  put_field(signature, signature_length);
  put_bytes(fixed_bytes, 2);
  put_field(folder, name_field_length);
  // The comment goes through message_buffer, which is free by now.
  format_bounded(message_buffer, sizeof message_buffer, "%s", comment_text);
  put_field(message_buffer, comment_field_length);
  put_bytes(entry_count, 2);
  const unsigned char data_offset[4] = {(unsigned char)data_offset_value, 0, 0, 0};
  put_bytes(data_offset, 4);
  put_field(stem, name_field_length);
  const unsigned char type_and_zeros[4] = {text_type_byte, 0, 0, 0};
  put_bytes(type_and_zeros, 4);
  const unsigned char zeros[4] = {0, 0, 0, 0};
  put_bytes(zeros, 4);  // the file size, patched at the end
  put_bytes(data_mark, 2);
  put_bytes(zeros, 4);
  put_bytes(zeros, 2);  // the variable length, patched at the end
  put_bytes(cursor_bytes, 2);
}

// Converts the PC text into the text area, line state by line state.
static void convert_text(unsigned long* checksum) {
  LineState state = at_line_start;
  for (int byte; (byte = stream_get(&input_file)) != EOF;) {
    if (state == at_line_start) {
      int marker = marker_of_first_byte(byte);
      if (marker) {
        put_counted(marker, checksum);
        state = in_indent;
        continue;
      }
      put_counted(marker_ordinary, checksum);
      state = byte == '\t' ? in_indent : in_line;
    }
    if (byte == '\n') {
      put_counted(line_end, checksum);
      state = at_line_start;
    } else if (byte == '\t') {
      put_counted(state == in_indent ? ' ' : '\t', checksum);
    } else {
      put_counted(byte, checksum);
      state = in_line;
    }
  }
}

// Patches the file size, the variable length and the checksum in place.
static void patch_sizes_and_checksum(unsigned long checksum) {
  long checksum_offset = stream_tell(&output_file);
  stream_put(&output_file, 0);
  stream_put(&output_file, 0);
  long file_size = stream_tell(&output_file);
  stream_seek(&output_file, file_size_offset, SEEK_SET);
  for (int shift = 0; shift < 32; shift += 8) stream_put(&output_file, (file_size >> shift) & 0xFF);
  long variable_length = file_size - first_text_offset;
  stream_seek(&output_file, variable_length_offset, SEEK_SET);
  put_counted((variable_length >> 8) & 0xFF, &checksum);
  put_counted(variable_length & 0xFF, &checksum);
  stream_seek(&output_file, checksum_offset, SEEK_SET);
  stream_put(&output_file, checksum & 0xFF);
  stream_put(&output_file, (checksum >> 8) & 0xFF);
}

// Reports the text file that cannot be read, named as it was given.
static ConversionResult fail_to_read(const char* file_name) {
  format_bounded(message_buffer, sizeof message_buffer, read_failure_message, file_name);
  show_message_box(message_buffer, caption_error);
  return CONVERSION_FATAL;
}

// Closes the text file and shows the complaint already in message_buffer.
static ConversionResult refuse() {
  stream_close(&input_file);
  show_message_box(message_buffer, caption_complaint);
  return SKIPPED_REFUSED;
}

ConversionResult text_to_var(const char* folder, const char* file_name) {
  const char* last_dot = strrchr(file_name, '.');
  if (!last_dot) {
    show_message_box(missing_extension_message, caption_error);
    return CONVERSION_FATAL;
  }
  // A name that does not fit the buffers names no file that could open, and
  // one with a folder part names no file of this folder.
  if (strpbrk(file_name, "/\\")) return fail_to_read(file_name);
  int stem_length = (int)(last_dot - file_name);
  if (format_bounded(name_buffer, sizeof name_buffer, "%s", file_name) >= (int)sizeof name_buffer ||
      format_bounded(message_buffer, sizeof message_buffer, "%.*s.89p", stem_length, file_name) >=
          (int)sizeof message_buffer)
    return fail_to_read(file_name);

  Stream program_file;
  if (stream_open(&program_file, message_buffer, "rt") == 0) {
    stream_close(&program_file);
    return SKIPPED_PROGRAM_BESIDE;
  }
  if (stream_open(&input_file, name_buffer, "rt") != 0) return fail_to_read(file_name);

  name_buffer[stem_length] = '\0';
  const char* stem = name_buffer;
  if (stem_length > max_name_length) {
    format_bounded(message_buffer, sizeof message_buffer, long_file_name, file_name, stem, folder);
    return refuse();
  }
  if ((int)strlen(folder) > max_name_length) {
    format_bounded(message_buffer, sizeof message_buffer, long_folder_message, folder);
    return refuse();
  }
  if (!is_usable_folder_name(folder)) {
    format_bounded(message_buffer, sizeof message_buffer, unusable_folder_message, folder);
    return refuse();
  }
  // Measured first, so that a text too long for a variable leaves any
  // earlier variable file of that name as it was.
  if (measure_text_area() > max_text_area_length) {
    format_bounded(message_buffer, sizeof message_buffer, long_text, file_name, folder);
    return refuse();
  }
  stream_seek(&input_file, 0, SEEK_SET);

  format_bounded(message_buffer, sizeof message_buffer, "%s%s.%s.89t", parent_prefix, folder, stem);
  if (stream_open(&output_file, message_buffer, "wb") != 0) {
    stream_close(&input_file);
    format_bounded(name_buffer, sizeof name_buffer, write_failure_message,
                   message_buffer + strlen(parent_prefix));
    show_message_box(name_buffer, caption_error);
    return CONVERSION_FATAL;
  }
  put_header(folder, stem);
  unsigned long checksum = cursor_bytes[1];
  convert_text(&checksum);
  put_counted(text_end_byte, &checksum);
  put_counted(end_byte, &checksum);
  patch_sizes_and_checksum(checksum);
  stream_close(&output_file);
  stream_close(&input_file);
  return CONVERTED;
}
