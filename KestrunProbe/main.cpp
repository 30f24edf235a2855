#include "KestrunProbe/CommandLine.h"

int main(int argc, char** argv) {
  return Probe::runCommandLine(argc, argv);
}
