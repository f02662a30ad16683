#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class DeviceLink;
class TOKRightDlg;
struct GraphSettings;

// What the settings command needs from the main window and the device link.
struct SetClickHooks {
    // Shows the dialog modally; true when it closed with OK. Empty: the dialog's own exec().
    std::function<bool()> RunDialog;
    std::function<void()> RebuildDisplay;
    std::function<bool()> Connected;
    // Sends the two device values, which the caller's members already hold, to the counter.
    std::function<void(std::uint16_t coefficient, std::uint16_t background)> WriteDeviceSettings;
    // Shows a plain note to the user. Empty: ShowPlainMessage.
    std::function<void(const QString& text, const QString& caption)> MessageBox;
};

// The settings command: shows the dialog with the four current values and, after OK, applies the
// graph settings and redraws. Device values the user changed from what the dialog showed are
// stored and sent only while connected, otherwise the user is told so and the old device values
// stay; a device value left as shown keeps what the caller holds by then (a reconnect's
// handshake may have read the counter meanwhile).
void SetClick(TOKRightDlg& dlg, GraphSettings& graph, std::uint16_t& deviceCoefficient,
              std::uint16_t& deviceBackground, const SetClickHooks& hooks);

// SetClick on the counter's link: the dialog hears the handshake's reading of a counter that
// reconnects while it is open, and the changed values go to the counter by commands 1 and 3.
// runDialog and messageBox empty: the dialog's exec() and ShowPlainMessage.
void SetClickOnLink(TOKRightDlg& dlg, GraphSettings& graph, DeviceLink& link,
                    std::function<void()> rebuildDisplay,
                    const std::function<bool(TOKRightDlg&)>& runDialog,
                    std::function<void(const QString&, const QString&)> messageBox);

// A modal message box without owner or icon and with one OK button.
void ShowPlainMessage(const QString& text, const QString& caption);
