#include "CrashWorld.h"

#include "DB.h"
#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsEngine.h"
#include "DbmsTable.h"
#include "ScriptedWork.h"
#include "TestValues.h"
#include "clsArchiveGenerator.h"
#include "clsArchiveSession.h"
#include "clsBackupRestore.h"
#include "clsSettings.h"
#include "frmVendite.h"
#include "modCurrencyConversion.h"
#include "modDatabaseRepair.h"
#include "modImportArchive.h"
#include "modSettingText.h"

#include <QCryptographicHash>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace {

const QString kCard = "CRASH-C", kArticle = "CRASH-A", kPrize = "CRASH-P";
constexpr qint64 kPoints = 1000000, kStock = 1000000;

const QStringList kSuccess = {"Operazione completata", "OPERAZIONE COMPLETATA.",
                              "Conversione terminata.", "Recupero completato"};
bool IsSuccess(const QString& text) {
    return kSuccess.contains(text) || text.startsWith("Operazione confermata.");
}
bool IsFailure(const PromptMessage& m) {
    // The rows a repair salvaged, told before its end: a notice, not a failure.
    return !IsSuccess(m.Text) && !m.Text.startsWith("Archivio danneggiato: righe recuperate") &&
           (m.Buttons != PromptButtons::YesNo || m.Text.contains("Visualizzare dettagli"));
}

// The archive at `path` opened as the program opens it: its storage and its database.
auto Attach(clsArchiveSession& session, const QString& path, DB& definition) {
    auto storage = std::make_shared<DbmsStorage>();
    storage->Open(clsArchiveSession::StorageFormat, path);
    auto db = session.Engine().DefineDatabase(definition, "Tessarin", nullptr, nullptr, 0);
    db->Attach(storage, true, false, false, 0, nullptr);
    return std::pair{storage, db};
}

// Rows of a query on an archive opened by SQLite alone (a journal left by a kill is rolled
// back on opening, as the program would).
std::vector<QStringList> Rows(SQLite::Database& db, const QString& sql) {
    std::vector<QStringList> rows;
    SQLite::Statement st(db, sql.toStdString());
    while (st.executeStep()) {
        QStringList row;
        for (int i = 0; i < st.getColumnCount(); ++i) {
            const SQLite::Column c = st.getColumn(i);
            row << (c.isNull() ? QStringLiteral("\x01") : QString::fromStdString(c.getString()));
        }
        rows.push_back(row);
    }
    return rows;
}
qint64 Number(SQLite::Database& db, const QString& sql) {
    const auto rows = Rows(db, sql);
    return rows.empty() ? 0 : rows.front().value(0).toLongLong();
}

// The rows of every table of the archive at `path`, as a fingerprint; "missing" without one.
QString ArchiveFingerprint(const QString& path) {
    if (!QFileInfo::exists(path)) return "missing";
    QCryptographicHash hash(QCryptographicHash::Sha1);
    try {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
        for (const QStringList& table :
             Rows(db, "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name NOT "
                      "LIKE 'sqlite_%' ORDER BY name")) {
            hash.addData(table.join('\x02').toUtf8());
            // Rows in the order of all their values: the same rows give the same print.
            const QString all = "SELECT * FROM " + DbmsQuoteId(table[0]);
            QStringList order;
            for (int i = 1; i <= SQLite::Statement(db, all.toStdString()).getColumnCount(); ++i)
                order << QString::number(i);
            for (const QStringList& row : Rows(db, all + " ORDER BY " + order.join(',')))
                hash.addData(row.join('\x02').toUtf8() + '\x03');
        }
    } catch (const std::exception& e) {
        return QString("unreadable: ") + e.what();
    }
    return QString::fromLatin1(hash.result().toHex());
}

// Every problem SQLite and the rules find in the archive at `path` (empty: none). A sale's
// amount may differ from the sum of its lines by `amountSlack` ten-thousandths a line: each
// amount converted from lire is rounded on its own.
QStringList ArchiveProblems(const QString& path, int amountSlack) {
    QStringList problems;
    try {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
        for (const QStringList& row : Rows(db, "PRAGMA integrity_check"))
            if (row[0] != "ok") problems << "integrity: " + row[0];
        if (!problems.isEmpty()) return problems;
        QSet<QString> tables;
        for (const QStringList& row :
             Rows(db, "SELECT name FROM sqlite_master WHERE type = 'table'"))
            tables << row[0];

        // Each sale adds up: its amount and points are the sums of its lines, bonuses, prizes.
        const auto sum = [](const QString& link, const QString& table, const QString& field) {
            return QString("IFNULL((SELECT SUM(x.%3) FROM OperazioniVendite__%1 l JOIN %2 x ON "
                           "x.OID = l.OID_Item WHERE l.OID_Owner = s.OID), 0)")
                .arg(link, table, field);
        };
        if (tables.contains("OperazioniVendite")) {
            const auto bad =
                Rows(db, "SELECT s.OID FROM OperazioniVendite s WHERE ABS(IFNULL(Importo, 0) - " +
                             sum("Articoli", "ArticoliVenduti", "ImportoVendita") + ") > " +
                             QString::number(amountSlack) +
                             " * (1 + (SELECT COUNT(*) FROM OperazioniVendite__Articoli l WHERE "
                             "l.OID_Owner = s.OID))" +
                             " OR IFNULL(PuntiAssegnati, 0) <> " +
                             sum("Articoli", "ArticoliVenduti", "PuntiAssegnati") +
                             " OR IFNULL(PuntiBonus, 0) <> " +
                             sum("Bonus", "BonusAssegnati", "PuntiAssegnati") +
                             " OR IFNULL(PuntiSpesi, 0) <> " +
                             sum("Premi", "PremiAssegnati", "PuntiSpesi"));
            if (!bad.empty())
                problems
                    << QString("%1 sales do not add up (first: %2)").arg(bad.size()).arg(bad[0][0]);
        }

        // No link, reference or parent pointing at a missing row.
        DB definition;
        DbmsEngine engine;
        const auto known = engine.DefineDatabase(definition, QString(), nullptr, nullptr, 0);
        const auto missing = [&](const QString& what, const QString& sql) {
            if (const qint64 n = Number(db, sql)) problems << QString("%1 %2").arg(n).arg(what);
        };
        for (const auto& def : known->TableDefs()) {
            if (!tables.contains(def->Name)) continue;
            const QString t = DbmsQuoteId(def->Name);
            const auto dangling = [&](const QString& column, const QString& target) {
                missing(def->Name + "." + column + " to a missing " + target,
                        "SELECT COUNT(*) FROM " + t + " r WHERE " + column + " IS NOT NULL AND " +
                            column + " <> 0 AND NOT EXISTS (SELECT 1 FROM " + DbmsQuoteId(target) +
                            " x WHERE x.OID = r." + column + ")");
            };
            if (!def->ParentTable.isEmpty()) dangling(def->ParentLinkField(), def->ParentTable);
            for (const auto& ref : def->References) {
                if (!ref.Multiple) {
                    dangling("OID_" + ref.Name, ref.Target);
                    continue;
                }
                const QString link = def->Name + "__" + ref.Name;
                if (!tables.contains(link)) continue;
                missing("links of " + link + " to a missing row",
                        "SELECT COUNT(*) FROM " + DbmsQuoteId(link) +
                            " l WHERE NOT EXISTS (SELECT 1 FROM " + t +
                            " x WHERE x.OID = l.OID_Owner) OR NOT EXISTS (SELECT 1 FROM " +
                            DbmsQuoteId(ref.Target) + " y WHERE y.OID = l.OID_Item)");
            }
        }
    } catch (const std::exception& e) {
        problems << QString("unreadable: ") + e.what();
    }
    return problems;
}

} // namespace

bool CrashOpFromText(const QString& text, CrashOp& op) {
    const auto* name = std::find(std::begin(kCrashOpNames), std::end(kCrashOpNames), text);
    op = CrashOp(name - std::begin(kCrashOpNames));
    return name != std::end(kCrashOpNames);
}

PromptAnswer CrashPrompter::Message(QWidget* owner, const PromptMessage& message) {
    if (OnMessage) OnMessage(message);
    Answer(message.Buttons != PromptButtons::YesNo                      ? PromptAnswer::Ok
           : message.Text.contains("visualizzare", Qt::CaseInsensitive) ? PromptAnswer::No
                                                                        : PromptAnswer::Yes);
    return ScriptedPrompter::Message(owner, message);
}

int CrashPrompter::Exec(QDialog& dialog) {
    Dialog([](QDialog&) { return int(QDialog::Accepted); });
    return ScriptedPrompter::Exec(dialog);
}

CrashPrompter::Outcome CrashPrompter::Told() const {
    Outcome told;
    for (const auto& asked : History()) {
        if (asked.Kind != "message") continue;
        const bool success = IsSuccess(asked.Message.Text);
        told.SuccessAfterFailure =
            told.SuccessAfterFailure || (success && !told.Failures.isEmpty());
        told.Succeeded = told.Succeeded || success;
        if (IsFailure(asked.Message)) told.Failures << asked.Message.Text;
    }
    return told;
}

void CrashWorld::UseSettings() const {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir + "/config");
}

CrashWorld CrashWorld::CopyTo(const QString& dir) const {
    // Done here rather than by a cp: the disk-fault runs copy the world hundreds of times.
    const auto copy = [](const auto& self, const QString& from, const QString& to) -> bool {
        bool ok = QDir().mkpath(to);
        for (const QFileInfo& entry : QDir(from).entryInfoList(QDir::Files | QDir::Dirs |
                                                               QDir::NoDotAndDotDot | QDir::Hidden))
            ok = (entry.isDir() ? self(self, entry.filePath(), to + "/" + entry.fileName())
                                : QFile::copy(entry.filePath(), to + "/" + entry.fileName())) &&
                 ok;
        return ok;
    };
    QDir(dir).removeRecursively();
    if (!copy(copy, m_dir, dir)) throw std::runtime_error("cannot copy the crash world");
    return CrashWorld(dir);
}

void CrashWorld::Make(int customers, int sales) const {
    for (const char* sub : {"work", "backup", "import", "config"})
        QDir().mkpath(m_dir + "/" + sub);
    UseSettings();
    DbmsClock::SetFixed(Moment());
    clsArchiveGenerator({customers, 5, 30, sales, 3, 5, 5, 1}).Generate(Work());
    clsArchiveGenerator({10, 2, 10, 30, 2, 2, 2, 2}).Generate(Source());

    // The counter's own customer, article and prize: plenty of points and stock, so that
    // every sale confirms; the generated prizes expired, so that only this one is handed out.
    clsArchiveSession session;
    DB definition;
    auto [storage, db] = Attach(session, Work(), definition);
    auto add = [&](const QString& table, const DbmsFieldValues& values) {
        return db->Item(table)->OpenDataSource()->AddRow(values);
    };
    storage->Execute("UPDATE TabellaPremi SET Scadenza = '2000-01-01 00:00:00'");
    const OID scheme =
        add("TabellaPunti", {{"Descrizione", "1 ogni 10"}, {"ValorePunto", Amount(10)}});
    add("Articoli", {{"Codice", kArticle}, {"Importo", Amount(100)}, {"Punti", scheme}});
    add("Clienti", {{"Codice", kCard}, {"Cognome", "Crash"}, {"Punti", kPoints}});
    add("TabellaPremi", {{"Descrizione", kPrize},
                         {"PuntiNecessari", 5},
                         {"Cumulabile", false},
                         {"Disponibilita", kStock},
                         {"Scadenza", Moment().addYears(1)}});
    auto cash = db->Item("TipiPagamento")->OpenDataSource("Descrizione = 'Contanti'");
    cash->MoveFirst();
    clsSettings settings;
    settings.WriteSetting("OperazioniVendite", "PagamentoDefault",
                          QString::number(cash->CurrentOID()));
    storage->Close();

    // The backup holds the archive as it was; since then sales went and customers changed.
    QFile::copy(Work(), Backup());
    std::tie(storage, db) = Attach(session, Work(), definition);
    db->Item("OperazioniVendite")
        ->OpenDataSource("OID <= " + QString::number(sales / 5))
        ->DeleteAll();
    storage->Execute("UPDATE Clienti SET Cognome = Cognome || ' bis' WHERE OID % 3 = 0");
    storage->Close();
    QFile file(m_dir + "/work.fingerprint");
    file.open(QIODevice::WriteOnly);
    file.write(ArchiveFingerprint(Work()).toUtf8());
    DbmsClock::Reset();
}

void CrashWorld::Run(CrashOp op, int run, CrashPrompter& prompter,
                     const std::function<void()>& start) const {
    DbmsClock::SetFixed(Moment().addSecs(run));
    clsSettings settings;
    settings.RootDir = m_dir + "/work";
    settings.BackupDir = m_dir + "/backup";
    settings.AutoIdentify_Premi = true;
    settings.AutoIdentify_Bonus = false;
    clsArchiveSession session;
    ScriptedWork work;
    DB definition;
    if (op != CrashOp::Repair) {
        try {
            const auto [storage, db] = Attach(session, Work(), definition);
            session.SetStorage(storage);
            session.SetDatabase(db);
        } catch (const std::exception& e) {
            // The program tells the clerk it cannot open the archive; so does this.
            prompter.Message(nullptr, {QString("Impossibile aprire l'archivio: ") + e.what()});
            return;
        }
    }
    const auto backup = [&](bool restore, const clsBackupSelection& selection = {}) {
        clsBackupRestore(session, settings, work, nullptr).BackupRestoreData(restore, selection);
    };
    if (start && op != CrashOp::Sale) start();
    switch (op) {
    case CrashOp::Sale: {
        auto customer =
            session.Database()->Item("Clienti")->OpenDataSource("Codice = '" + kCard + "'");
        customer->MoveFirst();
        frmVendite w(session, settings);
        w.show();
        w.Set_Vendita(customer->CurrentOID());
        if (w.IsSaleOpen()) {
            w.txtCode_Articolo->setFocus();
            QTest::keyClicks(w.txtCode_Articolo, kArticle);
            QTest::keyClick(w.txtCode_Articolo, Qt::Key_Return);
            if (start) start();
            w.cmdConfirm->click();
        }
        break;
    }
    case CrashOp::FirstSave: // no backup archive yet: the save makes it
        if (run == 0) QFile::remove(Backup());
        [[fallthrough]];
    case CrashOp::Save:
        backup(false);
        break;
    case CrashOp::PeriodSave: // the last half year's sales
        backup(false,
               {false, Moment().date().addDays(-180), Moment().date().addDays(-1), true, false});
        break;
    case CrashOp::Restore:
        backup(true);
        break;
    case CrashOp::Import:
        modImportArchive::ImportArchive(
            Source(), *session.Database()->Item("OperazioniVendite")->OpenDataSource(), nullptr,
            session.Engine(), settings, work);
        break;
    case CrashOp::Convert:
        modCurrencyConversion::ConvertArchive(*session.Database(), settings, work, nullptr);
        break;
    case CrashOp::Repair:
        modDatabaseRepair::RepairDatabase(nullptr, settings.RootDir, settings.BackupDir,
                                          session.Engine(), work, [&] { session.Release(); });
        break;
    }
    session.Release();
    DbmsClock::Reset();
}

QString CrashWorld::State() const {
    // The archive imported from is only read.
    return ArchiveFingerprint(Work()) + "/" + ArchiveFingerprint(Backup());
}

QSet<QString> CrashWorld::ReferenceStates(CrashOp op, int runs, qint64* milliseconds) const {
    QTemporaryDir dir(CrashTempTemplate());
    const CrashWorld copy = CopyTo(dir.path());
    copy.UseSettings();
    QSet<QString> states{copy.State()};
    QElapsedTimer timer;
    timer.start();
    for (int run = 0; run < runs; ++run) {
        CrashPrompter prompter;
        prompter.OnMessage = [&](const PromptMessage&) { states.insert(copy.State()); };
        copy.Run(op, run, prompter);
        states.insert(copy.State());
    }
    if (milliseconds) *milliseconds = timer.elapsed();
    UseSettings();
    return states;
}

QStringList CrashWorld::Problems(CrashOp op, const QSet<QString>& states) const {
    QStringList problems;
    if (!QFileInfo::exists(Work())) problems << "the working archive is missing";
    for (const QString& path : {Work(), Backup()})
        if (QFileInfo::exists(path))
            for (const QString& p : ArchiveProblems(path, op == CrashOp::Convert ? 1 : 0))
                problems << QFileInfo(path).dir().dirName() + ": " + p;
    if (!problems.isEmpty()) return problems;

    if (op == CrashOp::Sale) {
        // Every confirmed sale (the one with a payment) of the counter's customer counted in his
        // balance and in the prize's stock, none other; every payment is its sale's amount.
        SQLite::Database db(Work().toStdString(), SQLite::OPEN_READWRITE);
        const QString sql = QString(R"(
            WITH confirmed AS (SELECT s.* FROM OperazioniVendite s JOIN Clienti c
                ON c.OID = s.OID_Cliente WHERE c.Codice = '%1'
                AND s.OID IN (SELECT OID_Owner FROM OperazioniVendite__Pagamento))
            SELECT (SELECT Punti FROM Clienti WHERE Codice = '%1'), %3 + (SELECT
                IFNULL(SUM(PuntiAssegnati + PuntiBonus - PuntiSpesi), 0) FROM confirmed),
                (SELECT Disponibilita FROM TabellaPremi WHERE Descrizione = '%2'),
                %4 - (SELECT IFNULL(SUM(a.Quantita), 0) FROM PremiAssegnati a JOIN TabellaPremi t
                    ON t.OID = a.OID_TabellaPremi JOIN OperazioniVendite__Premi l
                    ON l.OID_Item = a.OID WHERE t.Descrizione = '%2'
                    AND l.OID_Owner IN (SELECT OID FROM confirmed)),
                (SELECT COUNT(*) FROM OperazioniVendite s JOIN OperazioniVendite__Pagamento l
                    ON l.OID_Owner = s.OID JOIN Pagamenti p ON p.OID = l.OID_Item
                    WHERE p.Importo IS NOT s.Importo), 0)")
                                .arg(kCard, kPrize)
                                .arg(kPoints)
                                .arg(kStock);
        const QStringList found = Rows(db, sql).front();
        for (const auto& [what, i] : {std::pair{"balance", 0},
                                      {"prize stock", 2},
                                      {"payments differing from their sale", 4}})
            if (found[i] != found[i + 1])
                problems << QString("%1 %2, expected %3").arg(what, found[i], found[i + 1]);
        return problems;
    }
    if (!states.contains(State())) problems << "the archives are neither as before nor as after";
    if (op == CrashOp::Convert) {
        QFile file(m_dir + "/work.fingerprint");
        const bool converted = file.open(QIODevice::ReadOnly) &&
                               ArchiveFingerprint(Work()) != QString::fromUtf8(file.readAll());
        // The setting, or the archive's own record of its conversion.
        SQLite::Database db(Work().toStdString(), SQLite::OPEN_READWRITE);
        const bool flag =
            modSettingText::ParseBoolSetting(
                clsSettings().ReadSetting("Configuration", "CurrencyConverted", "False")) ||
            !Rows(db, "SELECT 1 FROM _Database WHERE Key = 'CurrencyConverted' AND Value = "
                      "'True'")
                 .empty();
        if (converted != flag)
            problems << QString("amounts %1 converted, the flag says %2")
                            .arg(converted ? "are" : "are not", flag ? "True" : "False");
    }
    return problems;
}

QString CrashTempTemplate() {
    const QFileInfo shm("/dev/shm");
    return (shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath()) +
           "/tessarin-crash-XXXXXX";
}
