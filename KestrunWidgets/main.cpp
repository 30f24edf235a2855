#include <exception>
#include <iostream>

#include "KestrunWidgets/KestrunWidgetBundle.h"
#include "Platform/WidgetHost/CommandLine.h"

// The command runner answers every failure of a command; this is the last resort for one thrown
// while the commands are being set up, so that no run ends in an abort.
int main(int argc, char** argv) {
  try {
    return KestrunWidgetBundle::main(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "kestrun-widgets: internal error: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "kestrun-widgets: internal error\n";
  }
  return WidgetHost::ExitStatus::internalError;
}
