#pragma once

#include <functional>

class QWidget;

// The platform messages the main window handles itself. On Windows: WM_DEVICECHANGE to the main
// window, whose event code goes to onDeviceChange through the event loop (never inside the
// window procedure), and the session's end (log-off, shutdown) to any of the program's windows:
// WM_QUERYENDSESSION is allowed, the first WM_ENDSESSION calls onSessionEnd, which must have
// closed the window and saved what it saves when it returns, since the system ends the process
// right after. Elsewhere there are no such messages and this
// does nothing. The routing ends with the window.
void RouteWindowMessages(QWidget* window, std::function<void(int eventCode)> onDeviceChange,
                         std::function<void()> onSessionEnd);
