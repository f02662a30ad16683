#include "PlatformFile.h"

#include <QFile>
#include <QString>

#include <io.h>
#include <windows.h>

namespace {

// The system's own text for an error code, in the user's language, without the line end
// FormatMessage puts after it.
QString SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString result = length > 0 ? QString::fromWCharArray(text, int(length)).trimmed()
                                : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    return result;
}

// The Win32 handle under Qt's file; INVALID_HANDLE_VALUE when it is not open. A closed file is
// never passed on: the C runtime may treat an invalid descriptor as a fatal error.
HANDLE NativeHandle(const QFile& file) {
    const int fd = file.isOpen() ? file.handle() : -1;
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

}  // namespace

bool SyncFileToDisk(QFile& file, QString* errorText) {
    if (!file.flush()) {
        if (errorText) {
            *errorText = file.errorString();
        }
        return false;
    }
    const HANDLE handle = NativeHandle(file);
    if (handle == INVALID_HANDLE_VALUE) {
        if (errorText) {
            *errorText = SystemErrorText(ERROR_INVALID_HANDLE);
        }
        return false;
    }
    if (!FlushFileBuffers(handle)) {
        if (errorText) {
            *errorText = SystemErrorText(GetLastError());
        }
        return false;
    }
    return true;
}

FileIdentity IdentityOf(QFile& file) {
    const HANDLE handle = NativeHandle(file);
    BY_HANDLE_FILE_INFORMATION info = {};
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) {
        return {};
    }
    return {info.dwVolumeSerialNumber,
            (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

void SyncFolderOf(const QString&) {}
