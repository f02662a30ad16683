#include "SettingsCommand.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "Click.h"
#include "DeviceLink.h"
#include "SampleDisplay.h"

#include <QScopeGuard>

void SetClick(TOKRightDlg& dlg, GraphSettings& graph, std::uint16_t& deviceCoefficient,
              std::uint16_t& deviceBackground, const SetClickHooks& hooks) {
    dlg.GraphCoefficient = graph.GraphCoefficient;
    dlg.GraphBackground = graph.GraphBackground;
    dlg.DeviceCoefficient = deviceCoefficient;
    dlg.DeviceBackground = deviceBackground;
    dlg.ReadDeviceCoefficient = deviceCoefficient;
    dlg.ReadDeviceBackground = deviceBackground;

    const bool accepted = hooks.RunDialog ? hooks.RunDialog() : dlg.exec() == QDialog::Accepted;
    if (!accepted) {
        return;
    }
    graph.GraphCoefficient = dlg.GraphCoefficient;
    graph.GraphBackground = dlg.GraphBackground;
    hooks.RebuildDisplay();

    // A reconnect while the dialog was open reads the counter's values afresh: a value the user
    // left as the dialog showed it takes those, so the counter never gets back a value nobody
    // entered.
    const std::uint16_t coefficient = dlg.DeviceCoefficient != dlg.ReadDeviceCoefficient
                                          ? dlg.DeviceCoefficient
                                          : deviceCoefficient;
    const std::uint16_t background =
        dlg.DeviceBackground != dlg.ReadDeviceBackground ? dlg.DeviceBackground : deviceBackground;
    if (coefficient == deviceCoefficient && background == deviceBackground) {
        return;
    }
    if (hooks.Connected()) {
        deviceCoefficient = coefficient;
        deviceBackground = background;
        hooks.WriteDeviceSettings(deviceCoefficient, deviceBackground);
        return;
    }
    const QString text = QCoreApplication::translate("SettingsCommand", "接続されていません。");
    const QString caption = QCoreApplication::translate("SettingsCommand", "接続確認");
    if (hooks.MessageBox) {
        hooks.MessageBox(text, caption);
    } else {
        ShowPlainMessage(text, caption);
    }
}

void SetClickOnLink(TOKRightDlg& dlg, GraphSettings& graph, DeviceLink& link,
                    std::function<void()> rebuildDisplay,
                    const std::function<bool(TOKRightDlg&)>& runDialog,
                    std::function<void(const QString&, const QString&)> messageBox) {
    SetClickHooks hooks;
    hooks.RunDialog = [&] {
        // A reconnect while the dialog is open reads the counter afresh: the dialog shows it.
        const QMetaObject::Connection reads = QObject::connect(
            &link, &DeviceLink::DeviceSettingsRead, &dlg,
            [&] { dlg.CounterValuesRead(link.DeviceCoefficient, link.DeviceBackground); });
        const auto disconnectReads = qScopeGuard([reads] { QObject::disconnect(reads); });
        return runDialog ? runDialog(dlg) : dlg.exec() == QDialog::Accepted;
    };
    hooks.RebuildDisplay = std::move(rebuildDisplay);
    hooks.Connected = [&link] { return link.Connected(); };
    hooks.WriteDeviceSettings = [&link](std::uint16_t, std::uint16_t) {
        link.WriteDeviceSettings();
    };
    hooks.MessageBox = std::move(messageBox);
    SetClick(dlg, graph, link.DeviceCoefficient, link.DeviceBackground, hooks);
}

void ShowPlainMessage(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    box.exec();
}
