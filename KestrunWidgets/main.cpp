#include "KestrunWidgets/KestrunWidgetBundle.h"

int main(int argc, char** argv) { return KestrunWidgetBundle::main(argc, argv); }
