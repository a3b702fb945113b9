// Plovane: turns every text file of every sub-folder of the current
// directory into a .89t file in the current directory.
#ifndef FROMTEXT_PLOVANE_H
#define FROMTEXT_PLOVANE_H

// The whole run; returns the exit status, 0 on every path.
int plovane_run();

#endif  // FROMTEXT_PLOVANE_H
