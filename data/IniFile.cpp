#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

#include "AtomicFile.h"
#include "DoseAlarm.h"
#include "NumberFormat.h"
#include "PrivateFiles.h"
#include "RegularFile.h"
#include "SampleDisplay.h"

namespace {

const QString graphSection = QStringLiteral("Graph");
const QString coefficientKey = QStringLiteral("uSv");
const QString backgroundKey = QStringLiteral("BackGround");
const QString alarmSection = QStringLiteral("Alarm");
const QString thresholdKey = QStringLiteral("uSv");
const QString soundKey = QStringLiteral("Sound");

// One line of the file as offsets into its bytes: text is [begin, textEnd), the line end
// (CR LF, LF or a lone CR, or nothing on a last line) is [textEnd, end).
struct Line {
    qsizetype begin = 0;
    qsizetype textEnd = 0;
    qsizetype end = 0;
};

std::vector<Line> SplitLines(const QByteArray& bytes) {
    std::vector<Line> lines;
    qsizetype begin = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\n' && c != '\r') {
            continue;
        }
        const qsizetype textEnd = i;
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
        lines.push_back({begin, textEnd, i + 1});
        begin = i + 1;
    }
    if (begin < bytes.size()) {
        lines.push_back({begin, bytes.size(), bytes.size()});
    }
    return lines;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QString Trimmed(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return QString::fromUtf8(text.sliced(begin, end - begin));
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key stands in a file: the first section of that name and the first such key in it.
struct Location {
    int header = -1;           // index of the section's header line, -1 when the section is missing
    int lastFilled = -1;       // last non-blank line of the section (the header at least)
    int key = -1;              // index of the key's line, -1 when missing
    qsizetype valueBegin = 0;  // where the value begins, in bytes from the file's start
};

Location Find(const QByteArray& bytes, const std::vector<Line>& lines, const QString& section,
              const QString& key) {
    Location at;
    for (int i = 0; i < int(lines.size()); ++i) {
        const Line& line = lines[size_t(i)];
        const QByteArrayView text(bytes.constData() + line.begin, line.textEnd - line.begin);
        const QString trimmed = Trimmed(text);
        if (trimmed.startsWith(u'[')) {
            if (at.header >= 0) {
                break;  // only the first section of that name counts
            }
            const qsizetype close = trimmed.indexOf(u']');
            const QString name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
            if (SameName(name, section)) {
                at.header = i;
                at.lastFilled = i;
            }
            continue;
        }
        if (at.header < 0) {
            continue;
        }
        if (!trimmed.isEmpty()) {
            at.lastFilled = i;
        }
        const qsizetype equals = text.indexOf('=');
        if (equals < 0 || !SameName(Trimmed(text.first(equals)), key)) {
            continue;
        }
        qsizetype valueBegin = equals + 1;
        while (valueBegin < text.size() && IsBlank(text[valueBegin])) {
            ++valueBegin;
        }
        at.key = i;
        at.valueBegin = line.begin + valueBegin;
        return at;
    }
    return at;
}

QByteArray LineEndOf(const QByteArray& bytes, const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        if (line.end > line.textEnd) {
            return bytes.mid(line.textEnd, line.end - line.textEnd);
        }
    }
    return QByteArrayLiteral("\r\n");
}

std::optional<double> ReadNumber(const IniFile& ini, const QString& key,
                                 const QString& section = graphSection) {
    const std::optional<QString> text = ini.ReadString(section, key);
    if (!text) {
        return std::nullopt;
    }
    const std::optional<double> value = NumberFormat::ParseFloat(*text);
    if (!value || !std::isfinite(*value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

IniFile::IniFile(QString path, const QString& startingPath) : path_(std::move(path)) {
    if (Read(path_) || startingPath.isEmpty()) {
        return;
    }
    Read(startingPath);
    // What the starting file holds or lacks does not stop this user's own file being written.
    unreadable_ = false;
    refusal_.reset();
}

bool IniFile::Read(const QString& from) {
    const QFileInfo info(from);
    if (!info.exists()) {
        return false;
    }
    QFile file;
    qint64 size = 0;
    if (std::optional<FileError> refused = OpenRegularFile(from, kMaxIniBytes, file, size)) {
        if (!info.isFile() || info.size() > kMaxIniBytes) {
            refused->Op = FileError::Operation::ReadSettings;
            refusal_ = std::move(refused);
        } else {
            unreadable_ = true;
        }
        return true;
    }
    bytes_ = file.read(kMaxIniBytes + 1);
    unreadable_ = file.error() != QFileDevice::NoError;
    if (bytes_.size() > kMaxIniBytes) {
        // It grew while it was read.
        bytes_.clear();
        refusal_ = FileError{
            FileError::Operation::ReadSettings, FileError::Code::TooLarge, from, {}, kMaxIniBytes};
    }
    return true;
}

std::optional<QString> IniFile::ReadString(const QString& section, const QString& key) const {
    const std::vector<Line> lines = SplitLines(bytes_);
    const Location at = Find(bytes_, lines, section, key);
    if (at.key < 0) {
        return std::nullopt;
    }
    const Line& line = lines[size_t(at.key)];
    QString value =
        Trimmed(QByteArrayView(bytes_).sliced(at.valueBegin, line.textEnd - at.valueBegin));
    // One pair of matching quotes around a value is not part of it, as with every
    // private-profile reader; a lone quote is.
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
    }
    return value;
}

bool IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    if (unreadable_ || refusal_) {
        return false;
    }
    const std::vector<Line> lines = SplitLines(bytes_);
    const Location at = Find(bytes_, lines, section, key);
    QByteArray eol = LineEndOf(bytes_, lines);
    QByteArray result;
    if (at.key >= 0) {
        const Line& line = lines[size_t(at.key)];
        result = bytes_.left(at.valueBegin) + value.toUtf8() + bytes_.mid(line.textEnd);
    } else {
        // New lines go after the last filled line of the section, or at the end of the file; a
        // last line without a line end gets one so the new line does not join it.
        const qsizetype insertAt =
            at.header >= 0 ? lines[size_t(at.lastFilled)].end : bytes_.size();
        // A lone CR ending the new line would join an LF that follows into one CR LF.
        if (eol == "\r" && insertAt < bytes_.size() && bytes_[insertAt] == '\n') {
            eol = QByteArrayLiteral("\r\n");
        }
        const bool joined =
            insertAt > 0 && bytes_[insertAt - 1] != '\n' && bytes_[insertAt - 1] != '\r';
        QByteArray added = joined ? eol : QByteArray();
        if (at.header < 0) {
            added += '[' + section.toUtf8() + ']' + eol;
        }
        added += key.toUtf8() + '=' + value.toUtf8() + eol;
        result = bytes_.left(insertAt) + added + bytes_.mid(insertAt);
    }
    MakePrivateFolder(QFileInfo(path_).absolutePath());
    if (!WriteFileAtomically(path_, result, nullptr, ownerOnly_)) {
        return false;
    }
    bytes_ = result;
    return true;
}

QString PerUserSettingsFolder() {
#ifdef Q_OS_WIN
    // %APPDATA%\\solamine: the roaming profile, where Windows programs keep their settings.
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
#endif
}

IniPaths IniPathsFor(const QString& executablePath) {
    const QFileInfo executable(executablePath);
    const QString fileName = executable.completeBaseName() + QStringLiteral(".ini");
    const QFileInfo directory(executable.absolutePath());
    const QFileInfo beside(directory.absoluteFilePath() + u'/' + fileName);
    // Trying is the only sure answer: Windows calls a file or the folder of an installed program
    // writable by its read-only attribute (Qt does not look at NTFS permissions), and the writes
    // would then fail at every exit. The file is opened without truncating it and closed at
    // once; only a regular file is opened (a FIFO would block), anything else is refused later.
    const auto folderTakesNewFile = [&directory] {
        QTemporaryFile probe(directory.absoluteFilePath() + QStringLiteral("/.solamine-XXXXXX"));
        return directory.isDir() && probe.open();
    };
    const auto fileTakesWrites = [&beside] {
        if (!beside.isFile()) {
            return beside.isWritable();
        }
        QFile file(beside.filePath());
        return file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly);
    };
    if (beside.exists() ? fileTakesWrites() : folderTakesNewFile()) {
        return {beside.filePath(), {}};
    }
    // An installed program's directory is not the user's to write, nor a file an administrator
    // left there: this user's settings go to their own file.
    return {PerUserSettingsFolder() + u'/' + fileName,
            beside.exists() ? beside.filePath() : QString()};
}

QString IniPathFor(const QString& executablePath) {
    return IniPathsFor(executablePath).Path;
}

bool ReadFlag(const IniFile& ini, const QString& section, const QString& key, bool fallback) {
    const auto text = ini.ReadString(section, key);
    if (!text) {
        return fallback;
    }
    const auto number = NumberFormat::ParseFloat(*text);
    return number ? *number != 0 : QStringList{"true", "yes", "on"}.contains(text->toLower());
}

GraphSettings LoadGraphSettings(const QString& iniPath, const QString& startingPath) {
    const IniFile ini(iniPath, startingPath);
    GraphSettings settings;
    if (const auto coefficient = ReadNumber(ini, coefficientKey)) {
        settings.GraphCoefficient = *coefficient;
    }
    if (const auto background = ReadNumber(ini, backgroundKey)) {
        const double whole = std::trunc(*background);
        if (whole >= std::numeric_limits<std::int32_t>::min() &&
            whole <= std::numeric_limits<std::int32_t>::max()) {
            settings.GraphBackground = std::int32_t(whole);
        }
    }
    return settings;
}

// Writes each key in turn and stops at the first that cannot be written. A refused file stays
// as it is: the program says so once, at its start.
void WriteKeys(const QString& iniPath, const QString& startingPath, const QString& section,
               std::initializer_list<std::pair<QString, double>> keys) {
    IniFile ini(iniPath, startingPath);
    if (ini.Refusal()) {
        return;
    }
    for (const auto& [key, value] : keys) {
        if (!ini.WriteString(section, key, NumberFormat::FormatGeneral(value))) {
            throw FileFailure(
                {FileError::Operation::WriteSettings, FileError::Code::System, iniPath, {}, 0});
        }
    }
}

void SaveGraphSettings(const QString& iniPath, const GraphSettings& settings,
                       const QString& startingPath) {
    WriteKeys(iniPath, startingPath, graphSection,
              {{coefficientKey, settings.GraphCoefficient},
               {backgroundKey, double(settings.GraphBackground)}});
}

AlarmSettings LoadAlarmSettings(const QString& iniPath, const QString& startingPath) {
    const IniFile ini(iniPath, startingPath);
    AlarmSettings settings;
    if (const auto threshold = ReadNumber(ini, thresholdKey, alarmSection);
        threshold && *threshold > 0) {
        settings.ThresholdUsv = *threshold;
    }
    settings.Sound = ReadFlag(ini, alarmSection, soundKey, false);
    return settings;
}

void SaveAlarmSettings(const QString& iniPath, const AlarmSettings& settings,
                       const QString& startingPath) {
    WriteKeys(iniPath, startingPath, alarmSection,
              {{thresholdKey, settings.ThresholdUsv}, {soundKey, settings.Sound ? 1.0 : 0.0}});
}
