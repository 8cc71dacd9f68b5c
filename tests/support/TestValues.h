#pragma once
// Small values and helpers the tests write again and again, and readable failure messages for
// texts. Header only: the engine's own tests use it too.

#include "DbmsTypes.h"

#include <QString>
#include <QVariant>
#include <csignal>
#include <functional>
#include <ostream>
#include <sys/resource.h>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// A money field's value in whole euros, or in the engine's ten-thousandths.
inline QVariant Amount(qint64 whole) {
    return QVariant::fromValue(Money::FromWhole(whole));
}
inline QVariant AmountUnits(qint64 units) {
    return QVariant::fromValue(Money::FromUnits(units));
}

// The error an action raises; code 0 and "(no error)" when it raises none.
inline DbmsError Raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const DbmsError& e) {
        return e;
    }
    return DbmsError(0, "(no error)");
}

// While it lives, writing past the end of an empty file fails (EFBIG) as on a full disk, for
// root too.
struct FileSizeLimit {
    rlimit old{};
    void (*handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    FileSizeLimit() {
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit none{0, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
    }
};
