#pragma once

#include "MapRequests.h"

#include <QString>

// A change in an upload worth a line of its own. The station words it in English
// (cli/ErrorText).
struct MapEvent {
    enum class Kind {
        Resumed,     // the service took a reading again after failures
        Failing,     // a reading could not be sent; it is tried again (Answer says why)
        SlowedDown,  // the service said "too soon": readings go more slowly from now on
        Refused,     // a refusal retrying will not change: this service stops
        Dropped,     // readings were waiting up to the limit: the oldest, of DroppedTime, went
    };
    MapService Service = MapService::Radmon;
    Kind What = Kind::Resumed;
    MapAnswer Answer;
    QString Url;             // the request's, secrets masked (MaskedUrl)
    int Waiting = 0;         // readings waiting after this
    int NextTrySeconds = 0;  // Failing, SlowedDown: the pause before the next request
    double DroppedTime = 0;  // Dropped: the dropped reading's minute (a DateTime value)
};
