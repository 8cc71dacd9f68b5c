#pragma once
// Rows of a table, of a reference or of a collection, with a current row. The ordered list of
// row identifiers is read lazily from an open cursor and values are read on demand, so a
// data source over a million rows opens at once.

#include "DbmsFilter.h"
#include "DbmsTable.h"

#include <QObject>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>

// Reports one step of a long operation; throws DbmsError(Stopped) when the user stops it.
void DbmsCheckProgress(itfProgress& progress, const QString& operation, qint64 position);

class DbmsDataSource : public QObject, public std::enable_shared_from_this<DbmsDataSource> {
    Q_OBJECT
public:
    // What the rows are: a whole table, or the rows an owner row names through a reference.
    struct Binding {
        QString OwnerTable; // empty for a plain table data source
        OID Owner = 0;
        QString Reference; // reference name on the owner (or on the owner's parent)
        bool Multiple = false;
        bool Owned = false;
        OID SingleTarget = 0; // single references: the row named when the data source was made
    };

    DbmsDataSource(std::shared_ptr<DbmsDatabase> db, const DbmsTableDef& def,
                   DbmsOpenOptions options);
    DbmsDataSource(std::shared_ptr<DbmsDatabase> db, const DbmsTableDef& def,
                   DbmsOpenOptions options, Binding binding);
    ~DbmsDataSource() override;

    std::shared_ptr<DbmsTable> Table() const;
    const DbmsTableDef& TableDef() const { return m_def; }
    std::shared_ptr<DbmsDatabase> Database() const { return m_db; }
    const std::vector<DbmsFieldInfo>& Fields() const { return m_fields; }
    const DbmsFieldInfo* FieldInfo(const QString& name) const; // ignores case
    const Binding& ReferenceBinding() const { return m_binding; }
    bool IsSummary() const { return m_options.Summary; }
    const QString& Detail() const { return m_options.Detail; }
    bool CurrencyConversion() const { return m_options.CurrencyConversion; }
    void SetCurrencyConversion(bool on) { m_options.CurrencyConversion = on; }

    // --- rows and navigation ---
    qint64 RowCount();
    bool IsEmpty();
    // Whether the whole list of rows has been read (adding a row does not read it).
    bool IsLoaded() const { return m_complete; }
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    bool EOF_() { return AtEnd(); }
    bool AtEnd();
    bool BOF() const { return m_pos < 0; }
    // Moves to the row at a position (0-based); false when there is none.
    bool MoveTo(qint64 position);
    qint64 Position() const { return m_pos; }
    bool HasCurrentRow();
    OID CurrentOID();
    bool IsNewRow() const { return m_isNew; }
    // Positions on the row with this OID; false (position unchanged) when it is not here.
    bool Locate(OID oid);
    // Finds the next row, in this data source's order, matching a filter condition; from the
    // first row or after the current one.
    bool FindNext(const QString& condition, int reserved = 0, bool fromCurrent = false);
    // OID of the row at a position without moving (grids); 0 past the end.
    OID OIDAt(qint64 position);
    // Position of a row, or -1.
    qint64 PositionOf(OID oid);

    // --- values of the current row ---
    QVariant GetValue(const QString& field);
    // The display text: money with two decimals and grouping ("1.500.000,00"), dates
    // dd/MM/yyyy hh:mm, optionally converted into the other currency.
    QString GetText(const QString& field, bool convert = false);
    // Values of any row by position, read a page at a time (grids).
    QVariant ValueAt(qint64 position, const QString& field);
    QString TextAt(qint64 position, const QString& field, bool convert = false);
    void SetValue(const QString& field, const QVariant& value);
    bool IsDirty() const { return m_dirty; }
    // Whether the data source can be left now (no unsaved changes).
    bool CanLeave() const { return !m_dirty && !m_isNew; }

    // --- changes ---
    // Starts a new row (OnNewRow runs); Update stores it.
    void AddNew();
    OID AddRow(const DbmsFieldValues& pairs);
    void Update();
    void CancelUpdate();
    void Delete();
    // Deletes every row of this data source, reporting progress; all or nothing.
    void DeleteAll(itfProgress* progress = nullptr);

    // --- references of the current row ---
    std::shared_ptr<DbmsDataSource> GetReference(const QString& name);
    // References of a row by OID without moving (hierarchical grids).
    std::shared_ptr<DbmsDataSource> GetReferenceOf(OID owner, const QString& name);
    void SetReference(const QString& name, OID oid, bool remove = false);
    void SetReference(const QString& name, DbmsDataSource& rows, bool remove = false);

    // --- aggregates ---
    QVariant Sum(const QString& field);

    // --- filter and order ---
    void ApplyFilter(const QString& filter);
    const QString& Filter() const { return m_applied; }
    const QString& BaseFilter() const { return m_options.Filter; }
    void SetOrder(const QString& order);
    const QString& Order() const { return m_order; }
    const QString& BaseOrder() const { return m_options.Order; }
    // Reads the rows again (keeps the current row when it is still there).
    void Refresh(bool keepPosition = true, int reserved1 = 0, int reserved2 = 0);
    std::shared_ptr<DbmsDataSource> Clone();

    // --- engine internals used by transfer and export ---
    // SQL over this data source's rows: FROM/JOIN clause and WHERE condition with parameters.
    struct Query {
        QString From;
        QString Where;
        QVariantList Params;
        QString OrderBy;
        QVariantList OrderParams;
        QString Sql(const QString& select, bool ordered) const;
        void Bind(SQLite::Statement& st, bool ordered) const;
        void And(const QString& condition, const QVariantList& params = {});
    };
    // OIDs as a JSON array, for `t.OID IN (SELECT value FROM json_each(?))`.
    static QString OidArray(const std::vector<OID>& oids);
    Query BuildQuery(const QString& extraCondition = QString()) const;
    // The SQL expression of a column, over the aliases t (this table) and p (the parent).
    QString ColumnSql(const DbmsFieldInfo& field) const;
    static QString CountSql(const DbmsTableDef& def, const DbmsReferenceDef& ref);
    class Resolver;

signals:
    // Every field update of the current row, after the value is set and the rules have run.
    void FieldUpdated(const QString& field);

private:
    void BuildFields();
    void ResetCursor();
    bool EnsureRows(qint64 count);
    qint64 ScanFor(OID oid, qint64 from); // reads on from a position until the row turns up
    std::vector<DbmsOrderKey> OrderKeys() const;
    // The first rows of an ordered list by a query of their own, which SQLite answers without
    // sorting every row; the cursor then goes on after the last of them.
    void ReadFirstRows();
    static constexpr qint64 FirstRows = 256;
    void EnsureCurrentLoaded();
    std::vector<QVariant> ReadRow(OID oid);
    std::vector<QVariant> ReadRowAs(OID parent);
    int ColumnIndex(const QString& field) const; // throws UnknownField
    void FireFieldEvents(const QString& field);
    void SetParentLink(OID parent);
    void LinkToOwner(OID oid);
    void LeaveCurrent();
    const std::vector<QVariant>* PageRow(qint64 position);
    QVariant ValueAt(qint64 position, int column);
    itfSetData* Rules() const { return m_def.Rules; }

    std::shared_ptr<DbmsDatabase> m_db;
    std::shared_ptr<DbmsStorage> m_storage; // the file this data source reads
    const DbmsTableDef& m_def;
    const DbmsTableDef* m_parent = nullptr;
    DbmsOpenOptions m_options;
    Binding m_binding;
    QString m_applied;
    QString m_order;
    std::vector<DbmsFieldInfo> m_fields;
    std::unordered_map<QString, int> m_fieldIndex; // lower-case name → column
    std::unordered_map<QString, int> m_exactIndex; // name as defined → column, no case folding
    QString m_selectList;                          // every column, in m_fields order
    QString m_from;                                // FROM clause: the table and its parent's join
    QString m_readRowSql;                          // every column of one row by OID
    QString m_cursorSql;              // the SQL of m_cursor, to give it back to the storage's pool
    QString m_insertSql;              // a new row: every stored column
    std::vector<int> m_storedColumns; // the columns m_insertSql binds

    // The ordered row list, filled lazily from m_cursor.
    std::vector<OID> m_oids;
    // The cursor's query until the cursor is first stepped.
    std::optional<Query> m_cursorQuery;
    std::unique_ptr<SQLite::Statement> m_cursor;
    bool m_complete = false;
    // Rows added or changed through this data source since the list was made: they keep the
    // place they were given whatever their values, and the cursor passes over them.
    std::unordered_set<OID> m_appended;
    qint64 m_count = -1; // cached COUNT while the list is incomplete
    // Position of each of the first rows of m_oids, filled as far as it was needed.
    std::unordered_map<OID, qint64> m_positions;

    // Current row.
    qint64 m_pos = -1;
    std::vector<QVariant> m_row;
    OID m_rowOid = 0;
    bool m_loaded = false;
    bool m_isNew = false;
    bool m_dirty = false;
    std::vector<bool> m_changed;

    // Page cache for reads by position.
    static constexpr qint64 PageSize = 64;
    std::map<qint64, std::vector<std::vector<QVariant>>> m_pages;
    quint64 m_pageGeneration = 0;
};
