#include "bridge/launch.h"

void LaunchGame(const AppPaths&, const std::string&, Ui&) {}
