#include "zembrik.h"

int main() { return zembrik_run(); }
