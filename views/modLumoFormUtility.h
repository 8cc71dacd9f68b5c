#pragma once
// Rules the main window's commands share on a data source: the order a field's menu entry or
// column heading leads to, and the Like conditions built from text the user typed.

#include <QString>

class DbmsDataSource;

// The order after asking for `text` on a data source ordered by `current`. A single field
// name turns its direction each time (name alone, then DESC, then ASC, then DESC...); several
// fields or a direction already given are taken as they are; an empty text removes the order.
QString NextOrder(const QString& current, const QString& text);
// Sets that order on `ds`.
void SetDataSourceOrder(DbmsDataSource& ds, const QString& text);

// "*" + text + "*" when the text may stand anywhere in the field, text + "*" at its start.
QString SearchPattern(const QString& text, bool internal);
// `field` Like the pattern as a quoted literal: only * and ? of the user's text act as
// wildcards, anything else (quotes, %, _, brackets, "AND") is searched for as it is.
QString LikeCondition(const QString& field, const QString& pattern);
