#pragma once
// Every "now" and "today" of the program comes from here, so tests can stand on any day.

#include <QDate>
#include <QDateTime>

class DbmsClock {
public:
    static QDateTime Now();
    static QDate Today() { return Now().date(); }
    // Freezes the clock at `moment` (tests); Reset() returns to the system clock.
    static void SetFixed(const QDateTime& moment);
    static void Reset();

    // Programs call this first thing in main: with TZ unset, glibc looks at /etc/localtime
    // again on every local-time conversion, which made dates the slowest part of reading and
    // writing rows. Naming the zone file once keeps the same zone and drops that cost.
    static void PinTimeZone();
};
