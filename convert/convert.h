// The conversion library: the layout of a calculator variable file, the two
// conversions between PC text files and variable files, and the line reader
// of the list files.
#ifndef CONVERT_CONVERT_H
#define CONVERT_CONVERT_H

#include "platform.h"

// ---- Results ---------------------------------------------------------------

// What a conversion returns. Results 1 and 2 skip the file in hand; -1 means
// a box has been shown and the caller converts nothing more.
typedef int ConversionResult;
enum {
  CONVERTED = 0,
  SKIPPED_PROGRAM_BESIDE = 1,  // text_to_var: stem.89p lies beside the text
  SKIPPED_REFUSED = 2,         // a name or a text the calculator cannot take
  CONVERSION_FATAL = -1,
};

// ---- Variable file layout --------------------------------------------------
// A .89t file with a text area of n bytes is n + 94 bytes long. Integers are
// little-endian, except the variable length, which is big-endian.

const char signature[] = "**TI89**";  // offset 0, 8 bytes, no terminator
const int signature_length = 8;
const unsigned char fixed_bytes[2] = {0x01, 0x00};  // offset 8
const int folder_name_offset = 10;
const int variable_name_offset = 64;
const int name_field_length = 8;  // the folder and the variable name field
const int max_name_length = 8;    // the calculator's limit on both names
const int comment_offset = 18;
const int comment_field_length = 40;
const char comment_text[] = "Text file converted by Plovane";
const unsigned char entry_count[2] = {0x01, 0x00};  // offset 58
const long data_offset_value = 82;                  // stored at offset 60
const unsigned char text_type_byte = 0x0B;          // offset 72
const int file_size_offset = 76;
const unsigned char data_mark[2] = {0xA5, 0x5A};  // offset 80
const int variable_length_offset = 86;
const unsigned char cursor_bytes[2] = {0x00, 0x01};  // offset 88
const int first_text_offset = 90;
const unsigned char text_end_byte = 0x00;
const unsigned char end_byte = 0xE0;
const int end_bytes_and_checksum_length = 4;  // text end, end byte, checksum
const int line_end = 13;
const int marker_ordinary = 0x20;
const int marker_page_break = 0x0C;
const int marker_command = 0x43;  // "C"
const int marker_print = 0x50;    // "P"
// The variable length (n + 4) is 16 bits wide.
const long max_text_area_length = 65531;

// ---- Conversion work area --------------------------------------------------
// Shared by the two conversions, which therefore never run at the same time.
// Nothing that one call leaves here is read by a later call.

const int work_buffer_size = 512;
const int folder_buffer_size = 128;
extern Stream input_file;
extern Stream output_file;
extern char name_buffer[work_buffer_size];
extern char message_buffer[work_buffer_size];
extern char folder_buffer[folder_buffer_size];
// A file passes through these a block at a time, never whole: the input as
// read, the output as converted. A converted block is at most twice as long
// as the block it came from.
const int block_size = 32768;
extern unsigned char input_block[block_size];
extern unsigned char output_block[2 * block_size];

// Formats into |buffer| like snprintf, cutting the text short where it does
// not fit. Returns the length that the whole text would have.
int format_bounded(char* buffer, int size, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// ---- Conversions -----------------------------------------------------------

// Converts the text file |file_name| of the current directory, which stands
// for the calculator folder |folder|, into "../folder.stem.89t". Returns 0
// when converted; 1 when stem.89p lies beside it; 2 when a name or the text
// is too long (after a complaint box); -1 after an error box.
ConversionResult text_to_var(const char* folder, const char* file_name);

// Converts the variable file |path| (a .89t or .89p file) into
// "folder/name.txt", where folder is the one the file records, making the
// folder when nothing of that name exists. Returns 0 when converted; 2 when
// the recorded folder name cannot be used or the name would put the text
// anywhere but in that folder (after a box); -1 after an error box.
ConversionResult var_to_text(const char* path);

// Takes the folder name that a variable file records from the first |count|
// bytes of the file in |header|: up to 8 bytes from offset 10, ended early by
// a NUL or by the end of the bytes. |folder| holds max_name_length + 1 bytes.
void recorded_folder(const unsigned char* header, int count, char* folder);

// How var_to_text names its text file: "folder", |separator|, then the name
// part of |path| (the whole path when it has one dot, else all after the
// first dot) with its last three characters turned into "txt".
enum TextPathResult {
  TEXT_PATH_BUILT = 0,
  TEXT_PATH_NO_EXTENSION,  // |path| has no dot
  TEXT_PATH_TOO_LONG,      // the path does not fit |size| bytes
  TEXT_PATH_NOT_IN_FOLDER  // a folder part in the name part, or one too short
};
int text_path_of(const char* path, const char* folder, char separator, char* text_path, int size);

// Reads the next non-empty line of |stream| into |buffer| (at least limit + 1
// bytes, always terminated). Returns 1 when a line end or |limit| characters
// ended the line, 0 when the stream ended first (the buffer may still hold a
// last line).
int read_line(Stream* stream, char* buffer, int limit);

// Returns 1 when |name| can be used as the name of a folder of the working
// folder: not empty, not "." or "..", and free of / \ : * ? " < > | and of
// bytes below 32. Any other name could reach outside the working folder.
int is_usable_folder_name(const char* name);

#endif  // CONVERT_CONVERT_H
