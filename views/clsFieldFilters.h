#pragma once
// The per-field filters of the main window's view: one per text field, in menu order, each
// either off or on a pattern. The texts shown to the user and the filter given to the data
// source are both built from this state, so what the user typed reaches the archive only as
// a quoted literal.

#include <QStringList>
#include <vector>

class clsFieldFilters {
public:
    // The fields that can be filtered, in menu order; every filter off.
    void Reset(const QStringList& fields);
    int Count() const { return int(m_items.size()); }
    // The position of `field` (case ignored), -1 when it has no filter of its own.
    int IndexOf(const QString& field) const;
    // Filters the field at `index` on `text`, contained in it when `internal`, else at its
    // start; an empty text removes that field's filter.
    void Set(int index, const QString& text, bool internal);
    void Clear();
    bool IsActive() const { return !Shown().isEmpty(); }

    // The menu caption at `index`: the field, or "field = pattern" while it filters.
    QString Caption(int index) const;
    // The filter as the user reads it: the captions of the active filters joined by " AND ".
    QString Shown() const;
    // The filter given to the data source: each active field Like its quoted pattern.
    QString Applied() const;

    // The status line after filtering: "Attivato filtro (...)" or "Nessun filtro".
    static QString StatusText(const QString& shown);
    static QString CancelledText() { return "Disattivato filtro"; }

private:
    struct Item {
        QString Field;
        QString Pattern; // empty while off
    };
    std::vector<Item> m_items;
};
