// The POSIX side of the platform layer.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "platform.h"

const char path_separator = '/';
const char path_separators[] = "/";

void show_system_message_box(const char* text, const char* caption) {
  fprintf(stderr, "[%s] %s\n", caption, text);
  fflush(stderr);
  if (isatty(STDIN_FILENO)) {
    // Modal: the run goes on when the user has pressed Enter.
    int byte;
    do byte = getchar();
    while (byte != '\n' && byte != EOF);
  }
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
// O_PATH needs no read permission on the folder, only the way into it.
#ifndef O_PATH
#define O_PATH O_RDONLY
#endif
static int start_dir = -1;

int remember_start_dir() {
  if (start_dir >= 0) close(start_dir);
  start_dir = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  return start_dir >= 0 ? 0 : -1;
}

int return_to_start_dir() { return start_dir >= 0 && fchdir(start_dir) == 0 ? 0 : -1; }

int enter_subfolder(const char* name) {
  struct stat start, parent;
  if (start_dir < 0 || fstat(start_dir, &start) != 0 || chdir(name) != 0) return -1;
  // Through a link, ".." is the parent of the link's target: the variable
  // files, written to "..", would land there.
  if (stat("..", &parent) == 0 && parent.st_dev == start.st_dev && parent.st_ino == start.st_ino)
    return 0;
  return_to_start_dir();
  return -1;
}

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

// ---- Update program: files, programs and time ------------------------------

int file_status(const char* path, FileStatus* status) {
  struct stat found;
  if (stat(path, &found) != 0) return -1;
  status->is_folder = S_ISDIR(found.st_mode) ? 1 : 0;
  status->size = status->is_folder ? 0 : (long long)found.st_size;
  status->modified = (long long)found.st_mtim.tv_sec * 1000000000LL + found.st_mtim.tv_nsec;
  return 0;
}

long long current_time() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

int write_whole_file(const char* path, const char* data, long length) {
  int file = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (file < 0) return -1;
  long written = 0;
  while (written < length) {
    ssize_t done = write(file, data + written, (size_t)(length - written));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) break;
    written += done;
  }
  int synced = fsync(file) == 0;
  int closed = close(file) == 0;
  return written == length && synced && closed ? 0 : -1;
}

int rename_file(const char* from, const char* to) { return rename(from, to) == 0 ? 0 : -1; }

const char program_suffix[] = "";

int running_program_folder(char* folder, int size) {
  ssize_t length = readlink("/proc/self/exe", folder, (size_t)size);
  if (length <= 0 || length >= size) return -1;
  folder[length] = '\0';
  char* last_slash = strrchr(folder, '/');
  if (!last_slash) return -1;
  // The root folder keeps its one slash.
  last_slash[last_slash == folder ? 1 : 0] = '\0';
  return 0;
}

int is_program(const char* path) {
  struct stat found;
  return stat(path, &found) == 0 && S_ISREG(found.st_mode) && access(path, X_OK) == 0;
}

int find_on_path(const char* file_name, char* path, int size) {
  const char* folders = getenv("PATH");
  if (!folders) return -1;
  while (*folders) {
    const char* end = strchr(folders, ':');
    int length = end ? (int)(end - folders) : (int)strlen(folders);
    if (length > 0) {
      int needed = snprintf(path, (size_t)size, "%.*s/%s", length, folders, file_name);
      if (needed > 0 && needed < size && is_program(path)) return 0;
    }
    if (!end) break;
    folders = end + 1;
  }
  return -1;
}

extern char** environ;

int run_and_wait(const char* path) {
  char* arguments[] = {const_cast<char*>(path), nullptr};
  fflush(stdout);
  fflush(stderr);
  pid_t child;
  if (posix_spawn(&child, path, nullptr, nullptr, arguments, environ) != 0) return -1;
  int status;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
