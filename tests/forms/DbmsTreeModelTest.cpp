// The summary tree model over a real archive: sales at the top, their lines below, counts as
// the summary's N_Righe gives them, detail rows opened on demand, binding to a tree view.
#include "DbmsTreeModel.h"
#include "DbmsFormService.h"
#include "EngineTestSchema.h"
#include "TempArchive.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QPointer>
#include <QSet>
#include <QTest>
#include <QTreeView>

namespace {
constexpr int Sales = 300; // more than a page of the data source
constexpr int LineKinds = 4;
constexpr auto Fatal = QAbstractItemModelTester::FailureReportingMode::QtTest;

int LinesOf(int sale) {
    return sale % LineKinds;
} // 0 to 3 lines
} // namespace

class DbmsTreeModelTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<DbmsDataSource> Summary(const QString& filter = {}) {
        DbmsOpenOptions o;
        o.Summary = true;
        o.Detail = "Righe";
        o.Filter = filter;
        return a.db->Item("Vendite")->OpenDataSource(nullptr, o);
    }
    QSet<OID> LinkedLines(OID sale) {
        SQLite::Statement st(a.storage->Connection(),
                             "SELECT OID_Item FROM Vendite__Righe WHERE OID_Owner = ?");
        st.bind(1, static_cast<int64_t>(sale));
        QSet<OID> oids;
        while (st.executeStep())
            oids.insert(st.getColumn(0).getInt64());
        return oids;
    }

    TestSchema schema;
    TempArchive a{schema};
    OID cheap = 0, dear = 0;

private slots:
    void initTestCase() {
        a.Create();
        auto prodotti = a.Open("Prodotti");
        cheap = prodotti->AddRow({{"Codice", "A"}, {"Descrizione", "Poco"}, {"Prezzo", M(10)}});
        dear =
            prodotti->AddRow({{"Codice", "B"}, {"Descrizione", "Tanto"}, {"Prezzo", M(1500000.5)}});
        auto vendite = a.Open("Vendite");
        a.db->BeginTrans();
        for (int i = 1; i <= Sales; ++i) {
            const OID sale = vendite->AddRow({{"Note", QString("V%1").arg(i)}, {"Importo", M(i)}});
            auto lines = vendite->GetReferenceOf(sale, "Righe");
            for (int k = 1; k <= LinesOf(i); ++k)
                lines->AddRow({{"OID_Prodotti", k == 2 ? dear : cheap}, {"Quantita", k}});
        }
        a.db->CommitTrans();
    }

    void childrenAreTheRowsOfTheDetail() {
        auto ds = Summary();
        DbmsTreeModel model(ds, nullptr);
        {
            // The tester walks every row and child: more details than stay open at once.
            QAbstractItemModelTester tester(&model, Fatal);
            QCOMPARE(model.rowCount(), Sales);
            model.Reset();
            model.Refresh();
            QCOMPARE(model.rowCount(), Sales);
        }
        QCOMPARE(model.Detail(), QString("Righe"));
        const int quantita = 0, totale = 1, codice = 2;
        QCOMPARE(model.DetailField(quantita), QString("Quantita"));
        QCOMPARE(model.DetailField(totale), QString("Totale"));
        QCOMPARE(model.DetailField(codice), QString("Codice"));
        for (int r = 0; r < model.rowCount(); ++r) {
            const QModelIndex sale = model.index(r, 0);
            const int number = ds->TextAt(r, "Note").mid(1).toInt();
            const int lines = LinesOf(number);
            QCOMPARE(model.rowCount(sale), lines);
            QCOMPARE(ds->ValueAt(r, "N_Righe").toLongLong(), qint64(lines));
            QCOMPARE(model.hasChildren(sale), lines > 0);
            QCOMPARE(model.rowCount(model.index(r, 1)), 0); // only the first column has children
            QVERIFY(!DbmsTreeModel::IsDetailRow(sale));
            QCOMPARE(model.OIDAt(sale), ds->OIDAt(r));

            QSet<OID> oids;
            for (int k = 0; k < lines; ++k) {
                const QModelIndex line = model.index(k, 0, sale);
                QVERIFY(DbmsTreeModel::IsDetailRow(line));
                QCOMPARE(model.parent(line), sale);
                QCOMPARE(model.rowCount(line), 0);
                QVERIFY(model.flags(line) & Qt::ItemNeverHasChildren);
                QCOMPARE(model.data(line).toString(), QString::number(k + 1));
                QCOMPARE(model.data(model.index(k, codice, sale)).toString(),
                         QString(k == 1 ? "B" : "A"));
                QCOMPARE(model.data(model.index(k, totale, sale)).toString(),
                         QString(k == 1   ? "3.000.001,00"
                                 : k == 0 ? "10,00"
                                          : "30,00"));
                QVERIFY(model.data(model.index(k, totale, sale), Qt::TextAlignmentRole).toInt() &
                        Qt::AlignRight);
                // Every cell of a line answers with the line's OID.
                const OID oid =
                    model.data(model.index(k, codice, sale), DbmsGridRole::OID).toLongLong();
                QCOMPARE(model.Bookmark(line), oid);
                oids.insert(oid);
            }
            QCOMPARE(oids, LinkedLines(model.OIDAt(sale)));
            QVERIFY(!model.index(lines, 0, sale).isValid());
        }

        // Detail rows follow the summary's currency choice (V1: one line of 10,00).
        a.db->SetConversionCurrency(a.Engine().NewLiraCurrency());
        ds->SetCurrencyConversion(true);
        QCOMPARE(model.data(model.index(0, totale, model.index(0, 0))).toString(),
                 QString("19.362,70"));
        QCOMPARE(model.data(model.index(0, 1)).toString(), QString("1.936,27"));
        ds->SetCurrencyConversion(false);
        a.db->SetConversionCurrency(nullptr);
    }

    void columnsOfBothLevels() {
        auto ds = Summary();
        DbmsTreeModel model(ds, nullptr);
        QStringList top, detail;
        for (const auto& c : model.Columns())
            top << c.Field;
        for (const auto& c : model.DetailColumns())
            detail << c.Field;
        // N_Righe is the engine's count, not a column; the line's link to the product stays out.
        QCOMPARE(top, (QStringList{"Data", "Importo", "Note", "Persona"}));
        QCOMPARE(detail,
                 (QStringList{"Quantita", "Totale", "Codice", "Descrizione", "Prezzo", "Tipo"}));
        // One header for both levels, as wide as the wider one.
        QCOMPARE(model.columnCount(), 6);
        QCOMPARE(model.columnCount(model.index(0, 0)), 6);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("Importo"));
        QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), QString("Prezzo"));
        QCOMPARE(model.Field(4), QString());
        QCOMPARE(model.ColumnOf("note"), 2);
        // Past a top row's own fields its cells are empty, but still name the row.
        const QModelIndex beyond = model.index(0, 5);
        QVERIFY(beyond.isValid() && !model.data(beyond).isValid());
        QCOMPARE(model.data(beyond, DbmsGridRole::OID).toLongLong(), ds->OIDAt(0));

        // A layout chooses the top columns; the count may then be shown as well.
        const QString ini = a.File("Tessarin.INI");
        DbmsGridLayout layout(ini, "Vendite");
        layout.SetFieldSequence("Note,N_Righe");
        DbmsTreeModel chosen(ds, &layout);
        QCOMPARE(chosen.Field(1), QString("N_Righe"));
        QCOMPARE(chosen.data(chosen.index(2, 1)).toString(), QString::number(LinesOf(3)));
    }

    void detailsStayOpenWithinABound() {
        DbmsTreeModel model(Summary(), nullptr);
        std::weak_ptr<DbmsDataSource> first = model.DetailSource(1);
        QVERIFY(!first.expired());
        QCOMPARE(model.DetailSource(1), first.lock()); // kept while in use
        // Reading the lines of as many other sales pushes the least recent one out.
        for (int r = 2; r < 2 + int(DbmsTreeModel::MaxOpenDetails); ++r)
            QVERIFY(model.DetailSource(r));
        QVERIFY(first.expired());
        // Reopened on demand, with the same rows.
        QCOMPARE(model.rowCount(model.index(1, 0)), LinesOf(2));
        QCOMPARE(model.data(model.index(1, 2, model.index(1, 0))).toString(), QString("B"));
        QVERIFY(!model.DetailSource(-1));
        QVERIFY(!model.DetailSource(Sales));
    }

    void resetShowsANewSaleWithItsLines() {
        auto ds = Summary("N_Righe > 0");
        DbmsTreeModel model(ds, nullptr);
        QAbstractItemModelTester tester(&model, Fatal);
        const int withLines = Sales - Sales / LineKinds;
        QCOMPARE(model.rowCount(), withLines);

        const OID sale = ds->AddRow({{"Note", "nuova"}});
        ds->GetReferenceOf(sale, "Righe")->AddRow({{"OID_Prodotti", cheap}, {"Quantita", 7}});
        ds->GetReferenceOf(sale, "Righe")->AddRow({{"OID_Prodotti", dear}, {"Quantita", 1}});
        model.Reset();
        QCOMPARE(model.rowCount(), withLines + 1);
        const int row = model.RowOf(sale);
        QCOMPARE(row, withLines);
        const QModelIndex added = model.index(row, 0);
        QCOMPARE(model.rowCount(added), 2);
        QCOMPARE(model.data(model.index(0, 1, added)).toString(), QString("70,00"));

        // A sale without lines, added elsewhere, does not pass the summary's filter.
        a.Open("Vendite")->AddRow({{"Note", "vuota"}});
        model.Refresh();
        QCOMPARE(model.rowCount(), withLines + 1);
        QCOMPARE(model.rowCount(model.index(row, 0)), 2);

        QVERIFY(ds->Locate(sale));
        ds->Delete();
        model.Reset();
        QCOMPARE(model.rowCount(), withLines);
        QCOMPARE(model.RowOf(sale), -1);
    }

    void aPlainDataSourceIsAFlatTree() {
        auto ds = a.Open("Vendite");
        DbmsTreeModel model(ds, nullptr);
        QAbstractItemModelTester tester(&model, Fatal);
        QVERIFY(model.Detail().isEmpty());
        QCOMPARE(model.columnCount(), 4);
        QVERIFY(!model.hasChildren(model.index(0, 0)));
        QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemNeverHasChildren);
        QVERIFY(!model.DetailSource(0));
        QCOMPARE(model.data(model.index(0, model.ColumnOf("Importo"))).toString(), QString("1,00"));
    }

    void bindTreeSetsWidthsAndReplacesOurModel() {
        const QString ini = a.File("Tessarin.INI");
        {
            DbmsGridLayout layout(ini, "Vendite");
            layout.SetColumnWidth("Note", 1500);
            layout.SetColumnWidth("Importo", 2250);
        }
        QTreeView view;
        view.resize(800, 600);
        DbmsFormService service;
        QPointer<DbmsTreeModel> model =
            service.BindTree(&view, Summary(), DbmsGridLayout::Load(ini, "Vendite"));
        QVERIFY(model && view.model() == model.data() && model->parent() == &view);
        QCOMPARE(view.header()->sectionSize(model->ColumnOf("Note")), 100);
        QCOMPARE(view.header()->sectionSize(model->ColumnOf("Importo")), 150);
        QCOMPARE(view.selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(view.uniformRowHeights());

        // Expanding a sale shows its lines, painted from the detail.
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QModelIndex sale = model->index(2, 0); // V3: three lines
        view.expand(sale);
        QVERIFY(view.isExpanded(sale));
        QVERIFY(!view.grab().isNull());
        QCOMPARE(view.indexBelow(sale), model->index(0, 0, sale));

        QPointer<DbmsTreeModel> second = service.BindTree(&view, Summary(), nullptr);
        QVERIFY(model.isNull());
        QVERIFY(view.model() == second.data());
        QVERIFY(!service.BindTree(&view, nullptr)); // no data source: the view is unbound
        QVERIFY(second.isNull() && !view.model());
    }
};

QTEST_MAIN(DbmsTreeModelTest)
#include "DbmsTreeModelTest.moc"
