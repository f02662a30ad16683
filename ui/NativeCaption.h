#pragma once

class QWidget;

// Empties the caption of window's native window, creating it first. Qt never lets a top-level
// window's caption be empty (it shows the application's name instead), but the error box has
// none. Where the platform cannot be told (Wayland, offscreen), the caption stays Qt's.
void ClearNativeCaption(QWidget& window);
