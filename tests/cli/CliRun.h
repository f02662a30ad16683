#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// Running the built solamine-cli from the tests.

struct CliRun {
    int exitCode = -1;  // -1: it crashed or did not end in time
    QByteArray out;     // stdout's bytes as written (binary on every system: CSV keeps CR LF)
    QString err;        // stderr's text, with LF line ends
};

// Waits at most timeoutMs for the end of a started solamine-cli and takes what it wrote.
inline CliRun FinishCli(QProcess& process, int timeoutMs = 30'000) {
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        return {};
    }
    // The program writes the system's 8-bit encoding: UTF-8 on Linux, the code page on Windows.
    CliRun run{process.exitCode(), process.readAllStandardOutput(),
               QString::fromLocal8Bit(process.readAllStandardError())};
#ifdef Q_OS_WIN
    // stderr stays in the C runtime's text mode there, which writes each LF as CR LF.
    run.err.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
    return run;
}

// Runs solamine-cli with arguments in folder (the current one when empty) to its end.
inline CliRun RunCli(const QStringList& arguments, const QString& folder = {}) {
    QProcess process;
    if (!folder.isEmpty()) {
        process.setWorkingDirectory(folder);
    }
    process.start(QStringLiteral(SOLAMINE_CLI), arguments);
    return FinishCli(process);
}
