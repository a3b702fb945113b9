// kestrin-update: compares the files of the working folder with the state
// that its last run recorded, hands what changed to kestrin through the
// change list, and records the new state.
//
// Both sides of a pair are named by the text file that they share (the pair
// key): a text is its own key, a variable file's key is the text that kestrin
// writes from it. No file is ever overwritten unless its present content is
// the one recorded as in step.
#include "update.h"

#include <limits.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include "convert.h"

#ifndef UPDATE_VERSION
#define UPDATE_VERSION "unknown"
#endif

static const char record_name[] = "kestrin-update.rec";
static const char record_temporary_name[] = "kestrin-update.rec.new";
static const char record_header[] = "kestrin-update record 1";
static const char record_end[] = "end ";
static const char change_list[] = "files.lst";
static const char kestrin_name[] = "kestrin";

// Kestrin reads at most this many characters of a change-list line.
static const int longest_list_line = 128;
static const int most_files = 4096;
static const int most_folders = 1024;
static const int path_size = 160;
static const int search_name_size = 260;
static const int record_buffer_size = 1 << 21;
// File systems of removable drives keep modification times to two seconds.
// A file recorded within that much of its last change may change again
// without its time moving, so its content is compared on the next run.
static const long long time_grain = 3000000000LL;
static const long long time_unknown = -1;

static const char usage_text[] =
    "Usage: kestrin-update [--dry-run]\n"
    "Run in the working folder, where the variable files lie beside the sub-folders of texts.\n"
    "Finds the texts (*.txt in every sub-folder) and the variable files (*.89t, *.89p) that\n"
    "changed since the last run, lists them in files.lst and runs kestrin on them, then records\n"
    "the new state in kestrin-update.rec.\n"
    "\n"
    "  --dry-run  print the change list; convert nothing and record nothing\n"
    "  --help     print this help\n"
    "  --version  print the version\n"
    "\n"
    "Exit status: 0 everything is in step; 1 something stays out of step (a conflict, a name\n"
    "the calculator cannot take, a file that kestrin did not convert); 2 an error (no kestrin,\n"
    "a record that cannot be read or written, a wrong option).\n";

struct FileState {
  char path[path_size];  // "folder/name.txt", or the variable file's name
  long long size;
  long long modified;  // time_unknown: compare the content next time
  unsigned long long hash;
};

// What a run does with a file that it found.
enum Verdict {
  unchanged,
  to_convert,   // listed for kestrin
  in_conflict,  // changed together with its pair: both left as they are
  adopted,      // first run: taken as in step with its pair
  refused,      // cannot go through kestrin: said why
};

struct FoundFile {
  FileState state;  // size and time from the scan; the hash once read
  int hash_read;
  int is_text;
  int changed;
  int recorded;  // index in recorded[], or -1
  Verdict verdict;
  char pair_key[path_size];
  char target[path_size];  // the file that kestrin writes from this one
  // The target's state before kestrin runs, and once it has converted this
  // file, after.
  int target_existed;
  FileState target_state;
  int converted;
};

struct LeftOut {
  char path[path_size];
  const char* reason;
};

// A record names the files found and the files that kestrin wrote.
static const int most_recorded = 2 * most_files;
static FileState recorded[most_recorded];
static int recorded_count;
static FoundFile found[most_files];
static int found_count;
// Room for every refusal of the search and one for every file found.
static LeftOut left_out[2 * most_files];
static int left_out_count;
static FileState next_record[most_recorded];
static int next_record_count;
static char folder_names[most_folders][search_name_size];
static int folder_count;
static int pending[most_files];
static char record_text[record_buffer_size];
static char list_text[most_files * (longest_list_line + 2)];
static char message[2048];
static long long run_started;

static void say(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;

static void say(const char* format, ...) {
  int length = format_bounded(message, sizeof message, "kestrin-update: ");
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(message + length, sizeof message - length, format, arguments);
  va_end(arguments);
  console_write_error(message);
}

static int compare_paths(const void* a, const void* b) {
  return strcmp(((const FileState*)a)->path, ((const FileState*)b)->path);
}

static int compare_found(const void* a, const void* b) {
  return strcmp(((const FoundFile*)a)->state.path, ((const FoundFile*)b)->state.path);
}

static int compare_left_out(const void* a, const void* b) {
  return strcmp(((const LeftOut*)a)->path, ((const LeftOut*)b)->path);
}

// Pending files by pair key, then by path.
static int compare_pending(const void* a, const void* b) {
  const FoundFile* first = &found[*(const int*)a];
  const FoundFile* second = &found[*(const int*)b];
  int by_key = strcmp(first->pair_key, second->pair_key);
  return by_key != 0 ? by_key : strcmp(first->state.path, second->state.path);
}

// The index of |path| in the sorted |states|, or -1.
static int find_state(const FileState* states, int count, const char* path) {
  int low = 0;
  int high = count - 1;
  while (low <= high) {
    int middle = (low + high) / 2;
    int order = strcmp(states[middle].path, path);
    if (order == 0) return middle;
    if (order < 0)
      low = middle + 1;
    else
      high = middle - 1;
  }
  return -1;
}

// The found file of |path|, or null. found[] is sorted by then.
static FoundFile* find_found(const char* path) {
  int low = 0;
  int high = found_count - 1;
  while (low <= high) {
    int middle = (low + high) / 2;
    int order = strcmp(found[middle].state.path, path);
    if (order == 0) return &found[middle];
    if (order < 0)
      low = middle + 1;
    else
      high = middle - 1;
  }
  return nullptr;
}

// FNV-1a over the whole file. Returns 0, or -1 when it cannot be read.
static int read_hash(const char* path, unsigned long long* hash) {
  Stream file;
  if (stream_open(&file, path, "rb") != 0) return -1;
  unsigned long long value = 14695981039346656037ULL;
  for (int byte; (byte = stream_get(&file)) != EOF;) {
    value ^= (unsigned long long)byte;
    value *= 1099511628211ULL;
  }
  stream_close(&file);
  *hash = value;
  return 0;
}

// ---- The record ------------------------------------------------------------
// "kestrin-update record 1", then one line per file in step, sorted by path:
// size, modification time (or "-"), content hash in 16 hex digits, path;
// then "end" and the number of files, so that a record cut short is seen.

enum RecordResult { record_missing, record_read, record_unusable };

static RecordResult damaged(int line, const char* what) {
  say("the record %s is damaged at line %d (%s); nothing was changed. Move it away to start "
      "again as on a first run.\n",
      record_name, line, what);
  return record_unusable;
}

// Reads decimal digits at |at| into |value|. Returns the position after them,
// or null when there are none or their number does not fit.
static const char* parse_decimal(const char* at, const char* end, long long* value) {
  long long result = 0;
  const char* start = at;
  for (; at < end && *at >= '0' && *at <= '9'; ++at) {
    int digit = *at - '0';
    if (result > (LLONG_MAX - digit) / 10) return nullptr;
    result = result * 10 + digit;
  }
  if (at == start) return nullptr;
  *value = result;
  return at;
}

static const char* parse_hash(const char* at, const char* end, unsigned long long* value) {
  unsigned long long result = 0;
  for (int digit = 0; digit < 16; ++digit, ++at) {
    if (at == end) return nullptr;
    const char* digits = "0123456789abcdef";
    const char* found_digit = *at ? strchr(digits, *at) : nullptr;
    if (!found_digit) return nullptr;
    result = result * 16 + (unsigned long long)(found_digit - digits);
  }
  *value = result;
  return at;
}

// Parses one entry line of |length| bytes. Returns null, or what is wrong.
static const char* parse_entry(const char* line, int length, FileState* state) {
  const char* end = line + length;
  const char* at = parse_decimal(line, end, &state->size);
  if (!at || at == end || *at++ != ' ') return "a size is not a number";
  if (at < end && *at == '-') {
    state->modified = time_unknown;
    ++at;
  } else {
    at = parse_decimal(at, end, &state->modified);
  }
  if (!at || at == end || *at++ != ' ') return "a time is not a number";
  at = parse_hash(at, end, &state->hash);
  if (!at || at == end || *at++ != ' ') return "a content hash is not 16 hex digits";
  int path_length = (int)(end - at);
  if (path_length == 0 || path_length >= path_size) return "a path is empty or too long";
  for (const char* byte = at; byte < end; ++byte) {
    if ((unsigned char)*byte < 32) return "a path holds a control character";
  }
  memcpy(state->path, at, path_length);
  state->path[path_length] = '\0';
  return nullptr;
}

static RecordResult parse_record(long length) {
  if (length == 0) return damaged(1, "it is empty");
  const char* at = record_text;
  const char* end = record_text + length;
  int line_number = 0;
  int ended = 0;
  while (at < end) {
    const char* line_end = (const char*)memchr(at, '\n', end - at);
    ++line_number;
    if (!line_end) return damaged(line_number, "its last line is cut short");
    int line_length = (int)(line_end - at);
    if (ended) return damaged(line_number, "a line follows its end");
    if (line_number == 1) {
      if (line_length != (int)strlen(record_header) || memcmp(at, record_header, line_length) != 0)
        return damaged(line_number, "it does not begin as a record of this program");
    } else if (line_length > 4 && memcmp(at, record_end, 4) == 0) {
      long long count;
      if (parse_decimal(at + 4, line_end, &count) != line_end || count != recorded_count)
        return damaged(line_number, "its count of files does not match");
      ended = 1;
    } else {
      if (recorded_count == most_recorded) return damaged(line_number, "it holds too many files");
      FileState* state = &recorded[recorded_count];
      const char* wrong = parse_entry(at, line_length, state);
      if (wrong) return damaged(line_number, wrong);
      if (recorded_count > 0 && strcmp(recorded[recorded_count - 1].path, state->path) >= 0)
        return damaged(line_number, "its paths are out of order");
      ++recorded_count;
    }
    at = line_end + 1;
  }
  if (!ended) return damaged(line_number, "its end is missing");
  return record_read;
}

static RecordResult read_record() {
  recorded_count = 0;
  FileStatus status;
  if (file_status(record_name, &status) != 0) return record_missing;
  Stream file;
  if (status.is_folder || stream_open(&file, record_name, "rb") != 0) {
    say("cannot read the record %s; nothing was changed.\n", record_name);
    return record_unusable;
  }
  long length = 0;
  for (int byte; (byte = stream_get(&file)) != EOF;) {
    if (length == record_buffer_size) {
      stream_close(&file);
      return damaged(1, "it is larger than any record");
    }
    record_text[length++] = (char)byte;
  }
  stream_close(&file);
  return parse_record(length);
}

// Puts |state| into |entry|, with a time too recent to be trusted left
// unknown.
static void record_state(FileState* entry, const FileState* state) {
  *entry = *state;
  if (entry->modified > run_started - time_grain) entry->modified = time_unknown;
}

// Writes next_record whole under a temporary name and renames it into place.
// Returns 0, or -1 after saying why.
static int write_record() {
  qsort(next_record, next_record_count, sizeof next_record[0], compare_paths);
  long length = format_bounded(record_text, record_buffer_size, "%s\n", record_header);
  for (int at = 0; at < next_record_count && length < record_buffer_size; ++at) {
    const FileState* state = &next_record[at];
    if (state->modified == time_unknown) {
      length += format_bounded(record_text + length, record_buffer_size - length,
                               "%lld - %016llx %s\n", state->size, state->hash, state->path);
    } else {
      length += format_bounded(record_text + length, record_buffer_size - length,
                               "%lld %lld %016llx %s\n", state->size, state->modified, state->hash,
                               state->path);
    }
  }
  if (length < record_buffer_size) {
    length += format_bounded(record_text + length, record_buffer_size - length, "%s%d\n",
                             record_end, next_record_count);
  }
  if (length >= record_buffer_size) {
    say("cannot write the record %s: it would be too large.\n", record_name);
    return -1;
  }
  if (write_whole_file(record_temporary_name, record_text, length) != 0 ||
      rename_file(record_temporary_name, record_name) != 0) {
    remove_file(record_temporary_name);
    say("cannot write the record %s (through %s).\n", record_name, record_temporary_name);
    return -1;
  }
  return 0;
}

// ---- Finding the files -----------------------------------------------------

// A name that a change-list line carries unchanged and that kestrin reads as
// a name of one file in its folder.
static int is_listable_name(const char* name) {
  for (const unsigned char* at = (const unsigned char*)name; *at; ++at) {
    if (*at < 32 || *at == '/' || *at == '\\') return 0;
  }
  return 1;
}

// Notes a file that cannot go through kestrin. Returns -1 when the search has
// found too many of them.
static int leave_out(const char* path, const char* reason) {
  if (left_out_count == 2 * most_files) return -1;
  LeftOut* entry = &left_out[left_out_count++];
  format_bounded(entry->path, sizeof entry->path, "%s", path);
  entry->reason = reason;
  return 0;
}

// Adds |path| (|name| from the current directory), unless it is a folder or
// gone. Returns -1 when there are too many files.
static int add_found(const char* path, const char* name, int is_text) {
  FileStatus status;
  if (file_status(name, &status) != 0 || status.is_folder) return 0;
  if (found_count == most_files) return -1;
  FoundFile* file = &found[found_count++];
  memset(file, 0, sizeof *file);
  format_bounded(file->state.path, path_size, "%s", path);
  file->state.size = status.size;
  file->state.modified = status.modified;
  file->is_text = is_text;
  file->recorded = -1;
  file->verdict = unchanged;
  return 0;
}

static int find_variable_files() {
  static DirSearch search;
  const char* patterns[] = {"*.89t", "*.89p"};
  for (const char* pattern : patterns) {
    if (dir_search_first(&search, pattern) != 0) continue;
    int result = 0;
    do {
      const char* name = search.name;
      FileStatus status;
      if (file_status(name, &status) != 0 || status.is_folder) continue;
      if (!is_listable_name(name)) {
        result = leave_out(name, "its name holds a character that the change list cannot carry");
      } else if ((int)strlen(name) + 1 > longest_list_line) {
        result = leave_out(name, "its name is too long for the change list");
      } else {
        result = add_found(name, name, 0);
      }
    } while (result == 0 && dir_search_next(&search) == 0);
    dir_search_close(&search);
    if (result != 0) return -1;
  }
  return 0;
}

// Why the text |name| of |folder| cannot be converted, or null.
static const char* text_refusal(const char* folder, const char* name) {
  int stem_length = (int)(strrchr(name, '.') - name);
  if (!is_usable_folder_name(folder)) return "its folder's name cannot name a calculator folder";
  if ((int)strlen(folder) > max_name_length)
    return "calculator folder names have at most 8 characters";
  if (!is_listable_name(name))
    return "its name holds a character that the change list cannot carry";
  if (stem_length > max_name_length) return "calculator variable names have at most 8 characters";
  return nullptr;
}

// The texts of |folder|, the current directory.
static int find_texts_of_folder(const char* folder) {
  static DirSearch search;
  static char path[2 * search_name_size];
  static char program_name[search_name_size + 4];
  if (dir_search_first(&search, "*.txt") != 0) return 0;
  int result = 0;
  do {
    const char* name = search.name;
    FileStatus status;
    if (file_status(name, &status) != 0 || status.is_folder) continue;
    format_bounded(path, sizeof path, "%s/%s", folder, name);
    const char* reason = text_refusal(folder, name);
    if (reason) {
      result = leave_out(path, reason);
      continue;
    }
    // A program of the same name beside a text takes its place: the
    // conversion passes over such a text without a word, and so do we.
    int stem_length = (int)(strrchr(name, '.') - name);
    format_bounded(program_name, sizeof program_name, "%.*s.89p", stem_length, name);
    if (file_status(program_name, &status) == 0 && !status.is_folder) continue;
    result = add_found(path, name, 1);
  } while (result == 0 && dir_search_next(&search) == 0);
  dir_search_close(&search);
  return result;
}

static int find_texts() {
  static DirSearch search;
  folder_count = 0;
  if (dir_search_first(&search, "*") == 0) {
    do {
      FileStatus status;
      if (file_status(search.name, &status) != 0 || !status.is_folder) continue;
      if (folder_count == most_folders) {
        dir_search_close(&search);
        return -1;
      }
      format_bounded(folder_names[folder_count++], search_name_size, "%s", search.name);
    } while (dir_search_next(&search) == 0);
    dir_search_close(&search);
  }
  for (int at = 0; at < folder_count; ++at) {
    const char* folder = folder_names[at];
    if (change_dir(folder) != 0) {
      if (leave_out(folder, "the folder cannot be entered") != 0) return -1;
      continue;
    }
    int result = find_texts_of_folder(folder);
    if (return_to_start_dir() != 0) {
      say("cannot return to the working folder.\n");
      return -2;
    }
    if (result != 0) return -1;
  }
  return 0;
}

// ---- What changed ----------------------------------------------------------

static int ensure_hash(FoundFile* file) {
  if (file->hash_read) return 0;
  if (read_hash(file->state.path, &file->state.hash) != 0) return -1;
  file->hash_read = 1;
  return 0;
}

// Compares every found file with the record. Size and time that both match
// the record are trusted; otherwise an equal size has its content compared.
static void compare_with_record() {
  for (int at = 0; at < found_count; ++at) {
    FoundFile* file = &found[at];
    file->recorded = find_state(recorded, recorded_count, file->state.path);
    if (file->recorded < 0) {
      file->changed = 1;
      continue;
    }
    const FileState* before = &recorded[file->recorded];
    if (file->state.size != before->size) {
      file->changed = 1;
    } else if (before->modified != time_unknown && file->state.modified == before->modified) {
      file->state.hash = before->hash;
      file->hash_read = 1;
    } else if (ensure_hash(file) != 0) {
      file->changed = 1;
    } else {
      file->changed = file->state.hash != before->hash;
    }
  }
}

// Reads the calculator folder that a variable file records.
static int read_recorded_folder(const char* path, char* folder) {
  Stream file;
  if (stream_open(&file, path, "rb") != 0) return -1;
  unsigned char header[folder_name_offset + max_name_length];
  int count = stream_read(&file, header, (int)sizeof header);
  stream_close(&file);
  recorded_folder(header, count, folder);
  return 0;
}

// Fills the pair key and the target of a changed file, as kestrin's
// conversions name their output. Returns null, or why it cannot be listed.
static const char* name_pair(FoundFile* file) {
  char* path = file->state.path;
  if (file->is_text) {
    const char* slash = strchr(path, '/');
    const char* last_dot = strrchr(path, '.');
    format_bounded(file->pair_key, path_size, "%s", path);
    format_bounded(file->target, path_size, "%.*s.%.*s.89t", (int)(slash - path), path,
                   (int)(last_dot - slash - 1), slash + 1);
    return nullptr;
  }
  char folder[max_name_length + 1];
  if (read_recorded_folder(path, folder) != 0) return "it cannot be read";
  if (!is_usable_folder_name(folder))
    return "the calculator folder that it records cannot be a folder here";
  // Paths here use "/" whatever the platform, as the change list does.
  switch (text_path_of(path, folder, '/', file->target, path_size)) {
    case TEXT_PATH_BUILT: break;
    case TEXT_PATH_NOT_IN_FOLDER: return "its text file would not lie in its folder";
    default: return "its name is too long for the change list";
  }
  format_bounded(file->pair_key, path_size, "%s", file->target);
  return nullptr;
}

// Returns 0 when something that is not a folder bears the name of the folder
// of |text_path|, where kestrin would have to write the text.
static int target_folder_is_usable(const char* text_path) {
  static char folder[path_size];
  format_bounded(folder, sizeof folder, "%.*s", (int)(strchr(text_path, '/') - text_path),
                 text_path);
  FileStatus status;
  return file_status(folder, &status) != 0 || status.is_folder;
}

// Names |count| files of pending[] from |first| in one line.
static void say_conflict(int first, int count) {
  static char names[1024];
  int length = 0;
  for (int at = 0; at < count; ++at) {
    const char* joint = at == 0 ? "" : at == count - 1 ? " and " : ", ";
    length += format_bounded(names + length, (int)sizeof names - length, "%s%s", joint,
                             found[pending[first + at]].state.path);
    if (length >= (int)sizeof names) break;
  }
  if (count == 2) {
    say("conflict: %s both changed since the last run, so neither is converted; remove the one "
        "you do not keep, then run kestrin-update again.\n",
        names);
  } else {
    say("conflict: %s all changed since the last run, so none is converted; remove those you do "
        "not keep, then run kestrin-update again.\n",
        names);
  }
}

// Decides what becomes of each changed file. Returns the number of conflicts.
static int decide(int first_run, int* adopted_pairs) {
  int pending_count = 0;
  for (int at = 0; at < found_count; ++at) {
    FoundFile* file = &found[at];
    if (!file->changed) continue;
    const char* reason = name_pair(file);
    if (reason) {
      file->verdict = refused;
      leave_out(file->state.path, reason);
      continue;
    }
    file->verdict = to_convert;
    pending[pending_count++] = at;
  }
  qsort(pending, pending_count, sizeof pending[0], compare_pending);

  int conflicts = 0;
  for (int first = 0; first < pending_count;) {
    int count = 1;
    while (first + count < pending_count &&
           strcmp(found[pending[first]].pair_key, found[pending[first + count]].pair_key) == 0)
      ++count;
    if (count > 1) {
      int holds_text = 0;
      for (int at = first; at < first + count; ++at) holds_text |= found[pending[at]].is_text;
      // Two variable files that write one text conflict even on a first run.
      Verdict verdict = first_run && holds_text ? adopted : in_conflict;
      for (int at = first; at < first + count; ++at) found[pending[at]].verdict = verdict;
      if (verdict == adopted) {
        ++*adopted_pairs;
      } else {
        say_conflict(first, count);
        ++conflicts;
      }
    }
    first += count;
  }

  // A file's target must hold what was recorded, or be missing: a changed
  // target is a conflict, an untracked one is left alone.
  for (int at = 0; at < pending_count; ++at) {
    FoundFile* file = &found[pending[at]];
    if (file->verdict != to_convert) continue;
    FoundFile* target = find_found(file->target);
    FileStatus status;
    if (target && target->changed) {
      file->verdict = first_run ? adopted : in_conflict;
      if (target->verdict == to_convert) target->verdict = file->verdict;
      if (first_run) {
        ++*adopted_pairs;
      } else {
        say("conflict: %s and %s both changed since the last run, so neither is converted; "
            "remove the one you do not keep, then run kestrin-update again.\n",
            file->state.path, target->state.path);
        ++conflicts;
      }
    } else if (!target && file_status(file->target, &status) == 0) {
      file->verdict = refused;
      leave_out(file->state.path, "it would overwrite a file that is not kept in step");
    } else if (!file->is_text && !target_folder_is_usable(file->target)) {
      // Kestrin would stop at it and drop the rest of the list.
      file->verdict = refused;
      leave_out(file->state.path, "a file stands where its folder would be");
    }
  }
  return conflicts;
}

// ---- Running kestrin -------------------------------------------------------

// Kestrin beside this program, else on the PATH. Returns 0 with its path.
static int find_kestrin(char* path, int size) {
  static char folder[4096];
  static char file_name[64];
  format_bounded(file_name, sizeof file_name, "%s%s", kestrin_name, program_suffix);
  if (running_program_folder(folder, sizeof folder) == 0) {
    int length = format_bounded(path, size, "%s/%s", folder, file_name);
    if (length < size && is_program(path)) return 0;
  }
  return find_on_path(file_name, path, size);
}

// Reads the whole state of |path| now. Returns 0, or -1 when it is missing.
static int take_state(const char* path, FileState* state) {
  FileStatus status;
  if (file_status(path, &status) != 0 || status.is_folder) return -1;
  format_bounded(state->path, path_size, "%s", path);
  state->size = status.size;
  state->modified = status.modified;
  return read_hash(path, &state->hash);
}

static int is_listed(const FoundFile* file) { return file->verdict == to_convert; }

// Writes the change list: the texts first, then the variable files.
static long build_change_list() {
  long length = 0;
  list_text[0] = '\0';
  for (int pass = 1; pass >= 0; --pass) {
    for (int at = 0; at < found_count; ++at) {
      const FoundFile* file = &found[at];
      if (!is_listed(file) || file->is_text != pass) continue;
      length += format_bounded(list_text + length, (int)sizeof list_text - (int)length, "%c%s\n",
                               pass ? 't' : 's', file->state.path);
    }
  }
  return length;
}

// Notes which listed files kestrin converted: those whose target it wrote.
static int note_conversions() {
  int not_converted = 0;
  for (int at = 0; at < found_count; ++at) {
    FoundFile* file = &found[at];
    if (!is_listed(file)) continue;
    FileState after;
    int written =
        take_state(file->target, &after) == 0 &&
        (!file->target_existed || after.size != file->target_state.size ||
         after.modified != file->target_state.modified || after.hash != file->target_state.hash);
    if (written && ensure_hash(file) == 0) {
      file->converted = 1;
      file->target_state = after;
    } else {
      say("kestrin did not convert %s; it is listed again on the next run.\n", file->state.path);
      ++not_converted;
    }
  }
  return not_converted;
}

// The record after this run: what was in step stays, what was converted or
// adopted is in step now, everything else keeps its old entry.
static void build_next_record() {
  next_record_count = 0;
  for (int at = 0; at < found_count; ++at) {
    FoundFile* file = &found[at];
    int in_step = !file->changed || file->verdict == adopted || file->converted;
    if (in_step && ensure_hash(file) == 0) {
      record_state(&next_record[next_record_count++], &file->state);
    } else if (file->recorded >= 0) {
      next_record[next_record_count++] = recorded[file->recorded];
    }
  }
  int sorted_count = next_record_count;
  qsort(next_record, sorted_count, sizeof next_record[0], compare_paths);
  for (int at = 0; at < found_count; ++at) {
    const FoundFile* file = &found[at];
    if (!file->converted) continue;
    int index = find_state(next_record, sorted_count, file->target);
    record_state(&next_record[index >= 0 ? index : next_record_count++], &file->target_state);
  }
}

// Lists, runs kestrin and records. Returns the number of listed files that
// were not converted, or -1 after an error was said.
static int convert_listed(long list_length) {
  static char kestrin_path[4096];
  if (find_kestrin(kestrin_path, sizeof kestrin_path) != 0) {
    say("cannot find %s%s, neither beside this program nor on the PATH; nothing was "
        "converted.\n",
        kestrin_name, program_suffix);
    return -1;
  }
  // Written before kestrin runs, so that a record that cannot be written
  // stops the run while nothing is converted yet.
  build_next_record();
  if (write_record() != 0) return -1;
  // The sources are read now: a file edited while kestrin runs must not be
  // recorded as the content that kestrin converted.
  for (int at = 0; at < found_count; ++at) {
    FoundFile* file = &found[at];
    if (!is_listed(file)) continue;
    ensure_hash(file);
    file->target_existed = take_state(file->target, &file->target_state) == 0;
  }
  if (write_whole_file(change_list, list_text, list_length) != 0) {
    say("cannot write the change list %s; nothing was converted.\n", change_list);
    return -1;
  }
  int status = run_and_wait(kestrin_path);
  int not_converted = note_conversions();
  build_next_record();
  int recorded_ok = write_record() == 0;
  if (!recorded_ok) {
    say("the files that kestrin converted now are not recorded; the next run takes them for "
        "conflicts.\n");
  }
  if (status < 0) {
    // Kestrin empties the list when it ends; one that never ran leaves it.
    write_whole_file(change_list, "", 0);
    say("%s could not be run, or did not end normally.\n", kestrin_path);
    return -1;
  }
  return recorded_ok ? not_converted : -1;
}

// ---- The run ---------------------------------------------------------------

static void reset() {
  recorded_count = 0;
  found_count = 0;
  left_out_count = 0;
  next_record_count = 0;
  folder_count = 0;
  run_started = current_time();
}

// Reads the options. Returns -1 to go on, or the exit status.
static int read_options(int argc, const char* const* argv, int* dry_run) {
  *dry_run = 0;
  for (int at = 1; at < argc; ++at) {
    const char* option = argv[at];
    if (strcmp(option, "--help") == 0) {
      console_write(usage_text);
      return UPDATE_IN_STEP;
    }
    if (strcmp(option, "--version") == 0) {
      console_write("kestrin-update " UPDATE_VERSION "\n");
      return UPDATE_IN_STEP;
    }
    if (strcmp(option, "--dry-run") == 0) {
      *dry_run = 1;
      continue;
    }
    say("unknown option '%s'; try kestrin-update --help.\n", option);
    return UPDATE_FAILED;
  }
  return -1;
}

int update_run(int argc, const char* const* argv) {
  int dry_run;
  int status = read_options(argc, argv, &dry_run);
  if (status >= 0) return status;
  reset();
  RecordResult record = read_record();
  if (record == record_unusable) return UPDATE_FAILED;
  if (remember_start_dir() != 0) {
    say("cannot read the working folder.\n");
    return UPDATE_FAILED;
  }
  int found_result = find_variable_files();
  if (found_result == 0) found_result = find_texts();
  if (found_result != 0) {
    if (found_result == -1)
      say("more than %d files or %d folders; nothing was changed.\n", most_files, most_folders);
    return UPDATE_FAILED;
  }
  qsort(found, found_count, sizeof found[0], compare_found);
  compare_with_record();
  int adopted_pairs = 0;
  int conflicts = decide(record == record_missing, &adopted_pairs);
  qsort(left_out, left_out_count, sizeof left_out[0], compare_left_out);
  for (int at = 0; at < left_out_count; ++at)
    say("left out %s: %s.\n", left_out[at].path, left_out[at].reason);
  if (adopted_pairs > 0) {
    say("first run: %d pair%s found on both sides taken as in step, not converted.\n",
        adopted_pairs, adopted_pairs == 1 ? "" : "s");
  }

  long list_length = build_change_list();
  int out_of_step = conflicts > 0 || left_out_count > 0;
  if (dry_run) {
    console_write(list_text);
    return out_of_step ? UPDATE_OUT_OF_STEP : UPDATE_IN_STEP;
  }
  if (list_length == 0) {
    build_next_record();
    if (write_record() != 0) return UPDATE_FAILED;
    say("nothing to convert.\n");
    return out_of_step ? UPDATE_OUT_OF_STEP : UPDATE_IN_STEP;
  }
  int not_converted = convert_listed(list_length);
  if (not_converted < 0) return UPDATE_FAILED;
  return out_of_step || not_converted > 0 ? UPDATE_OUT_OF_STEP : UPDATE_IN_STEP;
}
