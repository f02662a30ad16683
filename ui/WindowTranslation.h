#pragma once

#include "WindowLanguage.h"

#include <QTranslator>

// The translation a language needs, installed on the application while this object lives: for
// English the window's own texts (solamine_en.qm, embedded) with Qt's built-in English; for
// Japanese, the window's texts as written with Qt's own texts (file dialogs, message-box
// buttons) in the desktop's language.
class WindowTranslation {
public:
    explicit WindowTranslation(WindowLanguage language);
    ~WindowTranslation();
    WindowTranslation(const WindowTranslation&) = delete;
    WindowTranslation& operator=(const WindowTranslation&) = delete;

private:
    QTranslator translator_;
    bool installed_ = false;
};
