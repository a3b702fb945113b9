// The Windows side of the platform layer: the C runtime's directory search
// and folder calls, the command interpreter for the folder listing, and
// MessageBoxA for every box.
#include <direct.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

#include "platform.h"

const char path_separator = '\\';

static MessageBoxHook message_box_hook = nullptr;

void set_message_box_hook(MessageBoxHook hook) { message_box_hook = hook; }

void show_message_box(const char* text, const char* caption) {
  fflush(stdout);
  if (message_box_hook) {
    message_box_hook(text, caption);
    return;
  }
  // No owner window and style 0: an OK button only, no icon; modal.
  MessageBoxA(nullptr, text, caption, 0);
}

// Standard output stays in the C runtime's text mode, which turns every "\n"
// into CR LF on its way to the console or to a redirected file.
void console_write(const char* text) {
  fputs(text, stdout);
  fflush(stdout);
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
