// Platforms without window messages of their own: device changes come from the device layer's
// watcher, and the session's end arrives as a signal (SignalClose).
#include "WindowMessages.h"

void RouteWindowMessages(QWidget*, std::function<void(int)>, std::function<void()>) {}
