// The one rule for folder names that the suite accepts from a variable file
// or a change list.
#include <string.h>

#include "convert.h"

int is_usable_folder_name(const char* name) {
  if (name[0] == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return 0;
  for (const unsigned char* at = (const unsigned char*)name; *at; ++at) {
    if (*at < 32 || strchr("/\\:*?\"<>|", *at)) return 0;
  }
  return 1;
}
