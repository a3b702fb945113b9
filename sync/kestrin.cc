#include "kestrin.h"

#include <string.h>

#include "convert.h"
#include "messages.h"

static const char change_list[] = "files.lst";
static const int longest_line = 128;

static const char missing_list_message[] =
    "I can't find files.lst, which is supposed to tell me what files to do what with. You "
    "shouldn't run Kestrin directly, run the update script instead.";
static const char missing_folder_message[] =
    "Error: Folder is NULL for a text file. (Report this please, unless you broke the python "
    "script or something.)";
static const char variable_converted[] = "Zembrik: '%s' \n";
static const char text_converted[] = "Gurdo: %s\n";
static const char unknown_entry[] = "Unknown file-type %c for file %s.";
static const char nothing_converted[] =
    "No files have been updated, so none have been converted (in either direction).\n";
static const char texts_summary[] =
    "%i .txt files had changed, and have now had their .89t files rebuilt. (You're going to "
    "send the changed .89t files to your TI-89 now, so it's up to date, right?)\n";
static const char variables_summary[] =
    "%i .89t files had changed, and have now had their .txt files rebuilt.\n";

static char report[work_buffer_size];

static void print_line(const char* format, const char* text) {
  format_bounded(report, sizeof report, format, text);
  console_write(report);
}

static void print_count(const char* format, int count) {
  format_bounded(report, sizeof report, format, count);
  console_write(report);
}

// Converts the text file folder/name from within its folder. Returns the
// conversion's result. A folder that cannot be entered, or whose name could
// lead anywhere but into a sub-folder of the starting directory, is fatal:
// nothing may be converted or written from the wrong directory.
static ConversionResult convert_text_entry(const char* folder, const char* name) {
  if (!is_usable_folder_name(folder) || enter_subfolder(folder) != 0) {
    format_bounded(report, sizeof report, "%s/%s", folder, name);
    format_bounded(message_buffer, sizeof message_buffer, read_failure_message, report);
    show_message_box(message_buffer, caption_error);
    return CONVERSION_FATAL;
  }
  ConversionResult result = text_to_var(folder, name);
  return_to_start_dir();
  return result;
}

int kestrin_run() {
  static Stream list;
  static char line[longest_line + 1];
  if (stream_open(&list, change_list, "rt") != 0) {
    show_message_box(missing_list_message, "Error");
    return 0;
  }
  if (remember_start_dir() != 0) {
    stream_close(&list);
    format_bounded(message_buffer, sizeof message_buffer, read_failure_message, ".");
    show_message_box(message_buffer, caption_error);
    return 0;
  }
  int texts_converted = 0;
  int variables_converted = 0;
  int more = 1;
  while (more) {
    more = read_line(&list, line, longest_line);
    if (line[0] == '\0') continue;
    char entry_letter = line[0];
    char* folder = nullptr;
    char* name = line + 1;
    if (char* slash = strchr(name, '/')) {
      *slash = '\0';
      folder = name;
      name = slash + 1;
    }
    if (entry_letter == 's') {
      ConversionResult result = var_to_text(name);
      if (result == CONVERSION_FATAL) break;
      if (result == CONVERTED) {
        print_line(variable_converted, name);
        ++variables_converted;
      }
    } else if (entry_letter == 't') {
      if (!folder) {
        show_message_box(missing_folder_message, caption_error);
        stream_close(&list);
        remove_file(change_list);
        return 0;
      }
      ConversionResult result = convert_text_entry(folder, name);
      if (result == CONVERSION_FATAL) break;
      if (result == CONVERTED) {
        print_line(text_converted, name);
        ++texts_converted;
      }
    } else {
      format_bounded(report, sizeof report, unknown_entry, entry_letter, name);
      console_write(report);
    }
  }
  stream_close(&list);

  Stream emptied;
  if (stream_open(&emptied, change_list, "wb") == 0) stream_close(&emptied);

  if (texts_converted == 0 && variables_converted == 0) console_write(nothing_converted);
  if (texts_converted != 0) print_count(texts_summary, texts_converted);
  if (variables_converted != 0) print_count(variables_summary, variables_converted);
  return 0;
}
