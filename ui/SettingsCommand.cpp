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

    const bool accepted = hooks.RunDialog ? hooks.RunDialog() : dlg.exec() == QDialog::Accepted;
    if (!accepted) {
        return;
    }
    graph.GraphCoefficient = dlg.GraphCoefficient;
    graph.GraphBackground = dlg.GraphBackground;
    hooks.RebuildDisplay();

    if (dlg.DeviceCoefficient == deviceCoefficient && dlg.DeviceBackground == deviceBackground) {
        return;
    }
    if (hooks.Connected()) {
        deviceCoefficient = dlg.DeviceCoefficient;
        deviceBackground = dlg.DeviceBackground;
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
