#include "messages.h"

const char caption_error[] = "Error!";
const char caption_complaint[] = "Plovane is complaining!";
const char read_failure_message[] = "Unable to open '%s' for reading.";
const char long_folder_message[] =
    "The folder name '%s' is > 8 letters long. Perhaps you want to shorten it for the TI-89? "
    "I'm ignoring it for now.";
const char unusable_folder_message[] =
    "The folder name '%s' can't be used as a folder name on this computer. I'm ignoring it for "
    "now.";
const char missing_extension_message[] = "Fatal error: Filename missing extension.";
const char write_failure_message[] =
    "You don't have write permissions to this folder, or something has locked %s, or "
    "something. I was unable to open that file for writing. Program ending.";
