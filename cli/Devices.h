#pragma once

#include "CliOutput.h"

#include <QString>
#include <QStringList>

class HidBackend;

// "devices [--simulate]": the matching counters, and whether each can be opened.
extern const char kDevicesUsage[];

// What to do when a counter is there but cannot be opened.
QString AccessHint();

// Writes one line per matching counter to out (device path, hardware id, whether it opens) and
// the fix for those that do not open to err. Returns the exit status: 0 when one can be opened,
// 1 when none is found, 3 when one is found but none can be opened.
int ListDevices(HidBackend& backend, const Printer& out, const Printer& err);

int RunDevices(const QStringList& arguments);
