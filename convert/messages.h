// Message texts and captions that more than one part of the suite shows.
#ifndef CONVERT_MESSAGES_H
#define CONVERT_MESSAGES_H

extern const char caption_error[];      // "Error!"
extern const char caption_complaint[];  // "Plovane is complaining!"
// "%s" is the name of the file or folder that cannot be read.
extern const char read_failure_message[];
// "%s" is the folder name.
extern const char long_folder_message[];
// "%s" is the folder name.
extern const char unusable_folder_message[];
extern const char missing_extension_message[];
// "%s" is the path of the output.
extern const char write_failure_message[];

#endif  // CONVERT_MESSAGES_H
