#pragma once

#include <QObject>

class DeviceLink;
class QTimer;

// Keeps the link to the counter up from the user's Start until their Stop. An unplug stops the
// link as DeviceLink does; a matching counter that appears later (a device-change notice, or
// the keeper's own check every second) is opened again with a new handshake, so the counter's
// settings are read afresh. The same when Start found no counter. A link whose reads fail
// although no notice came is stopped and reconnected the same way. GUI thread only.
class LinkKeeper : public QObject {
    Q_OBJECT

public:
    enum class State {
        Idle,       // not wanted: before Start, after Stop
        Connected,  // wanted and connected
        NotFound,   // wanted, and no counter was connected since Start
        Lost,       // wanted, and the counter went away: waiting for it to come back
    };

    // How often a wanted but missing counter is looked for besides the notices.
    static constexpr int kCheckIntervalMs = 1000;

    explicit LinkKeeper(DeviceLink& link, QObject* parent = nullptr);

    // The wish begins: the link's StartClick.
    void Start();
    // The wish ends, then the link's StopClick.
    void Stop();
    // The wish ends and nothing else happens; for the program's end, which stops the link its
    // own way.
    void Release();

    State CurrentState() const { return state_; }

    // Looks for the counter now when it is wanted and not connected, and checks that a connected
    // one still reads; the timer does this every kCheckIntervalMs.
    void Check();

signals:
    void StateChanged(LinkKeeper::State state);

private:
    void Reconnect();
    void Update();

    DeviceLink& link_;
    QTimer* timer_ = nullptr;
    bool wanted_ = false;
    bool lost_ = false;
    State state_ = State::Idle;
};
