#include "Devices.h"

#include "Arguments.h"
#include "HidBackend.h"
#include "HidDevice.h"

const char kDevicesUsage[] =
    "usage: solamine-cli devices [--simulate]\n"
    "\n"
    "Lists the counters found (device path and hardware id) and whether each can be opened.\n"
    "Exit status: 0 one can be opened, 1 none found, 2 wrong arguments, 3 found but none can\n"
    "be opened.\n";

QString AccessHint() {
    return QStringLiteral(
        "this user may not open it. Install the udev rule (70-solamine.rules; the package "
        "installs it, see the README), then unplug the counter and plug it in again.");
}

int ListDevices(HidBackend& backend, const Printer& out, const Printer& err) {
    const QString pattern = QString::fromLatin1(DeviceIdPattern);
    int found = 0;
    int opened = 0;
    for (const HidDeviceInfo& device : backend.Enumerate()) {
        if (!MatchesPattern(device, pattern)) {
            continue;
        }
        ++found;
        const HidHandle handle = backend.Open(device.Path);
        const bool opens = handle != kInvalidHandle;
        backend.Close(handle);
        opened += opens;
        const QString path = QString::fromStdString(device.Path);
        out(path + u'\t' + QString::fromStdString(device.HardwareIds.front()) + u'\t' +
            (opens ? QStringLiteral("can be opened") : QStringLiteral("cannot be opened")));
        if (!opens) {
            err(QStringLiteral("solamine-cli: %1: %2").arg(path, AccessHint()));
        }
    }
    if (found == 0) {
        err(QStringLiteral("solamine-cli: no counter found (USB HID %1)").arg(pattern));
        return 1;
    }
    return opened > 0 ? 0 : 3;
}

int RunDevices(const QStringList& arguments) {
    QString error;
    const std::optional<Arguments> parsed =
        ParseArguments(arguments, {QStringLiteral("--simulate")}, {}, &error);
    if (!parsed || !parsed->Words.isEmpty()) {
        return WrongArguments(parsed ? QStringLiteral("devices takes no file") : error,
                              kDevicesUsage);
    }
    const auto backend = parsed->Flags.contains(QStringLiteral("--simulate"))
                             ? MakeSimulatedBackend()
                             : MakeHidapiBackend();
    return ListDevices(*backend, StdoutPrinter(), StderrPrinter());
}
