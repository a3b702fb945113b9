// The POSIX side of the platform layer.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform.h"

const char path_separator = '/';

static MessageBoxHook message_box_hook = nullptr;

void set_message_box_hook(MessageBoxHook hook) { message_box_hook = hook; }

void show_message_box(const char* text, const char* caption) {
  fflush(stdout);
  if (message_box_hook) {
    message_box_hook(text, caption);
    return;
  }
  fprintf(stderr, "[%s] %s\n", caption, text);
  fflush(stderr);
  if (isatty(STDIN_FILENO)) {
    // Modal: the run goes on when the user has pressed Enter.
    int byte;
    do byte = getchar();
    while (byte != '\n' && byte != EOF);
  }
}

void console_write(const char* text) {
  fputs(text, stdout);
  fflush(stdout);
}

int platform_is_folder(FILE* file) {
  struct stat status;
  return fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode);
}

int path_exists(const char* name) {
  struct stat status;
  return stat(name, &status) == 0;
}

int make_folder(const char* name) { return mkdir(name, 0777) == 0 ? 0 : -1; }

int remove_file(const char* name) { return unlink(name) == 0 ? 0 : -1; }

int change_dir(const char* path) { return chdir(path) == 0 ? 0 : -1; }

// Held as an open descriptor, so the way back works whatever the path.
static int start_dir = -1;

int remember_start_dir() {
  if (start_dir >= 0) close(start_dir);
  start_dir = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return start_dir >= 0 ? 0 : -1;
}

int return_to_start_dir() { return start_dir >= 0 && fchdir(start_dir) == 0 ? 0 : -1; }

// "*" matches any run of characters, "?" any one character; the rest must
// match byte for byte.
static int name_matches(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' || *pattern == *name) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return 0;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

static int find_match(DirSearch* search) {
  DIR* dir = (DIR*)search->handle;
  while (struct dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
    if (!name_matches(search->pattern, name)) continue;
    snprintf(search->name, sizeof search->name, "%s", name);
    return 0;
  }
  return -1;
}

int dir_search_first(DirSearch* search, const char* pattern) {
  snprintf(search->pattern, sizeof search->pattern, "%s", pattern);
  search->handle = opendir(".");
  if (!search->handle) return -1;
  if (find_match(search) == 0) return 0;
  dir_search_close(search);
  return -1;
}

int dir_search_next(DirSearch* search) { return find_match(search); }

void dir_search_close(DirSearch* search) {
  if (search->handle) closedir((DIR*)search->handle);
  search->handle = nullptr;
}

void list_subfolders(const char* list_name) {
  FILE* list = fopen(list_name, "wb");
  if (!list) return;
  DIR* dir = opendir(".");
  if (dir) {
    while (struct dirent* entry = readdir(dir)) {
      const char* name = entry->d_name;
      if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
      struct stat status;
      // stat, not lstat: a link to a folder counts as a folder.
      if (stat(name, &status) != 0 || !S_ISDIR(status.st_mode)) continue;
      // One name a line: a byte that would end the line early (or, for a
      // reader in text mode, the whole list) is written as "?", which no
      // usable folder name holds, so the folder is refused, not mistaken.
      for (const char* at = name; *at; ++at) {
        int byte = (unsigned char)*at;
        fputc(byte == 10 || byte == 13 || byte == 26 ? '?' : byte, list);
      }
      fputc('\n', list);
    }
    closedir(dir);
  }
  fclose(list);
}
