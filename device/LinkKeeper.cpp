#include "LinkKeeper.h"

#include "DeviceLink.h"

#include <QTimer>

LinkKeeper::LinkKeeper(DeviceLink& link, QObject* parent) : QObject(parent), link_(link) {
    timer_ = new QTimer(this);
    timer_->setInterval(kCheckIntervalMs);
    connect(timer_, &QTimer::timeout, this, &LinkKeeper::Check);
    connect(&link_, &DeviceLink::StateChanged, this, &LinkKeeper::Update);
    connect(&link_, &DeviceLink::DeviceChanged, this, &LinkKeeper::Reconnect);
}

void LinkKeeper::Start() {
    wanted_ = true;
    lost_ = false;
    timer_->start();
    link_.StartClick();
    Update();
}

void LinkKeeper::Stop() {
    Release();
    link_.StopClick();
}

void LinkKeeper::Release() {
    wanted_ = false;
    timer_->stop();
    Update();
}

void LinkKeeper::Check() {
    if (wanted_ && link_.ReadsFailing()) {
        link_.StopClick();
    }
    Reconnect();
}

void LinkKeeper::Reconnect() {
    // Never inside a command's wait: a nested handshake would leave the outer one waiting for
    // an answer that never comes. The timer tries again once the wait has ended.
    if (!wanted_ || link_.Connected() || link_.Waiting() || !link_.CounterPresent()) {
        return;
    }
    link_.StartClick();
    Update();
}

void LinkKeeper::Update() {
    State state = State::Idle;
    if (wanted_ && link_.Connected()) {
        state = State::Connected;
    } else if (wanted_) {
        lost_ = lost_ || state_ == State::Connected;
        state = lost_ ? State::Lost : State::NotFound;
    }
    if (state != state_) {
        state_ = state;
        emit StateChanged(state_);
    }
}
