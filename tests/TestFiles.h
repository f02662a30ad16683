#pragma once

#include "UserError.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// File and error helpers shared by the tests.

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The text of the UserError that f throws; empty when it throws none.
template <typename F>
QString ErrorText(F&& f) {
    try {
        f();
    } catch (const UserError& e) {
        return e.Text();
    }
    return {};
}
