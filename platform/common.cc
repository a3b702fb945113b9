// The parts of the platform layer that are the same on every system: the
// test hook in front of the message box, and the console's two streams.
#include "platform.h"

static MessageBoxHook message_box_hook = nullptr;

void set_message_box_hook(MessageBoxHook hook) { message_box_hook = hook; }

void show_message_box(const char* text, const char* caption) {
  fflush(stdout);
  if (message_box_hook) {
    message_box_hook(text, caption);
    return;
  }
  show_system_message_box(text, caption);
}

// On Windows standard output stays in the C runtime's text mode, which turns
// every "\n" into CR LF on its way to the console or to a redirected file.
void console_write(const char* text) {
  fputs(text, stdout);
  fflush(stdout);
}

void console_write_error(const char* text) {
  fflush(stdout);
  fputs(text, stderr);
  fflush(stderr);
}
