// The Windows side of the platform layer: the calls of the update program.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "platform.h"

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

void console_write_error(const char* text) {
  fflush(stdout);
  fputs(text, stderr);
  fflush(stderr);
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
