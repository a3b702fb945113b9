// The Windows side of the platform layer: the C runtime's directory search
// and folder calls, the command interpreter for the folder listing,
// MessageBoxA for every box, and the calls of the update program.
#include <direct.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

#include "platform.h"

const char path_separator = '\\';
const char path_separators[] = "/\\";

void show_system_message_box(const char* text, const char* caption) {
  // No owner window and style 0: an OK button only, no icon; modal.
  MessageBoxA(nullptr, text, caption, 0);
}

int platform_is_folder(FILE* file) {
  struct _stat64 status;
  return _fstat64(_fileno(file), &status) == 0 && (status.st_mode & _S_IFDIR) != 0;
}

int path_exists(const char* name) {
  // The attribute call takes no wildcards, but a name that holds one must not
  // reach any call that might read it as a pattern.
  if (strpbrk(name, "*?")) return 0;
  return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

int make_folder(const char* name) { return _mkdir(name) == 0 ? 0 : -1; }

// The platform's own delete call rather than "del" through the command
// interpreter: no quoting of the name, no console output, and the outcome is
// known.
int remove_file(const char* name) { return _unlink(name) == 0 ? 0 : -1; }

int change_dir(const char* path) { return _chdir(path) == 0 ? 0 : -1; }

// Windows has no way back by an open handle, so the path is kept, in UTF-16:
// the narrow code page cannot spell every folder name, and a path with a
// letter lost would lead nowhere, or elsewhere.
static wchar_t start_dir[32768];
static int start_dir_known = 0;

int remember_start_dir() {
  start_dir_known = _wgetcwd(start_dir, sizeof start_dir / sizeof start_dir[0]) != nullptr;
  return start_dir_known ? 0 : -1;
}

int return_to_start_dir() { return start_dir_known && _wchdir(start_dir) == 0 ? 0 : -1; }

// Windows resolves ".." in a path by its text, so the parent of a folder
// entered by a bare name is the starting directory, junction or not. A name
// that is more than a bare name is no sub-folder.
int enter_subfolder(const char* name) {
  if (strpbrk(name, "/\\:") || _chdir(name) != 0) return -1;
  return 0;
}

// The handle of _findfirst is kept in search->handle; -1 (what _findfirst
// gives when nothing matches) and a null handle (a record never used) are no
// search.
static const intptr_t no_search = -1;

static intptr_t handle_of(const DirSearch* search) {
  return search->handle ? (intptr_t)search->handle : no_search;
}

// Takes the entry in |found| when it is not "." or "..". Returns 0 when
// taken.
static int take_entry(DirSearch* search, const struct _finddata_t* found) {
  if (strcmp(found->name, ".") == 0 || strcmp(found->name, "..") == 0) return -1;
  snprintf(search->name, sizeof search->name, "%s", found->name);
  return 0;
}

int dir_search_next(DirSearch* search) {
  if (handle_of(search) == no_search) return -1;
  struct _finddata_t found;
  while (_findnext(handle_of(search), &found) == 0) {
    if (take_entry(search, &found) == 0) return 0;
  }
  return -1;
}

int dir_search_first(DirSearch* search, const char* pattern) {
  snprintf(search->pattern, sizeof search->pattern, "%s", pattern);
  struct _finddata_t found;
  search->handle = (void*)_findfirst(search->pattern, &found);
  if (handle_of(search) == no_search) return -1;
  if (take_entry(search, &found) == 0 || dir_search_next(search) == 0) return 0;
  dir_search_close(search);
  return -1;
}

void dir_search_close(DirSearch* search) {
  if (handle_of(search) != no_search) _findclose(handle_of(search));
  search->handle = (void*)no_search;
}

// The command interpreter writes the list; the name goes in quoted, so that
// it names one file whatever it holds. Its complaint about a folder without
// sub-folders ("File Not Found") is dropped: the empty list says as much.
void list_subfolders(const char* list_name) {
  char command[300];
  int length = snprintf(command, sizeof command, "dir /ad /b > \"%s\" 2> nul", list_name);
  if (length < 0 || length >= (int)sizeof command) return;
  system(command);
}

// ---- Update program: files, programs and time ------------------------------

// FILETIME counts 100-nanosecond steps from 1601; FileStatus counts
// nanoseconds from 1970.
static const long long filetime_of_1970 = 116444736000000000LL;

static long long nanoseconds_since_1970(FILETIME time) {
  ULARGE_INTEGER steps;
  steps.LowPart = time.dwLowDateTime;
  steps.HighPart = time.dwHighDateTime;
  return ((long long)steps.QuadPart - filetime_of_1970) * 100;
}

int file_status(const char* path, FileStatus* status) {
  WIN32_FILE_ATTRIBUTE_DATA found;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &found)) return -1;
  status->is_folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
  status->size =
      status->is_folder ? 0 : ((long long)found.nFileSizeHigh << 32) | found.nFileSizeLow;
  status->modified = nanoseconds_since_1970(found.ftLastWriteTime);
  return 0;
}

long long current_time() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return nanoseconds_since_1970(now);
}

int write_whole_file(const char* path, const char* data, long length) {
  HANDLE file =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  long written = 0;
  while (written < length) {
    DWORD done = 0;
    if (!WriteFile(file, data + written, (DWORD)(length - written), &done, nullptr) || done == 0)
      break;
    written += (long)done;
  }
  BOOL flushed = FlushFileBuffers(file);
  BOOL closed = CloseHandle(file);
  return written == length && flushed && closed ? 0 : -1;
}

int rename_file(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : -1;
}

const char program_suffix[] = ".exe";

int running_program_folder(char* folder, int size) {
  DWORD length = GetModuleFileNameA(nullptr, folder, (DWORD)size);
  if (length == 0 || length >= (DWORD)size) return -1;
  char* last_separator = strrchr(folder, '\\');
  char* last_slash = strrchr(folder, '/');
  if (last_slash > last_separator) last_separator = last_slash;
  if (!last_separator) return -1;
  // "C:\" keeps its separator.
  last_separator[last_separator > folder && last_separator[-1] == ':' ? 1 : 0] = '\0';
  return 0;
}

int is_program(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int find_on_path(const char* file_name, char* path, int size) {
  static char folders[32768];
  DWORD length = GetEnvironmentVariableA("PATH", folders, sizeof folders);
  if (length == 0 || length >= sizeof folders) return -1;
  char* entry = folders;
  while (*entry) {
    char* end = strchr(entry, ';');
    if (end) *end = '\0';
    // A folder in PATH may be quoted because it holds a ';'; the quotes are
    // not part of its name.
    int entry_length = (int)strlen(entry);
    if (entry_length >= 2 && entry[0] == '"' && entry[entry_length - 1] == '"') {
      entry[entry_length - 1] = '\0';
      ++entry;
    }
    if (*entry) {
      int needed = snprintf(path, (size_t)size, "%s\\%s", entry, file_name);
      if (needed > 0 && needed < size && is_program(path)) return 0;
    }
    if (!end) break;
    entry = end + 1;
  }
  return -1;
}

int run_and_wait(const char* path) {
  // The command line is the quoted program path alone; CreateProcess takes
  // the program from |path| itself, so no search is made.
  static char command_line[MAX_PATH + 3];
  if (snprintf(command_line, sizeof command_line, "\"%s\"", path) >= (int)sizeof command_line)
    return -1;
  fflush(stdout);
  fflush(stderr);
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(path, command_line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process))
    return -1;
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  BOOL known = GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  // A status above 255 is an exception code: the program was ended by force.
  return known && status <= 255 ? (int)status : -1;
}
