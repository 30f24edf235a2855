#include "KestrunWidgets/CommandLine.h"

int main(int argc, char** argv) { return KestrunWidgets::runCommandLine(argc, argv); }
