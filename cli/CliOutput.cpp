#include "CliOutput.h"

void PrintText(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void PrintLine(std::FILE* stream, const QString& text) {
    PrintText(stream, text + u'\n');
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
