// Variable file to text file: reads the folder name at offset 10 and the text
// area from offset 90 on, and writes the text file with CR LF line ends.
#include <stdint.h>
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

void recorded_folder(const unsigned char* header, int count, char* folder) {
  int length = 0;
  while (length < max_name_length && folder_name_offset + length < count) {
    unsigned char byte = header[folder_name_offset + length];
    if (byte == 0) break;
    folder[length++] = (char)byte;
  }
  folder[length] = '\0';
}

int text_path_of(const char* path, const char* folder, char separator, char* text_path, int size) {
  const char* first_dot = strchr(path, '.');
  if (!first_dot) return TEXT_PATH_NO_EXTENSION;
  const char* name_part = first_dot == strrchr(path, '.') ? path : first_dot + 1;
  int length = format_bounded(text_path, size, "%s%c%s", folder, separator, name_part);
  if (length < 0 || length >= size) return TEXT_PATH_TOO_LONG;
  memcpy(text_path + length - 3, "txt", 3);
  // A folder part in the name would put the text elsewhere, even outside the
  // working folder; a name part of fewer than three characters would have
  // "txt" written over the separator, putting the text beside its folder.
  const size_t shortest_name_part = 3;
  if (strpbrk(name_part, path_separators) || strlen(name_part) < shortest_name_part)
    return TEXT_PATH_NOT_IN_FOLDER;
  return TEXT_PATH_BUILT;
}

// The text area is read through input_block, whose unread bytes run from
// |*next| to |*end|, and written through output_block up to |*put|. These
// stay local to the conversion's loop, so that they live in registers.
static inline int take_byte(const unsigned char** next, const unsigned char** end) {
  if (*next == *end) {
    int count = stream_read(&input_file, input_block, block_size);
    if (count == 0) return EOF;
    *next = input_block;
    *end = input_block + count;
  }
  return *(*next)++;
}

static void flush_output(unsigned char** put) {
  stream_write(&output_file, output_block, (int)(*put - output_block));
  *put = output_block;
}

static inline void put_byte(unsigned char** put, int byte) {
  if (*put == output_block + sizeof output_block) flush_output(put);
  *(*put)++ = (unsigned char)byte;
}

// |count| is at most block_size, which always fits an emptied output_block.
static void put_run(unsigned char** put, const unsigned char* bytes, long count) {
  if (count > output_block + sizeof output_block - *put) flush_output(put);
  memcpy(*put, bytes, (size_t)count);
  *put += count;
}

static void put_text(unsigned char** put, const char* text) {
  for (; *text; ++text) put_byte(put, (unsigned char)*text);
}

static void put_translated(unsigned char** put, int byte) {
  switch (byte) {
    case 173: put_byte(put, '-'); break;
    case 140: put_text(put, "PI"); break;
    case 157: put_text(put, "!="); break;
    case 22: put_text(put, "->"); break;
    case 156: put_text(put, "<="); break;
    case 158: put_text(put, ">="); break;
    case 168: put_text(put, "sqrt"); break;
    default: put_byte(put, byte);
  }
}

// A byte inside a line that is written as it stands: neither the line end,
// nor the text end, nor one of the translated codes.
static inline int is_plain(int byte) {
  switch (byte) {
    case 0:
    case 13:
    case 22:
    case 140:
    case 156:
    case 157:
    case 158:
    case 168:
    case 173: return 0;
    default: return 1;
  }
}

// How many bytes of a block of eight, loaded little-endian, come before the
// first one whose high bit |marks| has set. Where the compiler offers no
// bit scan it says 0, and the caller steps on byte by byte.
static inline int bytes_before_first_mark(uint64_t marks) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  return __builtin_ctzll(marks) / 8;
#else
  (void)marks;
  return 0;
#endif
}

// Finds the end of the run of plain bytes that starts at |next|: eight bytes
// at a time where all of them lie in 32..127, where no byte needs care, and
// byte by byte past any other.
static const unsigned char* end_of_plain_run(const unsigned char* next, const unsigned char* end) {
  const uint64_t high_bits = 0x8080808080808080ULL;
  const uint64_t spaces = 0x2020202020202020ULL;
  for (;;) {
    uint64_t outside = 0;
    while (end - next >= 8) {
      uint64_t eight;
      memcpy(&eight, next, sizeof eight);
      // A byte above 127 has its high bit set; one below 32 sets its high
      // bit when the spaces are taken away, and a borrow from it reaches
      // only the bytes after it.
      outside = (eight | (eight - spaces)) & high_bits;
      if (outside) break;
      next += 8;
    }
    if (outside) next += bytes_before_first_mark(outside);
    const unsigned char* window_end = end - next > 8 ? next + 8 : end;
    while (next < window_end && (unsigned)(*next - 32) < 96) ++next;
    if (next == end || !is_plain(*next)) return next;
    ++next;
  }
}

// Converts the text area, which starts in the first block of |first_count|
// bytes. Returns 1 when the text ended at its 0 byte after some byte other
// than a line end, 0 when only line ends came before it or the file ended
// first.
static int convert_text_area(int first_count) {
  const unsigned char* next =
      input_block + (first_count < first_text_offset ? first_count : first_text_offset);
  const unsigned char* end = input_block + first_count;
  unsigned char* put = output_block;
  int text_seen = 0;
  int text_ended = 0;
  int in_indentation = 0;
  int is_marker = 1;
  int byte = take_byte(&next, &end);
  while (byte != EOF) {
    if (is_marker) {
      is_marker = 0;
      in_indentation = 1;
      if (byte == marker_ordinary || byte == marker_command || byte == marker_print) {
        if (byte == marker_command) put_byte(&put, 14);
        if (byte == marker_print) put_byte(&put, 15);
        text_seen = 1;
        byte = take_byte(&next, &end);
        continue;
      }
      // Any other marker (a page break among them) is the line's first
      // character.
    }
    if (byte == line_end) {
      put_byte(&put, '\n');
      byte = take_byte(&next, &end);
      is_marker = 1;
      continue;
    }
    if (byte == text_end_byte) {
      text_ended = 1;
      break;
    }
    text_seen = 1;
    if (in_indentation && byte == ' ') {
      put_byte(&put, '\t');
    } else {
      in_indentation = 0;
      put_translated(&put, byte);
      // Most of a line is plain bytes: they go out in one run.
      const unsigned char* run_end = end_of_plain_run(next, end);
      put_run(&put, next, run_end - next);
      next = run_end;
    }
    byte = take_byte(&next, &end);
  }
  flush_output(&put);
  return text_ended && text_seen;
}

ConversionResult var_to_text(const char* path) {
  if (stream_open(&input_file, path, "rb") != 0) {
    format_bounded(message_buffer, sizeof message_buffer, read_failure_message, path);
    show_message_box(message_buffer, caption_error);
    return CONVERSION_FATAL;
  }
  // The first block holds the header, and the text area's first bytes.
  int first_count = stream_read(&input_file, input_block, block_size);
  recorded_folder(input_block, first_count, folder_buffer);
  if (!is_usable_folder_name(folder_buffer)) {
    stream_close(&input_file);
    format_bounded(message_buffer, sizeof message_buffer, unusable_folder, path, folder_buffer);
    show_message_box(message_buffer, caption_error);
    return SKIPPED_REFUSED;
  }
  int naming = text_path_of(path, folder_buffer, path_separator, name_buffer, sizeof name_buffer);
  if (naming == TEXT_PATH_NOT_IN_FOLDER) {
    stream_close(&input_file);
    format_bounded(message_buffer, sizeof message_buffer, name_with_folder_part, path, name_buffer,
                   folder_buffer);
    show_message_box(message_buffer, caption_error);
    return SKIPPED_REFUSED;
  }
  if (!path_exists(folder_buffer)) make_folder(folder_buffer);

  if (naming == TEXT_PATH_NO_EXTENSION) {
    show_message_box(missing_extension_message, caption_error);
    stream_close(&input_file);
    return CONVERSION_FATAL;
  }
  int kind_letter = path[strlen(path) - 1];
  if (naming != TEXT_PATH_BUILT || stream_open(&output_file, name_buffer, "wt") != 0) {
    stream_close(&input_file);
    format_bounded(message_buffer, sizeof message_buffer, write_failure_message, name_buffer);
    show_message_box(message_buffer, caption_error);
    return CONVERSION_FATAL;
  }

  if (convert_text_area(first_count) != 0 && kind_letter == 'p') {
    stream_seek(&input_file, 0, SEEK_END);
    long file_size = stream_tell(&input_file);
    stream_put_string(&output_file, file_size > largest_empty_program ? tokenized_program_notice
                                                                      : empty_program_notice);
  }
  stream_close(&output_file);
  stream_close(&input_file);
  return CONVERTED;
}
