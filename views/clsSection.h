#pragma once
// What a node of the section tree shows: the table read, its fixed filter and order, the
// summary options, and the field the date selection works on. Worked out anew on every view.

#include <QDate>
#include <QString>

class clsSection {
public:
    QString Table;
    QString FixedFilter;
    QString Order;
    QString Detail;
    bool Summary = false;
    QString DateField;

    // The section a tree node key stands for; a key that names no list is a table name.
    static clsSection FromKey(const QString& key);
    // The date field of a table's views: "Data" for the sale operations and their detail
    // tables, none for the others.
    static QString DateFieldOf(const QString& table);
};

// The condition of the date selection on `field`: the month of `date` when `month`, else
// its day when `day`, else empty (all rows).
QString DateSelectionCondition(const QString& field, bool month, bool day, const QDate& date);

// Caption, tooltip and menu caption of the date selection button, from the caption of the
// section's date field (empty when the section has none).
struct DateSelectionCaption {
    QString Caption;
    QString ToolTip;
    QString MenuCaption;
};
DateSelectionCaption MakeDateSelectionCaption(const QString& fieldCaption, bool month, bool day,
                                              const QDate& date);
