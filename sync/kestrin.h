// Kestrin: converts exactly the files that the change list files.lst names,
// each in the direction its entry letter gives, then empties the list and
// prints a summary.
#ifndef SYNC_KESTRIN_H
#define SYNC_KESTRIN_H

// The whole run; returns the exit status, 0 on every path.
int kestrin_run();

#endif  // SYNC_KESTRIN_H
