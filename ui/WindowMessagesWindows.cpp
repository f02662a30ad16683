#include "WindowMessages.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>
#include <utility>

#include <windows.h>

namespace {

// Broadcast messages reach every top-level window of the program. A device change counts once,
// in the main window. The session's end counts in whichever window hears of it first: the system
// may end the process as soon as any of them has answered.
class MainWindowFilter final : public QObject, public QAbstractNativeEventFilter {
public:
    MainWindowFilter(QWidget* window, std::function<void(int)> onDeviceChange,
                     std::function<void()> onSessionEnd)
        : QObject(window),
          window_(window),
          onDeviceChange_(std::move(onDeviceChange)),
          onSessionEnd_(std::move(onSessionEnd)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~MainWindowFilter() override {
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->removeNativeEventFilter(this);
        }
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override {
        if (eventType != "windows_generic_MSG" || window_.isNull()) {
            return false;
        }
        const MSG* msg = static_cast<const MSG*>(message);
        switch (msg->message) {
            case WM_DEVICECHANGE: {
                if (msg->hwnd == nullptr ||
                    msg->hwnd != reinterpret_cast<HWND>(window_->internalWinId())) {
                    return false;
                }
                const int code = int(msg->wParam);
                QMetaObject::invokeMethod(
                    this, [this, code] { onDeviceChange_(code); }, Qt::QueuedConnection);
                return false;  // the default handling answers the system
            }
            case WM_QUERYENDSESSION:
                // No question, as with the close button: the session may end.
                *result = TRUE;
                return true;
            case WM_ENDSESSION:
                if (msg->wParam != FALSE && !ended_) {
                    ended_ = true;
                    onSessionEnd_();
                }
                *result = 0;
                return true;
            default:
                return false;
        }
    }

private:
    QPointer<QWidget> window_;
    std::function<void(int)> onDeviceChange_;
    std::function<void()> onSessionEnd_;
    bool ended_ = false;
};

}  // namespace

void RouteWindowMessages(QWidget* window, std::function<void(int)> onDeviceChange,
                         std::function<void()> onSessionEnd) {
    new MainWindowFilter(window, std::move(onDeviceChange), std::move(onSessionEnd));
}
