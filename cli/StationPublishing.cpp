#include "StationPublishing.h"

#include "ErrorText.h"
#include "StationLogger.h"

using namespace CliText;

StationPublishing StartPublishing(const MqttSettings& settings, StationLogger& logger, double now,
                                  const std::function<void(const QString& line)>& notes,
                                  const MqttPublisher::Timing& timing) {
    StationPublishing publishing;
    publishing.Publisher = std::make_unique<MqttPublisher>(
        settings, [notes](const MqttEvent& event) { notes(MqttEventText(event)); });
    publishing.Publisher->SetTiming(timing);
    publishing.Backlog =
        std::make_unique<PublishBacklog>(*publishing.Publisher, settings.StationId);
    QObject::connect(publishing.Backlog.get(), &PublishBacklog::MarkFailed,
                     [notes](const FileError& error) {
                         notes(QStringLiteral("MQTT: cannot keep the place in the log: ") +
                               FileErrorText(error));
                     });
    const StationOptions& options = logger.Options();
    const PublishBacklog::Followed followed =
        publishing.Backlog->Follow({options.File, options.DailyDir}, options.Settings, now);
    if (followed.Error) {
        notes(QStringLiteral("MQTT: no minutes from before the start are published: ") +
              FileErrorText(*followed.Error));
    } else if (followed.Replayed > 0) {
        notes(QStringLiteral("MQTT: %1 minute(s) logged before the start wait for the broker")
                  .arg(followed.Replayed));
    }
    logger.ReadDaySoFar(now);
    logger.Session().AddPublisher(publishing.Publisher.get());
    publishing.Publisher->Start();
    return publishing;
}
