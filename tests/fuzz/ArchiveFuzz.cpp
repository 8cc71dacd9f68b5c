// Any file opened as the archive, as the program opens it at start and as restore and import
// read a backup: refused with the engine's own error, or opened; never a crash. A refused
// upgrade leaves the file as it was.
#include "FuzzSupport.h"

#include "DB.h"
#include "DbmsDataSource.h"
#include "DbmsEngine.h"
#include "DbmsTable.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdint>

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A few rows of every table, every field shown as a grid shows it. A damaged page may still
// fail here, in SQLite's words, which the windows report like any other error.
void ReadTables(DbmsDatabase& db) {
    try {
        for (const auto& table : db.Tables()) {
            const auto ds = table->OpenDataSource();
            ds->RowCount();
            int rows = 0;
            for (ds->MoveFirst(); !ds->AtEnd() && rows < 4; ds->MoveNext(), ++rows)
                for (const DbmsFieldInfo& field : ds->Fields())
                    ds->GetText(field.Name, true);
        }
    } catch (const std::exception&) {
    }
}

template <typename Step> void Expect(const QString& what, Step step) {
    try {
        step();
    } catch (const DbmsError&) {
        throw;
    } catch (const std::exception& e) {
        FUZZ_EXPECT(false, what + ": " + e.what());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_archive";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    const QString path = QDir(FuzzHome()).filePath("Tessarin.mdb");
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const char* extra : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + extra);
    {
        QFile file(path);
        FUZZ_EXPECT(file.open(QIODevice::WriteOnly), path);
        file.write(bytes);
    }

    DbmsEngine engine;
    // Restore and import: the archive as stored, read only.
    try {
        Expect("as stored", [&] {
            auto storage = std::make_shared<DbmsStorage>();
            storage->OpenReadOnly(DbmsStorage::FormatSQLite, path);
            const auto db = engine.OpenDatabase(storage);
            ReadTables(*db);
        });
    } catch (const DbmsError&) {
    }
    FUZZ_EXPECT(Contents(path) == bytes, "read only, yet changed");

    // The start of the program: the definition attached, the structure brought up to date.
    DB definition;
    bool attached = false;
    try {
        Expect("attach", [&] {
            auto storage = std::make_shared<DbmsStorage>();
            storage->Open(DbmsStorage::FormatSQLite, path);
            const auto db = engine.DefineDatabase(definition, "Tessarin", nullptr, nullptr);
            db->Attach(storage);
            attached = true;
            db->SetConversionCurrency(db->MainCurrency()->Name() == "Euro"
                                          ? engine.NewLiraCurrency()
                                          : engine.NewEuroCurrency());
            ReadTables(*db);
        });
    } catch (const DbmsError&) {
        if (!attached) FUZZ_EXPECT(Contents(path) == bytes, "refused, yet changed");
    }
    return 0;
}
