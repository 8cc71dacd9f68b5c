#pragma once
// The code in a text field: what comes before its first carriage return or line feed. A text
// without either holds no code yet (the reader and the Enter key both end a code).

#include <QString>

inline QString ExtractCode(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) == '\r' || text.at(i) == '\n') return text.left(i);
    return {};
}
