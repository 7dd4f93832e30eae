#include "app/desktop_startup.h"

int main(int argc, char** argv) { return RunDesktop(argc, argv); }
