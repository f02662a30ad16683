#include "NativeCaption.h"

#include <QWidget>

#include <windows.h>

void ClearNativeCaption(QWidget& window) {
    // Qt sets the caption when it creates the window and when the title changes, not when it
    // shows the window: an empty caption set now stays.
    ::SetWindowTextW(reinterpret_cast<HWND>(window.winId()), L"");
}
