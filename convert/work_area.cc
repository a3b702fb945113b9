// The conversion work area: static, zero at program start, alive for the
// whole run.
#include <stdarg.h>

#include "convert.h"

Stream input_file;
Stream output_file;
char name_buffer[work_buffer_size];
char message_buffer[work_buffer_size];
char folder_buffer[folder_buffer_size];
unsigned char input_block[block_size];
unsigned char output_block[2 * block_size];

int format_bounded(char* buffer, int size, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  int length = vsnprintf(buffer, size, format, arguments);
  va_end(arguments);
  return length;
}
