#include "plovane.h"

#include <string.h>

#include "convert.h"
#include "messages.h"

static const char folder_list[] = "dirlist.txt";
static const int longest_line = 128;

// Converts every "*.txt" entry of the folder |folder|, the current directory.
// Returns -1 when a conversion was fatal, 0 otherwise.
static int convert_folder(const char* folder) {
  static DirSearch search;
  if (dir_search_first(&search, "*.txt") != 0) return 0;
  do {
    if (text_to_var(folder, search.name) == CONVERSION_FATAL) {
      dir_search_close(&search);
      return -1;
    }
  } while (dir_search_next(&search) == 0);
  dir_search_close(&search);
  return 0;
}

int plovane_run() {
  static Stream list;
  static char folder[longest_line + 1];
  if (remember_start_dir() != 0) {
    format_bounded(message_buffer, sizeof message_buffer, read_failure_message, ".");
    show_message_box(message_buffer, caption_error);
    return 0;
  }
  list_subfolders(folder_list);
  if (stream_open(&list, folder_list, "rt") != 0) {
    format_bounded(message_buffer, sizeof message_buffer, read_failure_message, folder_list);
    show_message_box(message_buffer, caption_error);
    return 0;
  }
  int more = 1;
  int fatal = 0;
  while (more && !fatal) {
    more = read_line(&list, folder, longest_line);
    if (folder[0] == '\0') continue;
    if (strlen(folder) > (size_t)max_name_length) {
      format_bounded(name_buffer, sizeof name_buffer, long_folder_message, folder);
      show_message_box(name_buffer, caption_complaint);
      continue;
    }
    // Only a sub-folder of the starting directory may be entered.
    if (!is_usable_folder_name(folder)) {
      format_bounded(name_buffer, sizeof name_buffer, unusable_folder_message, folder);
      show_message_box(name_buffer, caption_complaint);
      continue;
    }
    if (enter_subfolder(folder) != 0) {
      format_bounded(message_buffer, sizeof message_buffer, read_failure_message, folder);
      show_message_box(message_buffer, caption_error);
      continue;
    }
    fatal = convert_folder(folder) != 0;
    return_to_start_dir();
  }
  stream_close(&list);
  return 0;
}
