#include "DbmsDatabase.h"

#include "DbmsDataSource.h"
#include "DbmsTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {
constexpr int kMaxEventDepth = 16;

QString SqlType(int type) {
    switch (type) {
    case DbmsType::Text:
        // Text compares without regard to case everywhere, indexes included.
        return "TEXT COLLATE NOCASE";
    case DbmsType::Date:
        return "TEXT";
    default:
        return "INTEGER";
    }
}

QString LinkTable(const DbmsTableDef& def, const DbmsReferenceDef& ref) {
    return def.Name + "__" + ref.Name;
}

QString SchemaKey(const QString& table) {
    return "Schema." + table;
}

// A version as the clerk reads it: "1.0", "1.3", "1.25".
QString VersionText(double version) {
    QString s = QString::number(version, 'g', 10);
    if (!s.contains('.')) s += ".0";
    return s;
}
} // namespace

DbmsDatabase::DbmsDatabase(std::vector<std::shared_ptr<DbmsTableDef>> tables, QString appName,
                           itfNotifyEvent* notify, std::shared_ptr<DbmsCurrency> conversion)
    : m_defs(std::move(tables)), m_appName(std::move(appName)), m_notify(notify),
      m_conversion(std::move(conversion)) {}

DbmsDatabase::~DbmsDatabase() = default;

DbmsDatabase::EventScope::EventScope(DbmsDatabase& db) : m_db(db) {
    if (m_db.m_eventDepth >= kMaxEventDepth)
        throw DbmsError(DbmsError::EventNesting,
                        "Troppi aggiornamenti annidati: le regole dei campi si richiamano "
                        "a vicenda senza fine");
    ++m_db.m_eventDepth;
}

void DbmsDatabase::NotifyEvent(int code, const QString& detail) {
    if (m_notify) m_notify->OnEvent(code, m_appName, detail);
}

void DbmsDatabase::Attach(std::shared_ptr<DbmsStorage> storage, bool, bool, bool, int,
                          itfProgress* progress) {
    if (!storage || !storage->IsOpen())
        throw DbmsError(DbmsError::NotOpen, "L'archivio non è aperto");
    m_storage = storage;
    m_mainCurrency.clear();
    try {
        RefuseNewerArchive();
        // An archive that already matches the definition is only read: opening it writes
        // nothing, so a read-only, full or damaged file still opens as it is.
        if (!StructureMatches()) {
            if (storage->ReadOnly())
                throw DbmsError(DbmsError::ReadOnly,
                                QString("Impossibile aggiornare la struttura dell'archivio %1 "
                                        "per questa versione del programma: il file è aperto "
                                        "in sola lettura")
                                    .arg(storage->Path()));
            UpdateStructure(progress);
        }
        storage->FinishCreate();
    } catch (...) {
        m_storage.reset();
        Touch();
        // A damaged file fails in SQLite's own words: told as the engine tells its errors.
        try {
            throw;
        } catch (const SQLite::Exception& e) {
            throw storage->Failure(e, "Errore nell'apertura dell'archivio");
        }
    }
    Touch();
}

void DbmsDatabase::RefuseNewerArchive() {
    // Stamping a newer archive with our older versions would hide that its rows may hold
    // what this program cannot read: the file is left as it is.
    for (const auto& def : m_defs) {
        auto& st = m_storage->Cached("SELECT Version FROM _Tables WHERE Name = ?");
        st.bind(1, def->Name.toStdString());
        const double recorded = st.executeStep() ? st.getColumn(0).getDouble() : 0.0;
        st.reset();
        if (recorded > def->Version)
            throw DbmsError(DbmsError::FileOpen,
                            QString("L'archivio %1 è stato scritto da una versione più recente "
                                    "del programma (tabella %2 versione %3, attesa %4): "
                                    "aggiornare il programma.")
                                .arg(m_storage->Path(), def->Name, VersionText(recorded),
                                     VersionText(def->Version)));
    }
}

bool DbmsDatabase::StructureMatches() {
    QStringList order;
    for (const auto& def : m_defs)
        order << def->Name;
    if (m_storage->MetaValue("Tables") != order.join(',')) return false;
    QSet<QString> objects;
    {
        SQLite::Statement st(m_storage->Connection(), "SELECT lower(name) FROM sqlite_master");
        while (st.executeStep())
            objects.insert(QString::fromStdString(st.getColumn(0).getString()));
    }
    for (const auto& def : m_defs) {
        auto& st = m_storage->Cached("SELECT Caption, Version FROM _Tables WHERE Name = ?");
        st.bind(1, def->Name.toStdString());
        if (!st.executeStep()) return false;
        const bool same = QString::fromStdString(st.getColumn(0).getString()) == def->Caption &&
                          st.getColumn(1).getDouble() == def->Version;
        st.reset();
        if (!same || !MissingColumns(*def).empty()) return false;
        for (const auto& [name, sql] : LinkTablesAndIndexes(*def))
            if (!objects.contains(name.toLower())) return false;
        if (m_storage->MetaValue(SchemaKey(def->Name)) != QString::fromUtf8(DbmsSchemaToJson(*def)))
            return false;
    }
    return true;
}

void DbmsDatabase::UpdateStructure(itfProgress* progress) {
    DbmsStorage& storage = *m_storage;
    struct Pending {
        const DbmsTableDef* Def;
        double Old;
        bool Created;
    };
    std::vector<Pending> pending;
    DbmsTransaction tr(storage);
    QStringList order;
    for (const auto& def : m_defs) {
        order << def->Name;
        auto& st = storage.Cached("SELECT Version FROM _Tables WHERE Name = ?");
        st.bind(1, def->Name.toStdString());
        if (!st.executeStep()) {
            CreateTable(*def);
            pending.push_back({def.get(), 0.0, true});
        } else {
            const double old = st.getColumn(0).getDouble();
            st.reset();
            UpgradeTable(*def);
            if (old != def->Version) pending.push_back({def.get(), old, false});
        }
        auto& up = storage.Cached(
            "INSERT OR REPLACE INTO _Tables (Name, Caption, Version) VALUES (?, ?, ?)");
        up.bind(1, def->Name.toStdString());
        up.bind(2, def->Caption.toStdString());
        up.bind(3, def->Version);
        up.exec();
        SaveSchema(*def);
    }
    storage.SetMetaValue("Tables", order.join(','));
    if (progress) progress->OnStart("Attach", qint64(pending.size()));
    qint64 done = 0;
    // Rules run once every structure exists: default rows may name other tables.
    for (const auto& p : pending) {
        NotifyEvent(DbmsEvent::UpdatingStructure, p.Def->Name);
        if (p.Def->Rules) {
            DbmsDataSource ds(shared_from_this(), *p.Def, DbmsOpenOptions{});
            p.Def->Rules->OnUpdatedTableStruct(ds, p.Def->Version, p.Old, p.Created);
            if (ds.IsDirty()) ds.Update();
        }
        if (progress) {
            bool go = true;
            progress->OnProgress("Attach", ++done, go);
        }
    }
    if (progress) progress->OnEnd("Attach");
    tr.Commit();
}

void DbmsDatabase::AttachAsStored(std::shared_ptr<DbmsStorage> storage) {
    if (!storage || !storage->IsOpen())
        throw DbmsError(DbmsError::NotOpen, "L'archivio non è aperto");
    m_storage = std::move(storage);
    m_mainCurrency.clear();
    Touch();
}

void DbmsDatabase::CreateTable(const DbmsTableDef& def) {
    // AUTOINCREMENT: an OID is never given out twice, even after the newest rows are deleted,
    // so a backup keyed by OID never mistakes a new row for an old one.
    QStringList cols{"OID INTEGER PRIMARY KEY AUTOINCREMENT"};
    for (const auto& f : def.Fields)
        cols << DbmsQuoteId(f.Name) + ' ' + SqlType(f.Type);
    for (const auto& r : def.References)
        if (!r.Multiple) cols << DbmsQuoteId("OID_" + r.Name) + " INTEGER";
    if (!def.ParentTable.isEmpty()) cols << DbmsQuoteId(def.ParentLinkField()) + " INTEGER";
    m_storage->Execute("CREATE TABLE " + DbmsQuoteId(def.Name) + " (" + cols.join(", ") + ")");
    for (const auto& [name, sql] : LinkTablesAndIndexes(def))
        m_storage->Execute(sql);
}

std::vector<std::pair<QString, QString>> DbmsDatabase::MissingColumns(const DbmsTableDef& def) {
    QSet<QString> existing;
    {
        SQLite::Statement info(m_storage->Connection(),
                               ("PRAGMA table_info(" + DbmsQuoteId(def.Name) + ")").toStdString());
        while (info.executeStep())
            existing.insert(QString::fromStdString(info.getColumn(1).getString()).toLower());
    }
    std::vector<std::pair<QString, QString>> missing;
    auto want = [&](const QString& name, const QString& type) {
        if (!existing.contains(name.toLower())) missing.emplace_back(name, type);
    };
    for (const auto& f : def.Fields)
        want(f.Name, SqlType(f.Type));
    for (const auto& r : def.References)
        if (!r.Multiple) want("OID_" + r.Name, "INTEGER");
    if (!def.ParentTable.isEmpty()) want(def.ParentLinkField(), "INTEGER");
    return missing;
}

void DbmsDatabase::UpgradeTable(const DbmsTableDef& def) {
    for (const auto& [name, type] : MissingColumns(def))
        m_storage->Execute("ALTER TABLE " + DbmsQuoteId(def.Name) + " ADD COLUMN " +
                           DbmsQuoteId(name) + ' ' + type);
    for (const auto& [name, sql] : LinkTablesAndIndexes(def))
        m_storage->Execute(sql);
}

std::vector<std::pair<QString, QString>>
DbmsDatabase::LinkTablesAndIndexes(const DbmsTableDef& def) {
    std::vector<std::pair<QString, QString>> out;
    const QString t = DbmsQuoteId(def.Name);
    auto index = [&](const QString& name, const QString& on, const QString& column) {
        out.emplace_back(name, "CREATE INDEX IF NOT EXISTS " + DbmsQuoteId(name) + " ON " + on +
                                   " (" + DbmsQuoteId(column) + ")");
    };
    for (const auto& r : def.References) {
        if (r.Multiple) {
            const QString link = LinkTable(def, r);
            out.emplace_back(link, "CREATE TABLE IF NOT EXISTS " + DbmsQuoteId(link) +
                                       " (OID_Owner INTEGER NOT NULL, OID_Item INTEGER NOT NULL, "
                                       "PRIMARY KEY (OID_Owner, OID_Item))");
            index(link + "_Item", DbmsQuoteId(link), "OID_Item");
        } else {
            // Deleting a target clears the references to it: keep that lookup indexed.
            index(def.Name + "_OID_" + r.Name, t, "OID_" + r.Name);
        }
    }
    if (!def.ParentTable.isEmpty())
        index(def.Name + "_" + def.ParentLinkField(), t, def.ParentLinkField());
    for (const auto& i : def.Indexes)
        index(i.Name.isEmpty() ? def.Name + "_" + i.Field : i.Name, t, i.Field);
    return out;
}

void DbmsDatabase::SaveSchema(const DbmsTableDef& def) {
    m_storage->SetMetaValue(SchemaKey(def.Name), QString::fromUtf8(DbmsSchemaToJson(def)));
}

QByteArray DbmsSchemaToJson(const DbmsTableDef& def) {
    QJsonObject o;
    o["Name"] = def.Name;
    o["Caption"] = def.Caption;
    o["ParentTable"] = def.ParentTable;
    o["ChildListCaption"] = def.ChildListCaption;
    o["Version"] = def.Version;
    QJsonArray fields, refs, idx;
    for (const auto& f : def.Fields)
        fields.append(QJsonObject{{"Name", f.Name}, {"Type", f.Type}, {"Size", f.Size}});
    for (const auto& r : def.References)
        refs.append(QJsonObject{{"Name", r.Name},
                                {"Target", r.Target},
                                {"Multiple", r.Multiple},
                                {"Owned", r.Owned},
                                {"Shown1", r.ShownField1},
                                {"Shown2", r.ShownField2}});
    for (const auto& i : def.Indexes)
        idx.append(QJsonObject{{"Field", i.Field}, {"Flag", i.Flag}, {"Name", i.Name}});
    o["Fields"] = fields;
    o["References"] = refs;
    o["Indexes"] = idx;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::shared_ptr<DbmsTableDef> DbmsSchemaFromJson(const QByteArray& json) {
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    if (o.isEmpty() || o["Name"].toString().isEmpty()) return nullptr;
    auto def = std::make_shared<DbmsTableDef>();
    def->Name = o["Name"].toString();
    def->Caption = o["Caption"].toString();
    def->ParentTable = o["ParentTable"].toString();
    def->ChildListCaption = o["ChildListCaption"].toString();
    def->Version = o["Version"].toDouble(1.0);
    for (const auto& v : o["Fields"].toArray()) {
        const auto f = v.toObject();
        def->Fields.push_back({f["Name"].toString(), f["Type"].toInt(), f["Size"].toInt()});
    }
    for (const auto& v : o["References"].toArray()) {
        const auto r = v.toObject();
        def->References.push_back({r["Name"].toString(), r["Target"].toString(),
                                   r["Multiple"].toBool(), r["Owned"].toBool(),
                                   r["Shown1"].toString(), r["Shown2"].toString()});
    }
    for (const auto& v : o["Indexes"].toArray()) {
        const auto i = v.toObject();
        def->Indexes.push_back({i["Field"].toString(), i["Flag"].toBool(), i["Name"].toString()});
    }
    return def;
}

std::vector<std::shared_ptr<DbmsTable>> DbmsDatabase::Tables() {
    std::vector<std::shared_ptr<DbmsTable>> out;
    for (const auto& d : m_defs)
        out.push_back(std::make_shared<DbmsTable>(shared_from_this(), *d));
    return out;
}

const DbmsTableDef* DbmsDatabase::TableDef(const QString& name) const {
    for (const auto& d : m_defs)
        if (d->Name.compare(name, Qt::CaseInsensitive) == 0) return d.get();
    return nullptr;
}

std::shared_ptr<DbmsTable> DbmsDatabase::Find(const QString& name) {
    const DbmsTableDef* def = TableDef(name);
    return def ? std::make_shared<DbmsTable>(shared_from_this(), *def) : nullptr;
}

std::shared_ptr<DbmsTable> DbmsDatabase::Item(const QString& name) {
    auto t = Find(name);
    if (!t) throw DbmsError(DbmsError::UnknownTable, QString("Tabella sconosciuta: %1").arg(name));
    return t;
}

std::shared_ptr<DbmsCurrency> DbmsDatabase::MainCurrency() const {
    // Read once per attach: money cells ask for it on every paint.
    if (m_mainCurrency.isEmpty())
        m_mainCurrency = m_storage ? m_storage->MetaValue("MainCurrency", "Euro") : "Euro";
    const QString& name = m_mainCurrency;
    if (name.compare("Lire", Qt::CaseInsensitive) == 0)
        return std::make_shared<DbmsCurrency>("Lire", 1.0);
    return std::make_shared<DbmsCurrency>("Euro", DbmsCurrency::LirePerEuro);
}

Money DbmsDatabase::ToConversionCurrency(Money amount) const {
    if (!m_conversion) return amount;
    const double factor = MainCurrency()->LirePerUnit() / m_conversion->LirePerUnit();
    return Money::FromDouble(amount.ToDouble() * factor);
}

QString DbmsDatabase::TextLiteral(const QString& text) {
    return '\'' + QString(text).replace('\'', "''") + '\'';
}

QString DbmsDatabase::NumberLiteral(double value) {
    if (std::isfinite(value) && std::fabs(value) < 1e15 && value == std::trunc(value))
        return QString::number(qint64(value));
    QString s = QString::number(value, 'f', 10);
    while (s.endsWith('0'))
        s.chop(1);
    if (s.endsWith('.')) s.chop(1);
    return s;
}

QString DbmsDatabase::NumberLiteral(qint64 value) {
    return QString::number(value);
}

QString DbmsDatabase::DateLiteral(const QDate& value) {
    return '#' + value.toString("MM/dd/yyyy") + '#';
}

QString DbmsDatabase::DateLiteral(const QDateTime& value) {
    return DateLiteral(value.date());
}

QString DbmsDatabase::PatternLiteral(const QString& pattern) {
    // The filter dialect itself keeps every character but "*" and "?" literal.
    return TextLiteral(pattern);
}

void DbmsDatabase::BeginTrans() {
    if (!m_storage) throw DbmsError(DbmsError::NotOpen, "L'archivio non è aperto");
    m_storage->Begin();
}

void DbmsDatabase::CommitTrans() {
    if (!m_storage) throw DbmsError(DbmsError::NotOpen, "L'archivio non è aperto");
    m_storage->Commit();
    Touch();
}

void DbmsDatabase::Rollback() {
    if (!m_storage) throw DbmsError(DbmsError::NotOpen, "L'archivio non è aperto");
    m_storage->Rollback();
    Touch();
}
