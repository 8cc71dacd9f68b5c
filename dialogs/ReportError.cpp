#include "ReportError.h"

#include "DbmsTypes.h"
#include "frmShowException.h"
#include "itfPrompter.h"

namespace {

constexpr qint64 kObjectErrorBase = qint32(quint32(DbmsError::ObjectErrorBase)); // -2147221504
constexpr qint64 kOwnErrorSpan = 0x7FFC0000;
constexpr qint64 kInternalError = 51; // the platform's number for an internal error
constexpr int kShownLength = 200;

// Numbers are 32-bit, so the engine's 0x8004xxxx reads as negative, like the platform's.
qint32 AsLong(qint64 number) {
    return qint32(quint32(number));
}

QString FirstCharacters(const QString& text, int count) {
    if (text.size() <= count) return text;
    // Never split a character made of two UTF-16 units.
    return text.left(text.at(count - 1).isHighSurrogate() ? count - 1 : count);
}

} // namespace

QString ErrorCodeText(qint64 number) {
    const qint32 n = AsLong(number);
    const qint64 distance = n - kObjectErrorBase;
    return QString::number(distance < kOwnErrorSpan ? distance : n) + " (" +
           QString::number(quint32(n), 16).toUpper() + ")";
}

void ReportError(const clsSettings& settings, const QString& text, qint64 number,
                 const QString& description, QWidget* owner) {
    const qint64 engineCode = AsLong(number) - kObjectErrorBase;
    const QString shown =
        engineCode == 124 || engineCode == 32755
            ? kEngineMessage124
            : FirstCharacters(text.isEmpty() ? description : text, kShownLength) + " ...";
    if (ShowMessage(owner, shown + "\r\rVisualizzare dettagli ?", PromptIcon::Critical,
                    PromptButtons::YesNo, PromptAnswer::No) != PromptAnswer::Yes)
        return;

    frmShowException window(settings, owner);
    window.SetException(ErrorCodeText(number), description);
    Prompter().Exec(window);
}

QString ErrorDescription(const std::exception& error) {
    if (const auto* engine = dynamic_cast<const DbmsError*>(&error)) return engine->Description();
    return QString::fromUtf8(error.what());
}

void ReportError(const clsSettings& settings, const QString& text, const std::exception& error,
                 QWidget* owner) {
    if (const auto* engine = dynamic_cast<const DbmsError*>(&error))
        ReportError(settings, text, engine->Number(), engine->Description(), owner);
    else
        ReportError(settings, text, kInternalError, QString::fromUtf8(error.what()), owner);
}
