// kestrin-update: finds the texts and variable files of the working folder
// that changed since its last run, lists them in files.lst, runs kestrin on
// them and records the new state in kestrin-update.rec.
#ifndef UPDATE_UPDATE_H
#define UPDATE_UPDATE_H

// Exit statuses of a run.
enum {
  UPDATE_IN_STEP = 0,      // every change found was converted
  UPDATE_OUT_OF_STEP = 1,  // a conflict, a refused name or a failed conversion remains
  UPDATE_FAILED = 2,       // no kestrin, a record that cannot be read or written, bad usage
};

// The whole run in the current directory, with the command line |argv| of
// |argc| words (the program's name first). Returns the exit status.
int update_run(int argc, const char* const* argv);

#endif  // UPDATE_UPDATE_H
