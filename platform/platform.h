// The one interface between the suite and the operating system. Everything
// above this header (the conversion library and the three drivers) reaches
// files, folders, the console and the user only through these calls, so the
// same code runs on POSIX and on Windows. Each call states its contract in
// one comment: what it returns on success, on a missing file, on error.
#ifndef PLATFORM_PLATFORM_H
#define PLATFORM_PLATFORM_H

#include <stdio.h>

#ifdef _WIN32
#define platform_getc _getc_nolock
#define platform_putc _putc_nolock
#else
#define platform_getc getc_unlocked
#define platform_putc putc_unlocked
#endif

// ---- Message boxes ---------------------------------------------------------

// Shows a modal box with no owner window and an OK button only, and returns
// when the user has closed it. On POSIX it writes "[caption] text" as one
// line to standard error and, when standard input is a terminal, waits for
// Enter. The standard output is flushed first, so the two keep their order.
void show_message_box(const char* text, const char* caption);

// Replaces the box by |hook| (tests capture the boxes this way); a null hook
// restores the real box.
typedef void (*MessageBoxHook)(const char* text, const char* caption);
void set_message_box_hook(MessageBoxHook hook);

// ---- Console ---------------------------------------------------------------

// Writes |text| to standard output and flushes it. "\n" reaches the console
// as the platform's line end (LF on POSIX, CR LF on Windows).
void console_write(const char* text);

// ---- Streams ---------------------------------------------------------------

// A byte stream over binary stdio. Text mode ("rt", "wt") is ours, with the
// same rules on every platform: reading drops every byte 13 and reports the
// end of the file from the first byte 26 on; writing turns every byte 10
// into 13 10. Binary mode ("rb", "wb") moves every byte unchanged.
struct Stream {
  FILE* file;
  int text_mode;
  int ended;  // a byte 26 was read in text mode: every later read is EOF
};

// Opens |path| with |mode| ("rt", "wt", "rb" or "wb"). Returns 0 on success;
// -1 when the file is missing, is a folder, or cannot be opened.
int stream_open(Stream* stream, const char* path, const char* mode);

// Closes the stream if it is open; closing twice is harmless.
void stream_close(Stream* stream);

// Returns the next byte as 0..255, or EOF at the end of the data (a read
// error looks like the end).
static inline int stream_get(Stream* stream) {
  if (!stream->text_mode) return platform_getc(stream->file);
  if (stream->ended) return EOF;
  for (;;) {
    int byte = platform_getc(stream->file);
    if (byte == 13) continue;
    if (byte == 26) {
      stream->ended = 1;
      return EOF;
    }
    return byte;
  }
}

// Writes one byte; failures go unnoticed.
static inline void stream_put(Stream* stream, int byte) {
  if (stream->text_mode && byte == 10) platform_putc(13, stream->file);
  platform_putc(byte, stream->file);
}

// Writes a zero-terminated string byte by byte, as stream_put does.
void stream_put_string(Stream* stream, const char* text);

// Moves to |offset| from the start (origin SEEK_SET) or from the end
// (SEEK_END); the end-of-text state of text mode is cleared. Returns 0 on
// success, -1 on error.
int stream_seek(Stream* stream, long offset, int origin);

// Returns the current position in bytes, or -1 on error.
long stream_tell(Stream* stream);

// ---- Files and folders -----------------------------------------------------

// Returns 1 when a file or a folder named |name| exists (one status call, no
// wildcards), 0 otherwise.
int path_exists(const char* name);

// Makes the folder |name| with the system's own call. Returns 0 on success,
// -1 on error (it exists already, no permission, ...).
int make_folder(const char* name);

// Removes the file |name|. Returns 0 on success, -1 when it is missing or
// cannot be removed.
int remove_file(const char* name);

// Changes the current directory. Returns 0 on success, -1 on error.
int change_dir(const char* path);

// Remembers the current directory for return_to_start_dir. Returns 0 on
// success, -1 on error.
int remember_start_dir();

// Changes back to the directory that remember_start_dir saw. Returns 0 on
// success, -1 on error.
int return_to_start_dir();

// The separator of folder and name in the paths that the conversions build.
extern const char path_separator;

// ---- Directory search ------------------------------------------------------

// A search of the current directory for names that match a pattern of
// literal characters, "*" and "?". Names come in the file system's order,
// nothing sorted; folders that match are delivered like files; "." and ".."
// never are. On POSIX the match is case-sensitive.
struct DirSearch {
  void* handle;
  char pattern[64];
  char name[260];  // the bare name of the current match
};

// Starts a search. Returns 0 with the first match in search->name, or -1
// when nothing matches (the search is then not open).
int dir_search_first(DirSearch* search, const char* pattern);

// Returns 0 with the next match in search->name, or -1 when there is none
// (an error of the search looks the same).
int dir_search_next(DirSearch* search);

// Ends a search that dir_search_first opened.
void dir_search_close(DirSearch* search);

// Writes the bare names of every sub-folder of the current directory into
// |list_name| in the current directory, one a line, in the file system's
// order. A byte 10, 13 or 26 of a name is written as "?". Failures are not
// reported; the caller finds out when it opens the list.
void list_subfolders(const char* list_name);

#endif  // PLATFORM_PLATFORM_H
