#include "update.h"

int main(int argc, char** argv) { return update_run(argc, argv); }
