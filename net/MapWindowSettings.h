#pragma once

#include "MapSettings.h"

#include <QString>
#include <array>

// One map the window may upload to: whether it does, and as whom, where and how often.
struct MapWindowUpload {
    bool Enabled = false;
    MapUpload Upload;

    friend bool operator==(const MapWindowUpload&, const MapWindowUpload&) = default;
};

// The window's uploads: one of each service, off until the user turns it on.
struct MapWindowSettings {
    std::array<MapWindowUpload, 3> Maps{{{false, DefaultMapUpload(MapService::Radmon)},
                                         {false, DefaultMapUpload(MapService::GmcMap)},
                                         {false, DefaultMapUpload(MapService::Safecast)}}};
    QString CaFile;  // a CA trusted besides the system's; empty: none

    MapWindowUpload& Of(MapService service) { return Maps[size_t(service)]; }
    const MapWindowUpload& Of(MapService service) const { return Maps[size_t(service)]; }

    friend bool operator==(const MapWindowSettings&, const MapWindowSettings&) = default;
};

// Whether the map is usable as it stands: its user or account and counter, or its position, and
// its secret (radmon's password, Safecast's key) where it takes one.
bool IsCompleteMapUpload(const MapUpload& upload);

// The file of its own that keeps service's secret ("radmon-password", "safecast-key"); empty for
// a service without one (GMC).
QString MapSecretFileName(MapService service);

// The window's uploads from section "Maps" of its INI file: per service (prefix "Radmon", "Gmc",
// "Safecast") "Enabled", "Every" (minutes), "URL" (empty: the public address), and "RadmonUser",
// "GmcAccount", "GmcCounter", "SafecastLatitude", "SafecastLongitude", "SafecastDevice"; "CA".
// A map whose user, counter or position cannot be used reads as not enabled. Secrets are never
// in this file. Never writes.
MapWindowSettings LoadMapWindowSettings(const QString& iniPath);

// Writes the keys of section "Maps", keeping every other line, and leaves the file readable by
// its owner only; throws a FileFailure with a WriteSettings error at the first key that cannot
// be written.
void SaveMapWindowSettings(const QString& iniPath, const MapWindowSettings& settings);
