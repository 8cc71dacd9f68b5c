#pragma once
// The program's clock frozen for as long as this lives, so every "now" of a test is known.

#include "DbmsClock.h"

class FixedClock {
public:
    explicit FixedClock(const QDateTime& now) { DbmsClock::SetFixed(now); }
    ~FixedClock() { DbmsClock::Reset(); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};
