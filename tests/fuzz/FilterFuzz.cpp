// Filters and orders as a window would hand them to the engine, over a small real archive. The
// dialect may refuse a text only with its own errors (syntax, unknown field); anything else
// means a text became SQL that SQLite refused, or worse.
#include "FuzzSupport.h"

#include "DB.h"
#include "DbmsDataSource.h"
#include "DbmsEngine.h"
#include "DbmsFilter.h"
#include "DbmsTable.h"
#include "clsArchiveGenerator.h"

#include <QCoreApplication>
#include <cstdint>

namespace {

struct Archive {
    DB definition;
    DbmsEngine engine;
    std::shared_ptr<DbmsStorage> storage = std::make_shared<DbmsStorage>();
    std::shared_ptr<DbmsDatabase> db;
    std::vector<std::shared_ptr<DbmsTable>> tables;

    Archive() {
        const QString path = QDir(FuzzHome()).filePath("Filter.mdb");
        GeneratorSizes sizes;
        sizes.Customers = 12;
        sizes.Suppliers = 3;
        sizes.Articles = 8;
        sizes.Sales = 20;
        sizes.Prizes = 4;
        sizes.Bonuses = 3;
        clsArchiveGenerator(sizes).Generate(path);
        storage->Open(DbmsStorage::FormatSQLite, path);
        db = engine.DefineDatabase(definition, "Tessarin", nullptr, nullptr);
        db->Attach(storage);
        tables = db->Tables();
    }
};

bool DialectError(int code) {
    return code == DbmsError::FilterSyntax || code == DbmsError::OrderSyntax ||
           code == DbmsError::UnknownField;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_filter";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Archive archive;
    if (size == 0) return 0;

    // The first byte picks the table; the text is the filter up to the first line feed, the
    // order after it.
    const auto& table = archive.tables[data[0] % archive.tables.size()];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), size - 1);
    const qsizetype cut = text.indexOf('\n');
    const QString filter = cut < 0 ? text : text.left(cut);
    const QString order = cut < 0 ? QString() : text.mid(cut + 1);

    bool parsed = false;
    try {
        const auto ds = table->OpenDataSource(filter, order);
        parsed = true;
        int rows = 0;
        for (ds->MoveFirst(); !ds->AtEnd() && rows < 3; ds->MoveNext(), ++rows)
            for (const DbmsFieldInfo& field : ds->Fields())
                ds->GetText(field.Name);
        ds->RowCount();
        // A filter the data source took is one the window's search can apply again, and one
        // whose names can be listed.
        ds->FindNext(filter);
        DbmsFilterNames(filter);
    } catch (const DbmsError& e) {
        FUZZ_EXPECT(DialectError(e.Code()) && !parsed,
                    QString("%1 %2 | %3 -> %4").arg(table->Name(), filter, order, e.Description()));
    }
    return 0;
}
