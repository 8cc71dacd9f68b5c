#pragma once
// The common report of unexpected errors: a short box saying what failed, and on request the
// details window with the error's code and full text.

#include <QString>
#include <exception>

class QWidget;
class clsSettings;

// Shown instead of the caller's text for the engine's "operation not completed" errors.
inline const QString kEngineMessage124 = "Impossibile completare l'operazione richiesta.";

// The code shown for an error number (taken as 32 bits): the distance from the object-error
// base for the engine's errors, the number itself for the others; then the number in
// hexadecimal in brackets. Engine error 124 gives "124 (8004007C)", error 53 "53 (35)".
QString ErrorCodeText(qint64 number);

// The description of a caught error, as the reports show it after their context text.
QString ErrorDescription(const std::exception& error);

// Reports the error `number` with its `description`. `text` says what failed; when empty the
// description is shown instead. The details window takes its support address from `settings`.
void ReportError(const clsSettings& settings, const QString& text, qint64 number,
                 const QString& description, QWidget* owner = nullptr);
// The same for a caught exception: a DbmsError brings its own number, anything else is
// reported as an internal error.
void ReportError(const clsSettings& settings, const QString& text, const std::exception& error,
                 QWidget* owner = nullptr);
