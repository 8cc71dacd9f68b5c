#include "modSettingText.h"

#include <limits>

namespace modSettingText {

namespace {
const char* const kDateFormat = "dd/MM/yyyy";
const char* const kDateTimeFormat = "dd/MM/yyyy HH:mm:ss";
} // namespace

bool ParseBoolSetting(const QString& text) {
    const QString word = text.trimmed().toUpper();
    return !(word == "FALSE" || word == "FALSO" || word == "NO" || word == "0");
}

qint64 ParseLeadingNumber(const QString& text) {
    qsizetype at = 0;
    while (at < text.size() && text[at].isSpace())
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    qint64 value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        // Saturate rather than wrap: a runaway number must not come back as a small one.
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10) {
            value = std::numeric_limits<qint64>::max();
            break;
        }
        value = value * 10 + (text[at].unicode() - '0');
    }
    return negative ? -value : value;
}

QString FormatSettingDate(const QDateTime& moment) {
    if (!moment.isValid()) return {};
    const QTime time = moment.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return moment.toString(kDateFormat);
    return moment.toString(kDateTimeFormat);
}

QDateTime ParseSettingDate(const QString& text) {
    // Hand-edited stores may drop leading zeros or the seconds.
    static const char* const formats[] = {"d/M/yyyy H:m:s", "d/M/yyyy H:m", "d/M/yyyy"};
    const QString trimmed = text.trimmed();
    for (const char* format : formats) {
        const QDateTime moment = QDateTime::fromString(trimmed, format);
        if (moment.isValid()) return moment;
    }
    return {};
}

} // namespace modSettingText
