#include "zembrik.h"

#include "convert.h"

// Converts every match of |pattern|. Returns -1 when a conversion was fatal,
// 0 otherwise.
static int convert_matches(const char* pattern, int complain_when_none) {
  static DirSearch search;
  if (dir_search_first(&search, pattern) != 0) {
    if (complain_when_none) show_message_box("No .89t files found in current directory.", "Error!");
    return 0;
  }
  do {
    if (var_to_text(search.name) == CONVERSION_FATAL) {
      dir_search_close(&search);
      return -1;
    }
  } while (dir_search_next(&search) == 0);
  dir_search_close(&search);
  return 0;
}

int zembrik_run() {
  if (convert_matches("*.89t", 1) == 0) convert_matches("*.89p", 0);
  return 0;
}
