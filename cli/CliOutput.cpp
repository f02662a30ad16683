#include "CliOutput.h"

#include <cerrno>
#include <cstring>

void PrintText(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void PrintLine(std::FILE* stream, const QString& text) {
    PrintText(stream, text + u'\n');
}

bool WriteStdout(const QByteArray& bytes, QString* reason) {
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) &&
        std::fflush(stdout) == 0 && !std::ferror(stdout)) {
        return true;
    }
    *reason = QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO));
    return false;
}

void PrintError(const QString& text) {
    PrintLine(stderr, QStringLiteral("solamine-cli: ") + text);
}

int WrongArguments(const QString& error, const char* usage) {
    PrintError(error);
    PrintText(stderr, QString::fromUtf8(usage));
    return 2;
}

Printer StdoutPrinter() {
    return [](const QString& line) { PrintLine(stdout, line); };
}

Printer StderrPrinter() {
    return [](const QString& line) { PrintLine(stderr, line); };
}
