#pragma once

#include "FileError.h"
#include "MapEvent.h"
#include "MqttPublisher.h"

#include <QString>

struct MqttSettings;

// The window's words for what the lower folders report: the described Japanese messages. Every
// error the window shows, puts in the status bar or prints on stderr is worded here.

// Why, as the messages quote it: the system's text, or the window's words for the code
// ("通常のファイルではありません", "912 MiB を超える大きさです", ...).
QString ReasonText(const FileError& error);
// The message for one error: "ファイル PATH は開けません。 REASON " for a read (the full path),
// "ファイル "PATH" を作成できません。REASON" for a write (the full path), "PATH に書き込めません"
// for settings, "PATH を読みません (REASON)。既定の設定を使い、書き込みません" for a refused INI.
QString FileErrorText(const FileError& error);
// Each error of the failure, one a line.
QString FailureText(const FileFailure& failure);

// The words for a connection test's outcome, also the status bar's tooltip.
QString ProbeText(const MqttSettings& settings, MqttPublisher::Failure failure,
                  const QString& reason);
// The line the window prints on stderr for a change of the publisher's connection.
QString MqttEventText(const MqttEvent& event);

// A map's name as the window shows it: "radmon", "GMC マップ", "Safecast".
QString MapServiceCaption(MapService service);
// What service answered an upload, in a sentence without its full stop: taken, "too soon", refused
// (GMC's ERR1 and ERR2 by name), an error or no answer.
QString MapAnswerText(MapService service, const MapAnswer& answer);
// The line the window prints on stderr for a change in an upload.
QString MapEventText(const MapEvent& event);
