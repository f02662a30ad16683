#pragma once

#include <QString>
#include <exception>
#include <functional>

// The text the error box shows: a "." is appended when the last character's code is above that
// of "." (so a text ending in "。" gets one too).
QString ErrorBoxText(const QString& text);

// Shows the standard error box: empty caption, error icon, one OK button.
void ShowErrorBox(const QString& text);

// Shows the box, or, when nobody may be there to answer it (the system asked the program to
// end), writes "solamine: text" on stderr instead.
void ShowErrorBoxOrPrint(const QString& text, bool nobodyThere);

// Tests replace the box; the hook receives the text as it would be shown. Empty restores it.
void SetErrorBoxHook(std::function<void(const QString&)> hook);

// The text of the exception in flight; call inside a catch block only.
QString CurrentErrorText();

// Runs a handler; an error that escapes it is shown in the error box and the program goes on.
template <typename F>
bool RunGuarded(F&& handler) noexcept {
    try {
        handler();
        return true;
    } catch (...) {
        try {
            ShowErrorBox(CurrentErrorText());
        } catch (...) {
        }
        return false;
    }
}
