#pragma once
// A defined database, attached to one archive file. Owns the table definitions and the rules
// objects for as long as it lives; data sources keep it alive.

#include "DbmsDefinition.h"
#include "DbmsStorage.h"

#include <QObject>
#include <memory>
#include <vector>

class DbmsTable;
class DbmsDataSource;

// Engine event codes reported through itfNotifyEvent::OnEvent.
namespace DbmsEvent {
constexpr int ReadingData = 1;
constexpr int UpdatingStructure = 2;
constexpr int Transferring = 3;
constexpr int Exporting = 4;
constexpr int Deleting = 5;
} // namespace DbmsEvent

// A currency: its name and how many lire make one unit of it.
class DbmsCurrency {
public:
    static constexpr double LirePerEuro = 1936.27;
    DbmsCurrency(QString name, double lirePerUnit) : m_name(std::move(name)), m_lire(lirePerUnit) {}
    const QString& Name() const { return m_name; }
    double LirePerUnit() const { return m_lire; }

private:
    QString m_name;
    double m_lire;
};

class DbmsDatabase : public std::enable_shared_from_this<DbmsDatabase> {
public:
    static constexpr int StateOpen = 5;
    static constexpr int StateClosed = 0;

    DbmsDatabase(std::vector<std::shared_ptr<DbmsTableDef>> tables, QString appName,
                 itfNotifyEvent* notify, std::shared_ptr<DbmsCurrency> conversion);
    ~DbmsDatabase();

    // Brings the archive's structure up to date with the definition, in one transaction:
    // missing tables are created (their rules then add default rows), missing columns added,
    // tables of an older recorded version upgraded by their rules. An archive written by a
    // newer program is refused and left untouched; one that already matches is not written
    // at all; a read-only one that does not match is refused. A storage made by CreateFile is
    // put in place once this succeeds. The repair options and the further arguments of the
    // original call have no meaning here.
    void Attach(std::shared_ptr<DbmsStorage> storage, bool opt1 = true, bool opt2 = false,
                bool opt3 = false, int reserved = 0, itfProgress* progress = nullptr);
    // Binds to an archive whose structure is taken as it is (no creation, no rules).
    void AttachAsStored(std::shared_ptr<DbmsStorage> storage);

    int State() const { return m_storage ? StateOpen : StateClosed; }
    std::shared_ptr<DbmsStorage> Storage() const { return m_storage; }
    const QString& AppName() const { return m_appName; }
    itfNotifyEvent* Notify() const { return m_notify; }

    // Tables in definition order; Item finds one by name, ignoring case, or throws.
    std::vector<std::shared_ptr<DbmsTable>> Tables();
    std::shared_ptr<DbmsTable> Item(const QString& name);
    std::shared_ptr<DbmsTable> Find(const QString& name); // nullptr when missing
    const DbmsTableDef* TableDef(const QString& name) const;
    const std::vector<std::shared_ptr<DbmsTableDef>>& TableDefs() const { return m_defs; }

    std::shared_ptr<DbmsCurrency> MainCurrency() const;
    std::shared_ptr<DbmsCurrency> ConversionCurrency() const { return m_conversion; }
    void SetConversionCurrency(std::shared_ptr<DbmsCurrency> c) { m_conversion = std::move(c); }
    // Converts an amount in the main currency into the conversion currency.
    Money ToConversionCurrency(Money amount) const;

    // Literals for filter texts built from user input: quotes doubled, "." as decimal
    // separator, dates as #mm/dd/yyyy# (the time is dropped).
    static QString TextLiteral(const QString& text);
    static QString NumberLiteral(double value);
    static QString NumberLiteral(qint64 value);
    static QString DateLiteral(const QDateTime& value);
    static QString DateLiteral(const QDate& value);
    // A "*" pattern as a quoted Like operand ("*l'u*" → '*l''u*'): "*" and "?" are its only
    // wildcards, any other character is searched for as written.
    static QString PatternLiteral(const QString& pattern);

    void BeginTrans();
    void CommitTrans();
    void Rollback();

    // --- engine internals ---
    // Raised at every write; page caches of data sources compare it.
    quint64 Generation() const { return m_generation; }
    void Touch() { ++m_generation; }
    // Guards event handlers against endless recursion.
    class EventScope {
    public:
        explicit EventScope(DbmsDatabase& db);
        ~EventScope() { --m_db.m_eventDepth; }

    private:
        DbmsDatabase& m_db;
    };
    void NotifyEvent(int code, const QString& detail);

private:
    // Throws when a table was written by a newer version of the program.
    void RefuseNewerArchive();
    bool StructureMatches();
    void UpdateStructure(itfProgress* progress);
    void CreateTable(const DbmsTableDef& def);
    void UpgradeTable(const DbmsTableDef& def);
    // Columns (name, SQL type) the table lacks in the archive.
    std::vector<std::pair<QString, QString>> MissingColumns(const DbmsTableDef& def);
    // The link tables and indexes of a table: (name, statement that makes it when missing).
    static std::vector<std::pair<QString, QString>> LinkTablesAndIndexes(const DbmsTableDef& def);
    void SaveSchema(const DbmsTableDef& def);

    std::vector<std::shared_ptr<DbmsTableDef>> m_defs;
    std::shared_ptr<DbmsStorage> m_storage;
    QString m_appName;
    itfNotifyEvent* m_notify;
    std::shared_ptr<DbmsCurrency> m_conversion;
    mutable QString m_mainCurrency; // name of the main currency, read from the archive once
    quint64 m_generation = 0;
    int m_eventDepth = 0;
};

// Reads a table definition stored in an archive (see DbmsDatabase::AttachAsStored).
std::shared_ptr<DbmsTableDef> DbmsSchemaFromJson(const QByteArray& json);
QByteArray DbmsSchemaToJson(const DbmsTableDef& def);
