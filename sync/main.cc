#include "kestrin.h"

int main() { return kestrin_run(); }
