#pragma once

class QWidget;

// Closes the program as the main window's close button would, whatever dialog is open: modal
// windows (an error box, the settings dialog, a file dialog) go first, as their close boxes
// would make them go, then the window, and every running event loop ends, also where closing
// the window alone would not end it (it was hidden already, or another window is still shown).
void CloseAllWindows(QWidget* mainWindow);
