// Platforms without window messages of their own: device changes come from the device layer's
// watcher, and the program hears that it must end through Termination.
#include "WindowMessages.h"

void RouteWindowMessages(QWidget*, std::function<void(int)>, std::function<void()>) {}
