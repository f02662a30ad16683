#pragma once

#include <QString>
#include <QStringList>

// The logs the user last opened or saved, newest first, each once.
class RecentFiles {
public:
    static constexpr int kMaxFiles = 8;

    // Empty names are skipped, repeated ones kept once, and only the first kMaxFiles stay.
    explicit RecentFiles(const QStringList& paths = {});

    const QStringList& Paths() const { return paths_; }
    // Puts path first; the oldest falls off when there are more than kMaxFiles.
    void Add(const QString& path);
    // Takes path out; false when it was not there.
    bool Remove(const QString& path);

private:
    qsizetype IndexOf(const QString& path) const;

    QStringList paths_;
};
