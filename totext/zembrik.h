// Zembrik: turns every .89t file and then every .89p file of the current
// directory into a text file in the sub-folder of the file's calculator
// folder.
#ifndef TOTEXT_ZEMBRIK_H
#define TOTEXT_ZEMBRIK_H

// The whole run; returns the exit status, 0 on every path.
int zembrik_run();

#endif  // TOTEXT_ZEMBRIK_H
