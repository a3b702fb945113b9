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

// The system's own box, which show_message_box shows when no hook is set.
void show_system_message_box(const char* text, const char* caption);

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

// Reads up to |size| bytes into |buffer| by the rules of stream_get, a block
// at a time, for the conversions' long runs of bytes. Returns the number of
// bytes stored: fewer than |size| only at the end of the data, 0 there.
int stream_read(Stream* stream, unsigned char* buffer, int size);

// Writes |count| bytes as stream_put would write them one by one.
void stream_write(Stream* stream, const unsigned char* bytes, int count);

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
// Every character that separates folders in a path on this platform.
extern const char path_separators[];

// Changes into the sub-folder |name| of the directory that remember_start_dir
// saw, the current one. Returns 0 once inside, when the folder's parent is
// that directory; -1 otherwise (missing, not enterable, or a link that leads
// elsewhere), and the current directory is then the starting one.
int enter_subfolder(const char* name);

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

// ---- Update program: files, programs and time ------------------------------

// Writes |text| to standard error and flushes it; the standard output is
// flushed first, so the two keep their order.
void console_write_error(const char* text);

// What file_status finds out about one file or folder.
struct FileStatus {
  long long size;      // bytes; 0 for a folder
  long long modified;  // modification time, nanoseconds since 1970 (file systems may round it)
  int is_folder;
};

// Fills |status| for |path| (links followed). Returns 0, or -1 when nothing of
// that name exists or it cannot be looked at.
int file_status(const char* path, FileStatus* status);

// The current time on the clock of FileStatus::modified.
long long current_time();

// Creates or replaces |path| with the |length| bytes of |data| and has them
// reach the disk before it returns. Returns 0, or -1 on any failure (the file
// may then hold part of the data).
int write_whole_file(const char* path, const char* data, long length);

// Renames the file |from| to |to| in one step, replacing a file |to|, so that
// |to| is either the old or the new file whatever interrupts. Returns 0, or -1
// on error (nothing is renamed then).
int rename_file(const char* from, const char* to);

// The ending that a program's file name has on this platform ("" or ".exe").
extern const char program_suffix[];

// Puts the folder that holds the running program's file into |folder| (|size|
// bytes with the terminator), without a separator at its end. Returns 0, or
// -1 when it cannot be told or does not fit.
int running_program_folder(char* folder, int size);

// Returns 1 when |path| is a file that this platform can run as a program, 0
// otherwise.
int is_program(const char* path);

// Looks for the program file |file_name| in each folder of the PATH
// environment variable in turn (empty entries are passed over, so the current
// folder is never searched by accident) and puts the first one found into
// |path|. Returns 0, or -1 when none is found or the path does not fit.
int find_on_path(const char* file_name, char* path, int size);

// Starts the program |path| without arguments in the current directory, with
// the standard streams of this program, and waits until it ends. Returns its
// exit status (0 to 255), or -1 when it could not be started or was killed.
int run_and_wait(const char* path);

#endif  // PLATFORM_PLATFORM_H
