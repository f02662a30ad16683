#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// An error whose text is shown to the user as it stands (file and settings failures).
class UserError : public std::exception {
public:
    explicit UserError(QString text) : text_(std::move(text)), utf8_(text_.toUtf8()) {}
    const QString& Text() const { return text_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString text_;
    QByteArray utf8_;
};
