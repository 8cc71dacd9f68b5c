#pragma once
// The grid layout of one table, kept in the layout file (Tessarin.INI): which fields the grid
// shows, in which sequence, and how wide each column is.
//
// File form, one group per table:
//   [Clienti]
//   FieldSequence=Codice,Descrizione,Punti   (field names joined by ","; absent = all fields)
//   Widths\Descrizione=2400                  (column width in twips, one key per field)

#include "DbmsTypes.h"

#include <QStringList>
#include <map>
#include <memory>

class DbmsDataSource;

class DbmsGridLayout {
public:
    // The layout stored for `tableName`; an empty one when the file or the group is missing.
    static std::shared_ptr<DbmsGridLayout> Load(const QString& iniPath, const QString& tableName);

    DbmsGridLayout(QString iniPath, QString tableName);
    // Writes the layout back when it was changed and not closed; errors are swallowed here,
    // Close() is where they are reported.
    ~DbmsGridLayout();
    DbmsGridLayout(const DbmsGridLayout&) = delete;
    DbmsGridLayout& operator=(const DbmsGridLayout&) = delete;

    const QString& TableName() const { return m_table; }

    // Field names joined by ","; empty means every field in the view's own order. Blanks
    // around names, empty entries and repeated names are dropped when set.
    QString FieldSequence() const { return m_sequence.join(u','); }
    void SetFieldSequence(const QString& sequence);
    bool HasCustomSequence() const { return !m_sequence.isEmpty(); }

    // Width in twips of a field's column, -1 when none is stored. Field names ignore case.
    int ColumnWidth(const QString& field) const;
    // A negative width forgets the stored one.
    void SetColumnWidth(const QString& field, int width);

    // No sequence, no widths.
    void Reset();

    // Writes the layout into the file when it changed since it was loaded or last written.
    // Throws DbmsError (FileOpen) when the file cannot be written.
    void Close();

    // The fields a grid shows for `ds`, in order: those of the sequence that the data source
    // has (with its spelling), or — with no sequence, or none of its fields left — every
    // field of the data source that is not excluded, in its own order.
    QStringList VisibleFields(const DbmsDataSource& ds) const;

private:
    void Read();

    QString m_path;
    QString m_table;
    QStringList m_sequence;
    std::map<QString, std::pair<QString, int>> m_widths; // lower-case field → (field, twips)
    bool m_changed = false;
};
