#pragma once

#include "MapSettings.h"
#include "Publisher.h"
#include "StationSnapshot.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

struct Arguments;
class PublishBacklog;
class QObject;
class StationLogger;

// The options of "log" that upload to the public maps; all take a value.
inline const QStringList kUploadOptions{QStringLiteral("--radmon"),
                                        QStringLiteral("--radmon-password-file"),
                                        QStringLiteral("--gmcmap"),
                                        QStringLiteral("--safecast"),
                                        QStringLiteral("--safecast-key-file"),
                                        QStringLiteral("--safecast-device"),
                                        QStringLiteral("--upload-every"),
                                        QStringLiteral("--upload-url"),
                                        QStringLiteral("--upload-ca")};

// Whether this build uploads to maps (Qt Network); the Windows build does not.
extern const bool kHasMapUploads;

// The secrets that may come by environment instead of a file.
struct UploadSecrets {
    QString RadmonPassword;
    QString SafecastKey;
};

// The maps that --radmon, --gmcmap and --safecast name, with their companions, the secrets from
// their files or else from environment. Returns true and leaves settings without uploads when
// none is named; returns false and sets error when an option is not valid, a secret is missing
// or its file cannot be used, or this build has no uploads.
bool ReadUploadOptions(const Arguments& arguments, const UploadSecrets& environment,
                       MapSettings& settings, QString* error);

// The station's uploads: an uploader per map, a publisher of the logger's session, and for the
// maps that take a time their place in the log across restarts.
struct StationUploads {
    std::vector<std::unique_ptr<Publisher>> Uploaders;
    std::vector<std::unique_ptr<PublishBacklog>> Backlogs;
    // Each map's waiting readings and whether it stopped, for the web API and metrics.
    std::function<std::vector<UploadStatus>()> Status;
    // Calls changed in context whenever Status may have changed, until context goes.
    std::function<void(QObject* context, std::function<void()> changed)> OnChanged;

    StationUploads();
    StationUploads(StationUploads&&) noexcept;
    StationUploads& operator=(StationUploads&&) noexcept;
    ~StationUploads();
    // Writes the marks that wait; at the end.
    void Flush();
};

// Uploads logger's minutes to the maps of settings from now on (now: local time as a DateTime
// value): first, in order, the minutes its log holds after the last one each map took (radmon,
// Safecast; up to seven days back), then the live ones. notes hears each upload's events as an
// English line. Returns no uploads and sets error when the CA file cannot be used.
StationUploads StartUploads(const MapSettings& settings, StationLogger& logger, double now,
                            const std::function<void(const QString& line)>& notes, QString* error,
                            const MapTiming& timing = {});
