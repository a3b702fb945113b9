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

int stream_seek(Stream* stream, long offset, int origin) {
  stream->ended = 0;
  return fseek(stream->file, offset, origin) == 0 ? 0 : -1;
}

long stream_tell(Stream* stream) { return ftell(stream->file); }
