#include "ErrorBox.h"

#include "ErrorTexts.h"
#include "NativeCaption.h"

#include <QMessageBox>
#include <cstdio>

namespace {

std::function<void(const QString&)>& Hook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

}  // namespace

QString ErrorBoxText(const QString& text) {
    if (!text.isEmpty() && text.back() > QChar(u'.')) {
        return text + u'.';
    }
    return text;
}

void ShowErrorBox(const QString& text) {
    const QString shown = ErrorBoxText(text);
    if (Hook()) {
        Hook()(shown);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QString(), shown, QMessageBox::Ok);
    ClearNativeCaption(box);
    box.exec();
}

void ShowErrorBoxOrPrint(const QString& text, bool nobodyThere) {
    if (nobodyThere) {
        std::fprintf(stderr, "solamine: %s\n", text.toLocal8Bit().constData());
    } else {
        ShowErrorBox(text);
    }
}

void SetErrorBoxHook(std::function<void(const QString&)> hook) {
    Hook() = std::move(hook);
}

QString CurrentErrorText() {
    try {
        throw;
    } catch (const FileFailure& e) {
        return FailureText(e);
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QString();
    }
}
