#include "SampleLog.h"

void SampleLog::AddToLast(std::int32_t count) {
    // Signed overflow is undefined in C++; the unsigned sum gives the two's-complement wrap.
    Sample& last = samples_.back();
    last.Cpm = std::int32_t(std::uint32_t(last.Cpm) + std::uint32_t(count));
}
