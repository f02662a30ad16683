#pragma once

#include "MqttPublisher.h"
#include "PublishBacklog.h"

#include <functional>
#include <memory>

class StationLogger;

// The station's publishing to a broker: the publisher that the session's whole minutes go to,
// and its place in the log across restarts, so that the minutes logged while the broker or the
// station was away reach "minutes" after all.
struct StationPublishing {
    std::unique_ptr<MqttPublisher> Publisher;
    std::unique_ptr<PublishBacklog> Backlog;
};

// Publishes logger's minutes to the broker of settings from now on (now: local time as a
// DateTime value): first, in order, the minutes its log holds after the last one the broker
// acknowledged, then the live ones; the dose today goes on from the day's minutes in the log
// (StationLogger::ReadDaySoFar).
// notes hears the publisher's events and the backlog's, each as an English line.
StationPublishing StartPublishing(const MqttSettings& settings, StationLogger& logger, double now,
                                  const std::function<void(const QString& line)>& notes,
                                  const MqttPublisher::Timing& timing = {});
