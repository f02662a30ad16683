#include "NativeCaption.h"

#include <QGuiApplication>
#include <QWidget>

#include <windows.h>

void ClearNativeCaption(QWidget& window) {
    // Only the windows platform's windows are the system's (offscreen ones have made-up ids).
    if (QGuiApplication::platformName() != QStringLiteral("windows")) {
        return;
    }
    // Qt sets the caption when it creates the window and when the title changes, not when it
    // shows the window: an empty caption set now stays.
    ::SetWindowTextW(reinterpret_cast<HWND>(window.winId()), L"");
}
