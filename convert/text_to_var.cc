// Text file to variable file: measures the text area, then writes
// "../folder.stem.89t" with the header, the text area converted line by line,
// and the checksum.
#include <string.h>

#include "convert.h"
#include "messages.h"

// Each name is shown with at most 120 characters, so that the complaint fits
// message_buffer whole even for the longest names a folder can hold.
static const char long_file_name[] =
    "The file name '%.120s' (%.120s without the extension) in '%.120s' is > 8 letters long. "
    "Perhaps you want to shorten it for the TI-89? I'm ignoring it for now.";
static const char stem_with_folder_part[] =
    "The file name '%.120s' (%.120s without the extension) in '%.120s' holds a folder part, "
    "which a TI-89 variable name can't. I'm ignoring it for now.";
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

// Converts |count| bytes of PC text from input_block into output_block,
// going on from the line state |*line|. Returns the number of bytes that the
// text area gets from them.
static int convert_block(int count, LineState* line) {
  const unsigned char* next = input_block;
  const unsigned char* end = input_block + count;
  unsigned char* put = output_block;
  LineState state = *line;
  while (next < end) {
    int byte = *next++;
    if (state == at_line_start) {
      int marker = marker_of_first_byte(byte);
      if (marker) {
        *put++ = (unsigned char)marker;
        state = in_indent;
        continue;
      }
      *put++ = (unsigned char)marker_ordinary;
      state = byte == '\t' ? in_indent : in_line;
    }
    if (byte == '\n') {
      *put++ = (unsigned char)line_end;
      state = at_line_start;
    } else if (byte == '\t') {
      *put++ = state == in_indent ? ' ' : '\t';
    } else {
      *put++ = (unsigned char)byte;
      state = in_line;
      // The rest of the line, tabs included, goes in as it stands.
      const unsigned char* line_end_at = (const unsigned char*)memchr(next, '\n', end - next);
      if (!line_end_at) line_end_at = end;
      memcpy(put, next, line_end_at - next);
      put += line_end_at - next;
      next = line_end_at;
    }
  }
  *line = state;
  return (int)(put - output_block);
}

// Counts the bytes that the text area will take, by converting without
// writing. Stops as soon as the text is too long.
static long measure_text_area() {
  LineState state = at_line_start;
  long length = 0;
  int count;
  do {
    count = stream_read(&input_file, input_block, block_size);
    length += convert_block(count, &state);
  } while (count == block_size && length <= max_text_area_length);
  return length;
}

static unsigned long sum_of(const unsigned char* bytes, int count) {
  unsigned long sum = 0;
  for (int at = 0; at < count; ++at) sum += bytes[at];
  return sum;
}

// Converts the text block by block, returning the text area's length and,
// in |*sum|, the sum of its bytes.
static long convert_text(unsigned long* sum) {
  LineState state = at_line_start;
  long length = 0;
  int count;
  do {
    count = stream_read(&input_file, input_block, block_size);
    int converted = convert_block(count, &state);
    stream_write(&output_file, output_block, converted);
    length += converted;
    *sum += sum_of(output_block, converted);
  } while (count == block_size);
  return length;
}

static void put_field(const char* text, int width) {
  int length = (int)strlen(text);
  for (int at = 0; at < width; ++at) stream_put(&output_file, at < length ? text[at] : 0);
}

static void put_bytes(const unsigned char* values, int count) {
  for (int at = 0; at < count; ++at) stream_put(&output_file, values[at]);
}

static void put_little_endian(long value, int width) {
  for (int shift = 0; shift < 8 * width; shift += 8)
    stream_put(&output_file, (value >> shift) & 0xFF);
}

static long file_size_for(long text_area_length) {
  return first_text_offset + text_area_length + end_bytes_and_checksum_length;
}

// The variable length: the bytes from the cursor bytes through the end byte.
static long variable_length_for(long text_area_length) {
  return file_size_for(text_area_length) - first_text_offset;
}

static void put_variable_length(long variable_length) {
  stream_put(&output_file, (variable_length >> 8) & 0xFF);
  stream_put(&output_file, variable_length & 0xFF);
}

static void put_header(const char* folder, const char* stem, long text_area_length) {
  put_field(signature, signature_length);
  put_bytes(fixed_bytes, 2);
  put_field(folder, name_field_length);
  // The comment goes through message_buffer, which is free by now.
  format_bounded(message_buffer, sizeof message_buffer, "%s", comment_text);
  put_field(message_buffer, comment_field_length);
  put_bytes(entry_count, 2);
  put_little_endian(data_offset_value, 4);
  put_field(stem, name_field_length);
  const unsigned char type_and_zeros[4] = {text_type_byte, 0, 0, 0};
  put_bytes(type_and_zeros, 4);
  put_little_endian(file_size_for(text_area_length), 4);
  put_bytes(data_mark, 2);
  const unsigned char zeros[4] = {0, 0, 0, 0};
  put_bytes(zeros, 4);
  put_variable_length(variable_length_for(text_area_length));
  put_bytes(cursor_bytes, 2);
}

// Writes the text end, the end byte and the checksum, which sums the
// variable length, the cursor bytes, the text area, the text end and the
// end byte.
static void put_end_and_checksum(long text_area_length, unsigned long text_sum) {
  long variable_length = variable_length_for(text_area_length);
  unsigned long checksum = ((variable_length >> 8) & 0xFF) + (variable_length & 0xFF) +
                           cursor_bytes[0] + cursor_bytes[1] + text_sum + text_end_byte + end_byte;
  stream_put(&output_file, text_end_byte);
  stream_put(&output_file, end_byte);
  put_little_endian(checksum & 0xFFFF, 2);
}

// A text that changed between measuring and converting leaves the sizes in
// the header wrong: they are patched in place.
static void patch_sizes(long text_area_length) {
  stream_seek(&output_file, file_size_offset, SEEK_SET);
  put_little_endian(file_size_for(text_area_length), 4);
  stream_seek(&output_file, variable_length_offset, SEEK_SET);
  put_variable_length(variable_length_for(text_area_length));
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
  // A name that does not fit the buffers names no file that could open.
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
  // The stem names the variable file beside the folder; a folder part in it
  // would put that file elsewhere, even outside the working folder.
  if (strpbrk(stem, path_separators)) {
    format_bounded(message_buffer, sizeof message_buffer, stem_with_folder_part, file_name, stem,
                   folder);
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
  // earlier variable file of that name as it was; the header then gets its
  // sizes from the start, with no seeking back.
  long measured_length = measure_text_area();
  if (measured_length > max_text_area_length) {
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
  put_header(folder, stem, measured_length);
  unsigned long text_sum = 0;
  long text_area_length = convert_text(&text_sum);
  put_end_and_checksum(text_area_length, text_sum);
  if (text_area_length != measured_length) patch_sizes(text_area_length);
  stream_close(&output_file);
  stream_close(&input_file);
  return CONVERTED;
}
