#include "WindowTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

WindowTranslation::WindowTranslation(WindowLanguage language) {
    const bool loaded =
        language == WindowLanguage::English
            ? translator_.load(QStringLiteral(":/i18n/solamine_en.qm"))
            : translator_.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    installed_ = loaded && QCoreApplication::installTranslator(&translator_);
}

WindowTranslation::~WindowTranslation() {
    if (installed_) {
        QCoreApplication::removeTranslator(&translator_);
    }
}
