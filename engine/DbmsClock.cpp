#include "DbmsClock.h"

#include <QtGlobal>

#include <ctime>

namespace {
QDateTime g_fixed; // invalid = follow the system clock
}

QDateTime DbmsClock::Now() {
    if (g_fixed.isValid()) return g_fixed;
    // Stored dates have whole seconds; drop the milliseconds so a value read back compares equal.
    QDateTime now = QDateTime::currentDateTime();
    return now.addMSecs(-now.time().msec());
}

void DbmsClock::SetFixed(const QDateTime& moment) {
    g_fixed = moment;
}
void DbmsClock::Reset() {
    g_fixed = QDateTime();
}

void DbmsClock::PinTimeZone() {
    if (qEnvironmentVariableIsEmpty("TZ")) {
        qputenv("TZ", ":/etc/localtime");
        tzset();
    }
}
