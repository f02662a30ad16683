#include "WindowClose.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

void CloseAllWindows(QWidget* mainWindow) {
    // Bounded: a modal window that refuses to close must not hold the program up for ever.
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            break;
        }
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    }
    mainWindow->close();
    QCoreApplication::quit();
}
