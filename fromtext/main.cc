#include "plovane.h"

int main() { return plovane_run(); }
