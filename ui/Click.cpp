#include "Click.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <cmath>
#include <optional>
#include <utility>

#include "DeviceSettings.h"
#include "NumberFormat.h"

namespace {

// A label ends where the box beside it begins. When the default font is wider than the one the
// layout was drawn for, the caption is narrowed rather than hidden under the box.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QPoint at, int room) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->move(at);
    label->adjustSize();
    QFont font = label->font();
    for (int stretch = 95; label->width() > room && stretch >= 50; stretch -= 5) {
        font.setStretch(stretch);
        label->setFont(font);
        label->adjustSize();
    }
    // Some font engines ignore stretch (Windows' own, for one); a smaller size fits there.
    const bool points = font.pointSizeF() > 0;
    for (qreal size = points ? font.pointSizeF() : font.pixelSize();
         label->width() > room && size > (points ? 6 : 8);) {
        size -= points ? 0.5 : 1;
        if (points) {
            font.setPointSizeF(size);
        } else {
            font.setPixelSize(int(size));
        }
        label->setFont(font);
        label->adjustSize();
    }
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QRect& geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(geometry);
    return edit;
}

// What each box takes: its tooltip, and the reason shown when 確定 refuses it.
struct BoxHelp {
    const char* ToolTip;
    const char* Reason;
};
constexpr BoxHelp kCoefficientHelp{
    QT_TRANSLATE_NOOP("TOKRightDlg", "グラフ係数: CPM あたりの µSv/h (有限の数)"),
    QT_TRANSLATE_NOOP("TOKRightDlg", "数を入力してください")};
constexpr BoxHelp kBackgroundHelp{QT_TRANSLATE_NOOP("TOKRightDlg", "バックグラウンド: CPM (整数)"),
                                  QT_TRANSLATE_NOOP("TOKRightDlg", "整数を入力してください")};
constexpr BoxHelp kDeviceCoefficientHelp{
    QT_TRANSLATE_NOOP("TOKRightDlg", "本体係数: 0〜0.65535 (0.00001 刻み)"),
    QT_TRANSLATE_NOOP("TOKRightDlg", "0〜0.65535 の数を入力してください")};
constexpr BoxHelp kDeviceBackgroundHelp{
    QT_TRANSLATE_NOOP("TOKRightDlg", "本体のバックグラウンド: 0〜65535 の整数"),
    QT_TRANSLATE_NOOP("TOKRightDlg", "0〜65535 の整数を入力してください")};

}  // namespace

TOKRightDlg::TOKRightDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("各種設定"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(330, 112);

    OKBtn = new QPushButton(tr("確定"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(124, 70, 81, 27);
    OKBtn->setDefault(true);
    Edit1 = MakeEdit(this, "Edit1", {63, 8, 90, 21});
    Label1 = MakeLabel(this, "Label1", tr("グラフ係数"), {8, 11}, 63 - 2 - 8);
    Label2 = MakeLabel(this, "Label2", tr("バックグラウンド"), {160, 11}, 235 - 2 - 160);
    Edit2 = MakeEdit(this, "Edit2", {235, 8, 87, 21});
    Label3 = MakeLabel(this, "Label3", tr("本体係数"), {8, 38}, 63 - 2 - 8);
    Label4 = MakeLabel(this, "Label4", tr("バックグラウンド"), {160, 38}, 235 - 2 - 160);
    Edit3 = MakeEdit(this, "Edit3", {63, 35, 90, 21});
    Edit4 = MakeEdit(this, "Edit4", {235, 35, 87, 21});
    const std::pair<QLineEdit*, BoxHelp> help[] = {{Edit1, kCoefficientHelp},
                                                   {Edit2, kBackgroundHelp},
                                                   {Edit3, kDeviceCoefficientHelp},
                                                   {Edit4, kDeviceBackgroundHelp}};
    for (const auto& [box, text] : help) {
        box->setToolTip(tr(text.ToolTip));
    }

    // The free space right of the button, in a small font so two lines fit.
    ReasonLabel = new QLabel(this);
    ReasonLabel->setObjectName(QStringLiteral("ReasonLabel"));
    ReasonLabel->setGeometry(210, 62, 116, 46);
    ReasonLabel->setWordWrap(true);
    ReasonLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ReasonLabel->setStyleSheet(QStringLiteral("color: #b00000"));
    QFont small = ReasonLabel->font();
    small.setPixelSize(10);
    ReasonLabel->setFont(small);
    for (QLineEdit* box : {Edit1, Edit2, Edit3, Edit4}) {
        connect(box, &QLineEdit::textEdited, ReasonLabel, &QLabel::clear);
    }

    setTabOrder(OKBtn, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, Edit4);

    connect(OKBtn, &QPushButton::clicked, this, &TOKRightDlg::OKBtnClick);
}

void TOKRightDlg::Refuse(QLineEdit* box, const char* reason) {
    // Showing which box and why spares the user a hunt.
    ReasonLabel->setText(tr(reason));
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
}

void TOKRightDlg::FormShow() {
    ReasonLabel->clear();
    Edit1->setText(NumberFormat::FormatGeneral(GraphCoefficient));
    Edit2->setText(QString::number(GraphBackground));
    Edit3->setText(DeviceCoefficientText(DeviceCoefficient));
    Edit4->setText(QString::number(DeviceBackground));
}

void TOKRightDlg::CounterValuesRead(std::uint16_t coefficient, std::uint16_t background) {
    const auto take = [this](QLineEdit* box, const QString& shown, const QString& read) {
        if (shown == read) {
            return;
        }
        if (!box->isModified() && box->text() == shown) {
            box->setText(read);
        } else {
            ReasonLabel->setText(tr("本体の値が読み直されました"));
        }
    };
    take(Edit3, DeviceCoefficientText(ReadDeviceCoefficient), DeviceCoefficientText(coefficient));
    take(Edit4, QString::number(ReadDeviceBackground), QString::number(background));
    ReadDeviceCoefficient = coefficient;
    ReadDeviceBackground = background;
}

void TOKRightDlg::OKBtnClick() {
    const std::optional<double> coefficient = NumberFormat::ParseFloat(Edit1->text());
    if (!coefficient || !std::isfinite(*coefficient)) {
        return Refuse(Edit1, kCoefficientHelp.Reason);
    }
    const std::optional<std::int32_t> background = NumberFormat::ParseInt32(Edit2->text());
    if (!background) {
        return Refuse(Edit2, kBackgroundHelp.Reason);
    }
    // The counter takes 16-bit values; anything outside would be sent as a different number.
    const std::optional<std::uint16_t> deviceCoefficient = ParseDeviceCoefficient(Edit3->text());
    if (!deviceCoefficient) {
        return Refuse(Edit3, kDeviceCoefficientHelp.Reason);
    }
    const std::optional<std::uint16_t> deviceBackground = ParseDeviceBackground(Edit4->text());
    if (!deviceBackground) {
        return Refuse(Edit4, kDeviceBackgroundHelp.Reason);
    }
    GraphCoefficient = *coefficient;
    GraphBackground = *background;
    DeviceCoefficient = *deviceCoefficient;
    DeviceBackground = *deviceBackground;
    accept();
}

void TOKRightDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window system re-showing the dialog (another desktop, un-hiding) must not wipe edits.
    if (!event->spontaneous()) {
        CentreOnScreen();  // here the frame's size is known, before the window appears
        FormShow();
        OKBtn->setFocus(Qt::OtherFocusReason);
    }
}

void TOKRightDlg::CentreOnScreen() {
    const QScreen* screen =
        parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
}
