#pragma once
// The one-off conversion of an archive kept in lire into euro: every amount of every table
// divided by the fixed rate, all tables or none.

class QWidget;
class DbmsDatabase;
class clsSettings;
class itfWorkWindow;

namespace modCurrencyConversion {

// Asks for confirmation (warning when the archive was converted before), converts in one
// transaction with a step per table, and records CurrencyConverted only once committed.
// True when the archive was converted.
bool ConvertArchive(DbmsDatabase& db, clsSettings& settings, itfWorkWindow& work, QWidget* owner);

} // namespace modCurrencyConversion
