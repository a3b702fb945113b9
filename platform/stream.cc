// Streams of the platform layer: binary stdio underneath on every platform,
// with the text-mode rules applied by stream_get and stream_put.
#include <string.h>

#include "platform.h"

// Defined in each platform's own file: 1 when |file| is a folder.
int platform_is_folder(FILE* file);

int stream_open(Stream* stream, const char* path, const char* mode) {
  stream->file = nullptr;
  stream->text_mode = 0;
  stream->ended = 0;
  int reading = mode[0] == 'r';
  FILE* file = fopen(path, reading ? "rb" : "wb");
  if (!file) return -1;
  if (reading && platform_is_folder(file)) {
    fclose(file);
    return -1;
  }
  stream->file = file;
  stream->text_mode = strchr(mode, 't') != nullptr;
  return 0;
}

void stream_close(Stream* stream) {
  if (stream->file) fclose(stream->file);
  stream->file = nullptr;
  stream->ended = 0;
}

void stream_put_string(Stream* stream, const char* text) {
  for (; *text; ++text) stream_put(stream, (unsigned char)*text);
}

int stream_read(Stream* stream, unsigned char* buffer, int size) {
  if (!stream->text_mode) return (int)fread(buffer, 1, (size_t)size, stream->file);
  int stored = 0;
  while (stored < size && !stream->ended) {
    int wanted = size - stored;
    int count = (int)fread(buffer + stored, 1, (size_t)wanted, stream->file);
    unsigned char* end = buffer + stored + count;
    if (unsigned char* stop = (unsigned char*)memchr(buffer + stored, 26, (size_t)count)) {
      end = stop;
      stream->ended = 1;
    }
    // Drops the bytes 13 in place, moving each run between two of them down.
    unsigned char* kept =
        (unsigned char*)memchr(buffer + stored, 13, (size_t)(end - buffer - stored));
    if (!kept) kept = end;
    for (unsigned char* at = kept; at < end;) {
      ++at;  // a 13
      unsigned char* next_13 = (unsigned char*)memchr(at, 13, (size_t)(end - at));
      if (!next_13) next_13 = end;
      memmove(kept, at, (size_t)(next_13 - at));
      kept += next_13 - at;
      at = next_13;
    }
    stored = (int)(kept - buffer);
    if (count < wanted) break;  // the end of the file: asking again costs a read
  }
  return stored;
}

// Text-mode output is gathered here with its 13 10 line ends, so that lines
// go out in large writes rather than one call each.
static unsigned char expanded[65536];

void stream_write(Stream* stream, const unsigned char* bytes, int count) {
  if (!stream->text_mode) {
    fwrite(bytes, 1, (size_t)count, stream->file);
    return;
  }
  const unsigned char* end = bytes + count;
  size_t used = 0;
  while (bytes < end) {
    const unsigned char* line_end = (const unsigned char*)memchr(bytes, 10, (size_t)(end - bytes));
    size_t length = (size_t)((line_end ? line_end : end) - bytes);
    if (used + length + 2 > sizeof expanded) {
      fwrite(expanded, 1, used, stream->file);
      used = 0;
    }
    if (length + 2 > sizeof expanded) {
      fwrite(bytes, 1, length, stream->file);
    } else {
      memcpy(expanded + used, bytes, length);
      used += length;
    }
    if (!line_end) break;
    expanded[used++] = 13;
    expanded[used++] = 10;
    bytes = line_end + 1;
  }
  fwrite(expanded, 1, used, stream->file);
}

int stream_seek(Stream* stream, long offset, int origin) {
  stream->ended = 0;
  return fseek(stream->file, offset, origin) == 0 ? 0 : -1;
}

long stream_tell(Stream* stream) { return ftell(stream->file); }
