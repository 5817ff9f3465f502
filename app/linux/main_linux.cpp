// fluvia: the instrument as a program of its own on Linux.
#include "app/main_common.h"

int main(int argc, char** argv) { return fluvia::app::ProgramMain(argc, argv); }
