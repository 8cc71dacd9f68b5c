#include "EngineTestSchema.h"

#include <QDir>

#include <optional>
#include <thread>
#include <unistd.h>

// The Tipi rows as another program sees them on disk.
QStringList StoredTipi(const QString& path) {
    SQLite::Database check(path.toStdString(), SQLite::OPEN_READONLY);
    return RowsOf(check, "SELECT Descrizione FROM Tipi ORDER BY OID");
}

QString Failure(const std::function<void()>& action) {
    return Raised(action).Description();
}

using ArchiveFile = ArchiveTest;

// Attaches the archive's file as one that may only be read.
void AttachReadOnly(TestArchive& a) {
    a.storage = std::make_shared<DbmsStorage>();
    a.storage->OpenReadOnly(DbmsStorage::FormatSQLite, a.Path());
    a.db = a.engine.DefineDatabase(a.schema, "test", nullptr, nullptr, 0);
    a.db->Attach(a.storage);
}

// Another program holding a read lock until it is dropped (sqlite3 in the middle of a query).
struct Reader {
    explicit Reader(const QString& path) : Db(path.toStdString(), SQLite::OPEN_READONLY) {
        Db.exec("BEGIN");
        Db.execAndGet("SELECT COUNT(*) FROM Tipi");
    }
    SQLite::Database Db;
};

// After each failure the caller's undo neither fails nor hides it; the next write is kept alone.
TEST_F(ArchiveFile, ACommitRefusedByAReaderIsUndoneAndReportedWithItsCause) {
    std::optional<Reader> reader(a.Path());
    a.storage->SetBusyTimeout(20);
    a.db->BeginTrans();
    a.Open("Tipi")->AddRow({{"Descrizione", "persa"}});
    const QString error = Failure([&] { a.db->CommitTrans(); });
    EXPECT_TRUE(error.contains("in uso da un altro programma")) << error.toStdString();
    EXPECT_TRUE(error.contains(a.Path())) << error.toStdString();
    EXPECT_NO_THROW(a.db->Rollback());
    EXPECT_EQ(a.storage->TransactionDepth(), 0);
    // A reader that lets go soon only delays the commit.
    std::thread letGo([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        reader->Db.exec("COMMIT");
    });
    a.storage->SetBusyTimeout(DbmsStorage::DefaultBusyTimeout);
    a.db->BeginTrans();
    a.Open("Tipi")->AddRow({{"Descrizione", "salvata"}});
    EXPECT_NO_THROW(a.db->CommitTrans());
    letGo.join();
    reader.reset();
    a.Close();
    EXPECT_EQ(StoredTipi(a.Path()), QStringList{"salvata"});
}

TEST_F(ArchiveFile, WritesAfterTheDiskGaveUpTheTransactionAreNotHalfSaved) {
    a.db->BeginTrans();
    const OID sale = a.Open("Vendite")->AddRow({{"Note", "prima"}});
    a.Exec(QString("PRAGMA max_page_count = %1").arg(a.Scalar("PRAGMA page_count")));
    auto lines = a.Open("Vendite", "OID = " + QString::number(sale))->GetReference("Righe");
    QString error = Failure([&] {
        for (int i = 0; i < 10000; ++i)
            lines->AddRow({{"Quantita", i}});
    });
    EXPECT_TRUE(error.contains("il disco è pieno")) << error.toStdString();
    // Room is made and the window tries again: the commit must not save the second half alone.
    a.Exec("PRAGMA max_page_count = 1000000");
    a.Open("Tipi")->AddRow({{"Descrizione", "dopo"}});
    error = Failure([&] { a.db->CommitTrans(); });
    EXPECT_TRUE(error.startsWith("Le modifiche non sono state salvate")) << error.toStdString();
    EXPECT_TRUE(error.contains("il disco è pieno")) << error.toStdString();
    EXPECT_NO_THROW(a.db->Rollback());
    EXPECT_EQ(a.storage->TransactionDepth(), 0);
    a.Open("Tipi")->AddRow({{"Descrizione", "salvata"}});
    a.Close();
    EXPECT_EQ(StoredTipi(a.Path()), QStringList{"salvata"});
}

// A creation that dies half-way leaves nothing that blocks the next one.
TEST(DbmsCreate, ACreationCutShortLeavesNoArchiveAndCanBeDoneAgain) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Tessarin.mdb");
    auto create = [&](const std::function<void()>& onCreated) {
        TestSchema schema;
        schema.Table("Tipi").onStruct = [&](DbmsDataSource& ds, double, double, bool) {
            ds.AddRow({{"Descrizione", "Base"}});
            if (onCreated) onCreated();
        };
        auto storage = std::make_shared<DbmsStorage>();
        storage->CreateFile(DbmsStorage::FormatSQLite, path, 0, 0);
        storage->Open(DbmsStorage::FormatSQLite, path, 0, 0, nullptr, 5, 0, -1, -1, 0, -2);
        DbmsEngine().DefineDatabase(schema, "test", nullptr, nullptr, 0)->Attach(storage);
    };
    const QString full = Failure([&] {
        const FileSizeLimit limit; // the first write fails, as on a full disk
        create({});
    });
    EXPECT_NE(full, "(no error)");
    EXPECT_FALSE(QFile::exists(path));
    // A failure of the table rules, and the program killed while they run.
    EXPECT_NE(
        Failure([&] { create([] { throw DbmsError(DbmsError::Generic, "regola fallita"); }); }),
        "(no error)");
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EXIT(create([] { std::_Exit(3); }), ::testing::ExitedWithCode(3), "");
    EXPECT_FALSE(QFile::exists(path));
    create({});
    EXPECT_EQ(StoredTipi(path), QStringList{"Base"});
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Tessarin.mdb"});
}

// Opening an unchanged archive writes nothing, whether it may be written or not.
TEST_F(ArchiveFile, AReadOnlyArchiveOpensForReadingAndRefusesChangesByName) {
    auto tipi = a.Open("Tipi");
    tipi->AddRow({{"Descrizione", "uno"}});
    a.Close();
    const QByteArray before = ReadAll(a.Path());
    a.Reopen();
    a.Reopen();
    EXPECT_FALSE(a.storage->ReadOnly());
    a.Close();
    EXPECT_EQ(ReadAll(a.Path()), before);
    AttachReadOnly(a);
    EXPECT_TRUE(a.storage->ReadOnly());
    EXPECT_EQ(a.storage->ReadOnlyWarning(),
              QString("L'archivio %1 è aperto in sola lettura: le modifiche non potranno essere "
                      "salvate.")
                  .arg(a.Path()));
    tipi = a.Open("Tipi");
    EXPECT_EQ(tipi->GetValue("Descrizione").toString(), "uno");
    const std::function<void()> writes[] = {
        [&] {
            tipi->AddRow({{"Descrizione", "due"}});
        },
        [&] { tipi->SetValue("Descrizione", "cambiata"), tipi->Update(); }, [&] { tipi->Delete(); },
        [&] { a.db->Item("Tipi")->CreateSelectionSet()->Save("Mie"); }};
    for (const auto& write : writes) {
        EXPECT_EQ(Failure(write),
                  QString("Impossibile salvare le modifiche: l'archivio %1 è aperto in sola "
                          "lettura")
                      .arg(a.Path()));
        tipi->CancelUpdate();
    }
    // A structure that would have to change cannot be brought up to date.
    a.schema.Table("Tipi").SetVersion(2.0);
    a.db = a.engine.DefineDatabase(a.schema, "test", nullptr, nullptr, 0);
    EXPECT_TRUE(Failure([&] { a.db->Attach(a.storage); }).contains(a.Path()));
    tipi.reset();
    a.Close();
    EXPECT_EQ(ReadAll(a.Path()), before);
}

TEST(DbmsAttach, AnArchiveOfANewerProgramIsRefusedAndLeftAlone) {
    const struct {
        const char* Table;
        double Written, Expected; // 0: the table declares no version
        bool ReadOnly;
        const char* Versions;
    } cases[] = {
        {"Persone", 1.4, 1.3, false, "versione 1.4, attesa 1.3"},
        {"Tipi", 2.0, 0, true, "versione 2.0, attesa 1.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Table);
        TestArchive a;
        a.schema.Table(c.Table).SetVersion(c.Written);
        a.Create();
        a.Close();
        const QByteArray before = ReadAll(a.Path());
        QStringList log;
        a.schema.Table(c.Table).log = &log;
        a.schema.Table(c.Table).SetVersion(c.Expected);
        const QString error = Failure([&] { c.ReadOnly ? AttachReadOnly(a) : a.Reopen(); });
        EXPECT_EQ(error.toStdString(),
                  QString("L'archivio %1 è stato scritto da una versione più recente del "
                          "programma (tabella %2 %3): aggiornare il programma.")
                      .arg(a.Path(), c.Table, c.Versions)
                      .toStdString());
        EXPECT_EQ(a.db->State(), DbmsDatabase::StateClosed);
        EXPECT_TRUE(log.isEmpty());
        a.Close();
        EXPECT_EQ(ReadAll(a.Path()), before);
    }
}

TEST_F(ArchiveFile, AFileOrFolderWithoutWritePermissionOpensReadOnly) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write whatever the permissions say";
    a.Close();
    const auto writable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const struct {
        QString Path;
        QFileDevice::Permissions Locked, Unlocked;
    } cases[] = {
        {a.Path(), QFileDevice::ReadOwner, QFileDevice::ReadOwner | QFileDevice::WriteOwner},
        {a.dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner, writable},
    };
    for (const auto& c : cases) {
        QFile::setPermissions(c.Path, c.Locked);
        a.Reopen();
        EXPECT_TRUE(a.storage->ReadOnly()) << c.Path.toStdString();
        a.Close();
        QFile::setPermissions(c.Path, c.Unlocked);
    }
}

TEST_F(ArchiveFile, DroppingTheEngineObjectsClosesTheFile) {
    auto openFiles = [] {
        QStringList targets;
        for (const QString& fd : QDir("/proc/self/fd").entryList(QDir::Files | QDir::System))
            targets << QFile::symLinkTarget("/proc/self/fd/" + fd);
        return targets;
    };
    std::weak_ptr<DbmsStorage> storage = a.storage;
    {
        auto persone = a.Open("Persone", {}, "Nome");
        a.db->BeginTrans();
        for (int i = 0; i < 300; ++i)
            persone->AddRow({{"Nome", QString::number(i)}});
        a.db->CommitTrans();
        auto halfRead = a.Open("Persone");
        halfRead->OIDAt(10);
        auto vendite = a.Open("Vendite");
        vendite->AddRow({{"Note", "una"}});
        auto righe = vendite->GetReference("Righe");
        auto copy = halfRead->Clone();
        EXPECT_TRUE(openFiles().contains(a.Path()));
    }
    a.Close();
    EXPECT_TRUE(storage.expired());
    EXPECT_FALSE(openFiles().contains(a.Path()));
}

// A damaged archive is refused with the engine's error naming the file, not in SQLite's own
// words: at the program's start, when a restore reads the archive as stored, and when the
// archive's own records are read afterwards.
TEST(DbmsAttach, ADamagedArchiveIsRefusedWithTheEnginesOwnError) {
    // No key: a page of the list of tables overwritten; else the record of that key fails
    // when read.
    const auto damage = [](TestArchive& a, const char* key) {
        if (key) {
            a.Exec("ALTER TABLE _Database RENAME TO _Meta");
            a.Exec(QString("CREATE VIEW _Database AS SELECT Key, CASE Key WHEN '%1'"
                           " THEN abs(-9223372036854775808) ELSE Value END AS Value FROM _Meta")
                       .arg(key));
        }
        const qint64 page = a.Scalar("PRAGMA page_size");
        const qint64 root = a.Scalar("SELECT rootpage FROM sqlite_master WHERE name = '_Tables'");
        a.Close();
        QFile file(a.Path());
        if (!key && file.open(QIODevice::ReadWrite) && file.seek((root - 1) * page))
            file.write(QByteArray(page, '\xff'));
    };
    const auto atStart = [](TestArchive& a) { a.Reopen(); };
    const auto asStored = [](TestArchive& a) {
        auto storage = std::make_shared<DbmsStorage>();
        storage->OpenReadOnly(DbmsStorage::FormatSQLite, a.Path());
        a.engine.OpenDatabase(storage);
    };
    const auto currency = [](TestArchive& a) {
        a.Reopen();
        a.db->MainCurrency();
    };
    const std::pair<const char*, std::function<void(TestArchive&)>> cases[] = {
        {nullptr, atStart}, {"Tables", atStart}, {"Tables", asStored}, {"MainCurrency", currency}};
    for (const auto& [key, open] : cases) {
        TestArchive a;
        a.Create();
        damage(a, key);
        const DbmsError error = Raised([&] { open(a); });
        EXPECT_EQ(error.Code(), DbmsError::Sql);
        EXPECT_TRUE(error.Description().startsWith("Errore ") &&
                    error.Description().contains(a.Path()))
            << error.Description().toStdString();
    }
}
