#include "ErrorTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

QString FullPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

}  // namespace

QString ReasonText(const FileError& error) {
    using Code = FileError::Code;
    switch (error.Why) {
        case Code::System:
        case Code::NotFound:
        case Code::NotSynced:
            break;
        case Code::NotRegularFile:
            return QStringLiteral("通常のファイルではありません");
        case Code::TooLarge:
            return QStringLiteral("%1 MiB を超える大きさです").arg(error.Limit >> 20);
        case Code::TooManyLines:
            return QStringLiteral("%1 行を超えています").arg(error.Limit);
        case Code::OutOfMemory:
            return QStringLiteral("メモリが足りません");
        case Code::Stopped:
            return QStringLiteral("読み込みを中断しました");
        case Code::Shrunk:
            return QStringLiteral("ファイルが短くなっています");
        case Code::NoFolder:
            return QStringLiteral("フォルダを作れません");
        case Code::NoFreeName:
            return QStringLiteral("同じ名前のファイルが多すぎます");
        case Code::NoPdf:
            return QStringLiteral("PDF を作れません");
    }
    return error.Reason;
}

QString FileErrorText(const FileError& error) {
    // One arg for path and reason: a path holding "%1" stays as it is.
    switch (error.Op) {
        case FileError::Operation::Read:
            return QStringLiteral("ファイル %1 は開けません。 %2 ")
                .arg(FullPath(error.Path), ReasonText(error));
        case FileError::Operation::Write:
        case FileError::Operation::Append:
            break;
        case FileError::Operation::ReadSettings:
            return QStringLiteral("%1 を読みません (%2)。既定の設定を使い、書き込みません")
                .arg(QDir::toNativeSeparators(error.Path), ReasonText(error));
        case FileError::Operation::WriteSettings:
            return QStringLiteral("%1 に書き込めません").arg(QDir::toNativeSeparators(error.Path));
    }
    return QStringLiteral("ファイル \"%1\" を作成できません。%2")
        .arg(FullPath(error.Path), ReasonText(error));
}

QString FailureText(const FileFailure& failure) {
    QStringList texts;
    for (const FileError& error : failure.Errors()) {
        texts << FileErrorText(error);
    }
    return texts.join(u'\n');
}
