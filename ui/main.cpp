#include "Main.h"
#include "DeviceLink.h"
#include "ErrorBox.h"
#include "ErrorTexts.h"
#include "HidBackend.h"
#include "IniFile.h"
#include "Version.h"
#include "WindowTranslation.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kUsage[] =
    "usage: solamine [--simulate] [FILE]\n"
    "       solamine --version\n"
    "\n"
    "Logs a USB radiation counter in a window. FILE is a CSV log to open at start, or a\n"
    "folder of daily logs (YYYY-MM-DD.csv, as solamine-cli log --daily writes them), opened\n"
    "read-only as one record; --simulate uses the built-in virtual counter instead of a\n"
    "real one.\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before the application object exists, so they need no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("solamine %s\n", kProgramVersion);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("solamine"));
    const IniPaths ini = IniPathsFor(QCoreApplication::applicationFilePath());
    // The language chosen in 表示 → 言語, for the whole run (error boxes included).
    const WindowTranslation translation(LoadWindowLanguage(ini.Path, ini.StartingPath));

    QStringList files = app.arguments().mid(1);
    const bool simulate = files.removeAll(QStringLiteral("--simulate")) > 0;
    try {
        MainFormOptions options;
        options.Backend = simulate ? MakeSimulatedBackend() : MakeHidapiBackend();
        options.Simulated = simulate;
        // A refused INI gives the defaults and is never written; the user hears why once.
        if (const std::optional<FileError> refusal =
                IniFile(ini.Path, ini.StartingPath).Refusal()) {
            std::fprintf(stderr, "solamine: %s\n", qPrintable(FileErrorText(*refusal)));
        }
        options.IniPath = ini.Path;
        options.IniStartingPath = ini.StartingPath;
        TMainForm form(std::move(options));
        form.show();
        // A log file named on the command line (as a file manager passes it) is opened at once,
        // inside the event loop, so a signal during its error box still ends the program.
        if (!files.isEmpty()) {
            QTimer::singleShot(0, &form, [&form, path = files.first()] { form.OpenFile(path); });
        }
        app.exec();
    } catch (...) {
        // An error that escapes start-up is shown like any other; the program then ends.
        ShowErrorBox(CurrentErrorText());
    }
    return 0;
}
