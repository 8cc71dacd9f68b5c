// The grid and tree models over an archive made by tessarin-gen's generator with the real
// definition: every section of the program reads such tables.
#include "DB.h"
#include "DbmsEngine.h"
#include "DbmsGridModel.h"
#include "DbmsTreeModel.h"
#include "clsArchiveGenerator.h"

#include <QAbstractItemModelTester>
#include <QTest>
#include <QTemporaryDir>

class GeneratedArchiveGridTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    DbmsEngine m_engine;
    DB m_def;
    std::shared_ptr<DbmsStorage> m_storage;
    std::shared_ptr<DbmsDatabase> m_db;

private slots:
    void initTestCase() {
        GeneratorSizes sizes;
        sizes.Customers = 300;
        sizes.Sales = 600;
        sizes.Lines = 3;
        const QString path = m_dir.filePath("Tessarin.mdb");
        clsArchiveGenerator(sizes).Generate(path);
        m_storage = std::make_shared<DbmsStorage>();
        m_storage->Open(DbmsStorage::FormatSQLite, path);
        m_db = m_engine.DefineDatabase(m_def, "tessarin", nullptr, nullptr);
        m_db->Attach(m_storage);
    }

    void everyTablePassesTheModelTester() {
        for (const auto& table : m_db->Tables()) {
            auto ds = table->OpenDataSource();
            DbmsGridModel model(ds, nullptr);
            QAbstractItemModelTester tester(&model,
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
            QCOMPARE(model.rowCount(), int(ds->RowCount()));
            if (model.rowCount() > 0) QVERIFY(model.OIDAt(model.rowCount() - 1) > 0);
        }
    }

    void salesSummaryShowsEachSaleWithItsLines() {
        DbmsOpenOptions options;
        options.Summary = true;
        options.Detail = "Articoli";
        options.Filter = "N_Articoli > 0";
        options.Order = "OperazioniVendite.OID_Cliente,OperazioniVendite.Data";
        auto ds = m_db->Item("OperazioniVendite")->OpenDataSource(nullptr, options);
        DbmsTreeModel model(ds, nullptr);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(model.rowCount() > 0);
        for (int row = 0; row < std::min(model.rowCount(), 40); ++row) {
            const QModelIndex sale = model.index(row, 0);
            QCOMPARE(model.rowCount(sale), int(ds->ValueAt(row, "N_Articoli").toLongLong()));
        }
        // The lines of a sale show their article's code, read through the child table.
        const QModelIndex first = model.index(0, 0);
        int codice = -1;
        for (int c = 0; c < int(model.DetailColumns().size()); ++c)
            if (model.DetailField(c) == "Codice") codice = c;
        QVERIFY(codice >= 0);
        QVERIFY(!model.data(model.index(0, codice, first)).toString().isEmpty());
    }
};

QTEST_MAIN(GeneratedArchiveGridTest)
#include "GeneratedArchiveGridTest.moc"
