// The line reader of the list files.
#include "convert.h"

static int is_line_end(int byte) { return byte == 10 || byte == 13; }

int read_line(Stream* stream, char* buffer, int limit) {
  int byte = stream_get(stream);
  while (is_line_end(byte)) byte = stream_get(stream);
  if (limit < 0) limit = 0;
  int count = 0;
  for (;;) {
    // With a limit of 0 the end of the stream must still end the reading.
    if (byte == EOF && count == 0) break;
    // A line cut at |limit| loses the byte in hand: it has been read.
    if (is_line_end(byte) || count == limit) {
      buffer[count] = '\0';
      return 1;
    }
    if (byte == EOF) break;
    buffer[count++] = (char)byte;
    byte = stream_get(stream);
  }
  buffer[count] = '\0';
  return 0;
}
