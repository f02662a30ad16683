#include "SettingsCommand.h"

#include <QMessageBox>

#include "Click.h"
#include "SampleDisplay.h"

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
    const QString text = QStringLiteral("接続されていません。");
    const QString caption = QStringLiteral("接続確認");
    if (hooks.MessageBox) {
        hooks.MessageBox(text, caption);
    } else {
        ShowPlainMessage(text, caption);
    }
}

void ShowPlainMessage(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    box.exec();
}
