#include "TestMain.h"

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace TestRegistry {

static std::vector<std::pair<const char*, Factory>>& Entries() {
    static std::vector<std::pair<const char*, Factory>> entries;
    return entries;
}

bool Add(const char* name, Factory factory) {
    Entries().emplace_back(name, std::move(factory));
    return true;
}

}  // namespace TestRegistry

// Runs every registered class; "-class Name" runs just that one (exit 2 when there is none),
// other arguments go to QTest.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    QString only;
    const qsizetype at = args.indexOf(QStringLiteral("-class"));
    if (at >= 0 && at + 1 < args.size()) {
        only = args[at + 1];
        args.remove(at, 2);
    }
    int failed = 0;
    bool ran = false;
    for (const auto& [name, factory] : TestRegistry::Entries()) {
        if (!only.isEmpty() && only != QLatin1String(name)) {
            continue;
        }
        std::unique_ptr<QObject> test(factory());
        failed += QTest::qExec(test.get(), args);
        ran = true;
    }
    // A class that is not in this executable must not pass as if its tests had.
    if (!ran && !only.isEmpty()) {
        std::fprintf(stderr, "no test class %s in this executable\n", qPrintable(only));
        return 2;
    }
    return failed == 0 ? 0 : 1;
}
