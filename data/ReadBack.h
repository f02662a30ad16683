#pragma once

#include "SampleLog.h"

#include <span>

// Whether a log's samples survive our writer: a file is rewritten in the "yy/mm/dd, hh:nn" form,
// so a time with seconds, or a year outside the hundred years that two digits read back as,
// would come back as another sample.

// The index of the first sample whose time would read back differently after the writer
// formats it and the reader reads it with currentYear; -1 when every sample reads back the
// same. Counts are written as they are, so only times can differ.
int FirstSampleNotReadBack(std::span<const Sample> samples, int currentYear);
