// The grid and tree models over an archive made by tessarin-gen's generator with the real
// definition: every section of the program reads such tables.
#include "DbmsGridModel.h"
#include "DbmsTreeModel.h"
#include "TempArchive.h"
#include "clsArchiveGenerator.h"

#include <QAbstractItemModelTester>
#include <QTest>

class GeneratedArchiveGridTest : public QObject {
    Q_OBJECT
    TempArchive m_archive;

private slots:
    void initTestCase() {
        GeneratorSizes sizes;
        sizes.Customers = 300;
        sizes.Sales = 600;
        sizes.Lines = 3;
        clsArchiveGenerator(sizes).Generate(m_archive.Path());
        m_archive.Reopen();
    }

    void everyTablePassesTheModelTester() {
        for (const auto& table : m_archive.db->Tables()) {
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
        auto ds = m_archive.db->Item("OperazioniVendite")->OpenDataSource(nullptr, options);
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
