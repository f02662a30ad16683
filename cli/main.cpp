#include "Arguments.h"
#include "Convert.h"
#include "Devices.h"
#include "ErrorText.h"
#include "Log.h"
#include "Settings.h"
#include "Summary.h"
#include "Version.h"

#include <QCoreApplication>
#include <QDate>
#include <cstdio>
#include <exception>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

using namespace CliText;

namespace {

constexpr char kUsage[] =
    "usage: solamine-cli --version\n"
    "       solamine-cli convert [--coefficient X] [--background N] IN OUT\n"
    "\n"
    "Reads the log file IN and writes it to OUT in the program's own form, with the dose\n"
    "column computed afresh (coefficient in uSv/h per CPM, default 0.00158; background in\n"
    "CPM, default 0). IN and OUT may be the same file.\n"
    "\n"
    "Exit status: 0 done; 1 a file could not be read or written, or OUT is not a regular file;\n"
    "2 wrong arguments; 3 some lines of IN did not read as a sample (OUT is written all the\n"
    "same, with those lines as they were); 4 a sample of IN would read back from OUT as another\n"
    "time, as one with seconds or a four-digit year that two digits do not hold (OUT is written\n"
    "all the same).\n";

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// Exit status: 0 done, 1 a file could not be read or written, 2 wrong arguments, 3 the input
// had unreadable lines, 4 a sample would not read back the same (before 3: OUT then says
// something else than IN).
int RunConvert(const QStringList& arguments) {
    QString error;
    const std::optional<ConvertOptions> options = ParseConvertArguments(arguments, &error);
    if (!options) {
        Print(stderr, QStringLiteral("solamine-cli: %1\n").arg(error));
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        const int year = QDate::currentDate().year();
        const ConvertResult result = Convert(*options, year);
        if (result.UnreadableLines > 0) {
            Print(stderr, QStringLiteral("solamine-cli: ") +
                              UnreadableLinesText(options->Input, result.UnreadableLines,
                                                  result.FirstUnreadableLine) +
                              u'\n');
        }
        if (result.FirstForeignLine > 0) {
            Print(stderr, QStringLiteral("solamine-cli: ") +
                              NotReadBackText(options->Input, result.FirstForeignLine, year) +
                              u'\n');
            return 4;
        }
        if (result.UnreadableLines > 0) {
            return 3;
        }
    } catch (const FileFailure& e) {
        Print(stderr, QStringLiteral("solamine-cli: ") + FailureText(e) + u'\n');
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "solamine-cli: %s\n", e.what());
        return 1;
    }
    return 0;
}

void PrintUsage(std::FILE* stream) {
    std::fputs(kUsage, stream);
    for (const char* usage : {kLogUsage, kDevicesUsage, kSettingsUsage, kSummaryUsage}) {
        std::fputs("\n", stream);
        std::fputs(usage, stream);
    }
}

// A command: its word, its usage (also for "COMMAND --help") and what runs it.
struct Command {
    QStringView Name;
    const char* Usage;
    int (*Run)(const QStringList& arguments);
};

const Command* FindCommand(const QString& name) {
    static const Command commands[] = {
        {u"convert", kUsage, RunConvert},        {u"log", kLogUsage, RunLog},
        {u"devices", kDevicesUsage, RunDevices}, {u"settings", kSettingsUsage, RunSettings},
        {u"summary", kSummaryUsage, RunSummary},
    };
    for (const Command& command : commands) {
        if (command.Name == name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
#ifdef Q_OS_WIN
    // Output is the same bytes on every system: CSV keeps its own CR LF, text has LF, and
    // nothing is turned into CR CR LF on the way.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    app.setApplicationName(QStringLiteral("solamine"));
    QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 1 && (arguments[0] == u"--help" || arguments[0] == u"-h")) {
        PrintUsage(stdout);
        return 0;
    }
    if (arguments.size() == 1 && arguments[0] == u"--version") {
        std::printf("solamine-cli %s\n", kProgramVersion);
        return 0;
    }
    const Command* command = arguments.isEmpty() ? nullptr : FindCommand(arguments.takeFirst());
    if (command == nullptr) {
        PrintUsage(stderr);
        return 2;
    }
    if (AsksForHelp(arguments)) {
        std::fputs(command->Usage, stdout);
        return 0;
    }
    return command->Run(arguments);
}
