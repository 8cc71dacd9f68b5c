// The paged grid model and the summary tree model over real archives, alone and bound to real
// views: cells, columns from layouts, rows and OIDs, resets, sales with their lines on demand.
#include "DbmsFormService.h"
#include "DbmsGridModel.h"
#include "DbmsTreeModel.h"
#include "EngineTestSchema.h"
#include "TempArchive.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTreeView>

namespace {
constexpr auto Fatal = QAbstractItemModelTester::FailureReportingMode::QtTest;

template <typename Columns> QStringList FieldsOf(const Columns& columns) {
    QStringList fields;
    for (const auto& c : columns)
        fields << c.Field;
    return fields;
}

QStringList RowTexts(const QAbstractItemModel& model, int row, const QModelIndex& parent = {}) {
    QStringList texts;
    for (int c = 0; c < model.columnCount(parent); ++c)
        texts << model.data(model.index(row, c, parent)).toString();
    return texts;
}

// A layout as the program keeps it in its layout file.
std::shared_ptr<DbmsGridLayout> MakeLayout(const TempArchive& a, const QString& sequence,
                                           std::initializer_list<std::pair<QString, int>> widths) {
    const QString ini = a.File("Tessarin.INI");
    QFile::remove(ini); // one archive serves every test: no widths left from another
    {
        DbmsGridLayout layout(ini, "Vendite");
        layout.SetFieldSequence(sequence);
        for (const auto& [field, twips] : widths)
            layout.SetColumnWidth(field, twips);
    }
    return DbmsGridLayout::Load(ini, "Vendite");
}

constexpr int Plain = 2;   // sales without lines, stored before the others
constexpr int Sales = 300; // more than a page of the data source
constexpr int LineKinds = 4;

const auto LinesOf = [](int sale) { return sale % LineKinds; }; // 0 to 3 lines
} // namespace

class DbmsModelsTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<DbmsDataSource> Summary(const QString& filter = {}) {
        const DbmsOpenOptions o{.Filter = filter, .Order = {}, .Summary = true, .Detail = "Righe"};
        return a.db->Item("Vendite")->OpenDataSource(nullptr, o);
    }
    QStringList LinkedLines(OID sale) {
        const QString sql = "SELECT group_concat(OID_Item) FROM Vendite__Righe WHERE OID_Owner = ";
        QStringList oids = a.Text(sql + QString::number(sale)).split(',', Qt::SkipEmptyParts);
        oids.sort();
        return oids;
    }
    TestSchema schema;
    TempArchive a{schema}; // people, two plain sales, then sales with their lines
    OID mario = 0, cheap = 0, dear = 0;

private slots:
    void initTestCase() {
        a.Create();
        auto persone = a.Open("Persone");
        a.db->BeginTrans();
        for (int i = 1; i <= 600; ++i)
            persone->AddRow({{"Codice", QString("P%1").arg(i, 6, 10, QChar('0'))},
                             {"Nome", QString("Nome %1").arg(i)},
                             {"Punti", i},
                             {"Attivo", i % 2 == 0}});
        a.db->CommitTrans();
        mario = persone->AddRow({{"Codice", "MR"}, {"Nome", "Mario"}});
        auto sales = a.Open("Vendite");
        sales->AddRow({{"Data", QDateTime(QDate(2024, 3, 15), QTime(10, 30, 45))},
                       {"Importo", M(1500000)},
                       {"Note", "prima"},
                       {"Persona", mario}});
        sales->AddRow({{"Importo", M(-0.5)}, {"Note", "seconda"}});
        auto prodotti = a.Open("Prodotti");
        cheap = prodotti->AddRow({{"Codice", "A"}, {"Descrizione", "Poco"}, {"Prezzo", M(10)}});
        dear =
            prodotti->AddRow({{"Codice", "B"}, {"Descrizione", "Tanto"}, {"Prezzo", M(1500000.5)}});
        a.db->BeginTrans();
        for (int i = 1; i <= Sales; ++i) {
            const OID sale = sales->AddRow({{"Note", QString("V%1").arg(i)}, {"Importo", M(i)}});
            auto lines = sales->GetReferenceOf(sale, "Righe");
            for (int k = 1; k <= LinesOf(i); ++k)
                lines->AddRow({{"OID_Prodotti", k == 2 ? dear : cheap}, {"Quantita", k}});
        }
        a.db->CommitTrans();
    }
    void cellsColumnsAndResetOfTheGrid() {
        auto ds = a.Open("Vendite");
        DbmsGridModel model(ds, nullptr);
        const int data = model.ColumnOf("Data"), importo = model.ColumnOf("Importo");
        const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
            return model.data(model.index(row, column), role);
        };
        QCOMPARE(RowTexts(model, 0),
                 QStringList({"15/03/2024 10:30", "1.500.000,00", "prima", "Mario"}));
        QCOMPARE(RowTexts(model, 1), QStringList({"", "-0,50", "seconda", ""}));
        // Raw values: money stays exact, dates keep their seconds.
        for (const int role : {int(Qt::EditRole), int(Qt::UserRole)})
            QCOMPARE(cell(0, importo, role).value<Money>(), Money::FromWhole(1500000));
        QCOMPARE(cell(0, data, Qt::EditRole).toDateTime(),
                 QDateTime(QDate(2024, 3, 15), QTime(10, 30, 45)));
        for (int c = 0; c < model.columnCount(); ++c) {
            QCOMPARE(cell(1, c, DbmsGridRole::OID).toLongLong(), ds->OIDAt(1));
            QCOMPARE(model.headerData(c, Qt::Horizontal, DbmsGridRole::Field).toString(),
                     model.Field(c));
        }
        QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QString("Persona"));
        QVERIFY(cell(0, importo, Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
        QVERIFY(cell(0, 2, Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
        // Converted when the data source asks for it; raw values stay the stored ones.
        a.db->SetConversionCurrency(a.Engine().NewLiraCurrency());
        ds->SetCurrencyConversion(true);
        QCOMPARE(cell(0, importo).toString(), QString("2.904.405.000,00"));
        QCOMPARE(cell(0, importo, Qt::EditRole).value<Money>(), Money::FromWhole(1500000));
        ds->SetCurrencyConversion(false);
        a.db->SetConversionCurrency(nullptr);
        // OID and the stored link OID_Persona are the engine's; the grid shows the name.
        QCOMPARE(FieldsOf(model.Columns()), (QStringList{"Data", "Importo", "Note", "Persona"}));
        QCOMPARE(model.ColumnOf("oid_persona"), -1);
        QCOMPARE(model.ColumnOf("IMPORTO"), 1);
        QCOMPARE(model.Field(4), QString());
        // A sequence keeps its order, may name a key, and drops what the table lacks.
        auto layout = MakeLayout(a, "note, Importo, OID, Sparito", {});
        DbmsGridModel chosen(ds, layout.get());
        QCOMPARE(FieldsOf(chosen.Columns()), (QStringList{"Note", "Importo", "OID"}));
        QCOMPARE(RowTexts(chosen, 1),
                 QStringList({"seconda", "-0,50", QString::number(ds->OIDAt(1))}));
        // Reset shows rows added and removed.
        QAbstractItemModelTester tester(&model, Fatal);
        const int rows = model.rowCount(), note = model.ColumnOf("Note");
        const OID added = ds->AddRow({{"Note", "terza"}});
        QCOMPARE(model.rowCount(), rows); // the view hears of it on Reset only
        model.Reset();
        QCOMPARE(model.rowCount(), rows + 1);
        QCOMPARE(model.data(model.index(model.RowOf(added), note)).toString(), QString("terza"));
        // Rows added through another data source need the rows read again.
        a.Open("Vendite")->AddRow({{"Note", "quarta"}});
        model.Reset();
        QCOMPARE(model.rowCount(), rows + 1);
        model.Refresh();
        QCOMPARE(model.rowCount(), rows + 2);
        // Before Reset a removed row's place reads empty; after it the row is gone.
        QVERIFY(ds->Locate(added));
        ds->Delete();
        QCOMPARE(model.data(model.index(rows + 1, note)).toString(), QString());
        model.Reset();
        QCOMPARE(model.rowCount(), rows + 1);
        QCOMPARE(model.data(model.index(rows, note)).toString(), QString("quarta"));
        QVERIFY(ds->Locate(model.OIDAt(rows)));
        ds->Delete();
    }
    void rowsAndOidsRoundTripInAnyOrderEditsRepaintTheRow() {
        auto ds = a.Open("Persone", {}, "Nome DESC"); // positions and OIDs differ
        DbmsGridModel model(ds, nullptr);
        // More rows than a page of the data source: the tester reads across pages.
        QAbstractItemModelTester tester(&model, Fatal);
        QCOMPARE(model.rowCount(), 601);
        for (int r = 0; r < model.rowCount(); r += 7)
            QCOMPARE(model.RowOf(model.OIDAt(r)), r);
        QCOMPARE(model.OIDAt(model.rowCount() - 1), mario); // "Mario" sorts before any "Nome"
        QCOMPARE(model.OIDAt(model.rowCount()), OID(0));
        QCOMPARE(model.RowOf(999999), -1);
        // The caller positions the data source on a bookmark; the model never moves it.
        const OID bookmark = model.Bookmark(250);
        QCOMPARE(ds->Position(), qint64(0));
        QVERIFY(ds->Locate(bookmark));
        QCOMPARE(ds->GetText("Nome"),
                 model.data(model.index(250, model.ColumnOf("Nome"))).toString());
        // Edits of the current row repaint it.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        const int nome = model.ColumnOf("Nome");
        QVERIFY(ds->MoveTo(3));
        ds->SetValue("Nome", "Cambiato");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].value<QModelIndex>(), model.index(3, 0));
        QCOMPARE(changed[0][1].value<QModelIndex>(), model.index(3, model.columnCount() - 1));
        QCOMPARE(model.data(model.index(3, nome)).toString(), QString("Cambiato"));
        ds->CancelUpdate();
        QCOMPARE(model.data(model.index(3, nome)).toString(), QString("Nome 96"));
        // A row not yet stored is none of the model's rows.
        ds->AddNew();
        ds->SetValue("Nome", "Nuovo");
        QCOMPARE(changed.count(), 1);
        ds->CancelUpdate();
    }
    void bindingAppliesTheLayoutToRealViewsAndRebindingReplacesOnlyOurModel() {
        auto layout = MakeLayout(a, "Note,Importo,Data", {{"Note", 3000}, {"Data", 1000}});
        QTableView view;
        view.resize(640, 480);
        DbmsFormService service;
        DbmsGridModel* model = service.BindGrid(&view, a.Open("Vendite"), layout);
        QVERIFY(view.model() == model && model->parent() == &view);
        QCOMPARE(FieldsOf(model->Columns()), (QStringList{"Note", "Importo", "Data"}));
        // Twips to pixels, 15 to one, rounded; no width stored, room for an amount.
        QCOMPARE(view.horizontalHeader()->sectionSize(0), 200);
        QVERIFY(view.horizontalHeader()->sectionSize(1) >
                view.horizontalHeader()->fontMetrics().horizontalAdvance("0.000.000,00"));
        QCOMPARE(view.horizontalHeader()->sectionSize(2), 67);
        // A click selects the whole row.
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          view.visualRect(model->index(1, 1)).center());
        QCOMPARE(view.selectionModel()->selectedRows().size(), 1);
        // Binding again replaces our model; every column shown again, at its own width.
        QPointer<DbmsGridModel> first = model;
        view.setColumnHidden(1, true);
        QPointer<DbmsGridModel> second = service.BindGrid(&view, a.Open("Persone"));
        QVERIFY(first.isNull());
        QVERIFY(view.model() == second.data());
        QVERIFY(!view.isColumnHidden(1));
        QVERIFY(view.horizontalHeader()->sectionSize(0) != 200);
        QVERIFY(!service.BindGrid(&view, nullptr)); // no data source: the view is unbound
        QVERIFY(second.isNull() && !view.model());
        QStandardItemModel foreign; // a model the program set itself is left alone
        view.setModel(&foreign);
        QVERIFY(service.BindGrid(&view, a.Open("Vendite")));
        QCOMPARE(foreign.rowCount(), 0);
        // A tree takes the widths too, and expanding a sale shows its lines.
        QTreeView tree;
        tree.resize(800, 600);
        QPointer<DbmsTreeModel> summary = service.BindTree(
            &tree, Summary(), MakeLayout(a, "", {{"Note", 1500}, {"Importo", 2250}}));
        QVERIFY(summary && tree.model() == summary.data() && summary->parent() == &tree);
        QCOMPARE(tree.header()->sectionSize(summary->ColumnOf("Note")), 100);
        QCOMPARE(tree.header()->sectionSize(summary->ColumnOf("Importo")), 150);
        QCOMPARE(tree.selectionBehavior(), QAbstractItemView::SelectRows);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        const QModelIndex sale = summary->index(Plain + 2, 0); // V3: three lines
        tree.expand(sale);
        QVERIFY(!tree.grab().isNull());
        QCOMPARE(tree.indexBelow(sale), summary->index(0, 0, sale));
        QPointer<DbmsTreeModel> again = service.BindTree(&tree, Summary(), nullptr);
        QVERIFY(summary.isNull());
        QVERIFY(tree.model() == again.data());
        QVERIFY(!service.BindTree(&tree, nullptr)); // no data source: the tree is unbound
        QVERIFY(again.isNull() && !tree.model());
    }
    void childrenAreTheRowsOfTheDetailColumnsDetailsStayOpenWithinABoundAndReset() {
        auto ds = Summary();
        DbmsTreeModel model(ds, nullptr);
        // The tester walks every row and child: more details than stay open at once.
        QAbstractItemModelTester tester(&model, Fatal);
        QCOMPARE(model.rowCount(), Plain + Sales);
        const int totale = 1, codice = 2;
        const QStringList lineTexts[] = {
            {"1", "10,00", "A"}, {"2", "3.000.001,00", "B"}, {"3", "30,00", "A"}};
        for (int r = 0; r < model.rowCount(); ++r) {
            const QModelIndex sale = model.index(r, 0);
            const int number = ds->TextAt(r, "Note").mid(1).toInt(); // 0 for the plain sales
            const int lines = LinesOf(number);
            QCOMPARE(model.rowCount(sale), lines);
            QCOMPARE(ds->ValueAt(r, "N_Righe").toLongLong(), qint64(lines));
            QCOMPARE(model.hasChildren(sale), lines > 0);
            QCOMPARE(model.rowCount(model.index(r, 1)), 0); // children hang from column 0 only
            QVERIFY(!DbmsTreeModel::IsDetailRow(sale));
            QCOMPARE(model.OIDAt(sale), ds->OIDAt(r));
            QStringList oids;
            for (int k = 0; k < lines; ++k) {
                const QModelIndex line = model.index(k, 0, sale);
                QVERIFY(DbmsTreeModel::IsDetailRow(line));
                QCOMPARE(model.rowCount(line), 0);
                QVERIFY(model.flags(line) & Qt::ItemNeverHasChildren);
                QCOMPARE(RowTexts(model, k, sale).mid(0, 3), lineTexts[k]);
                QVERIFY(model.data(model.index(k, totale, sale), Qt::TextAlignmentRole).toInt() &
                        Qt::AlignRight);
                // Every cell of a line answers with the line's OID.
                const OID oid =
                    model.data(model.index(k, codice, sale), DbmsGridRole::OID).toLongLong();
                QCOMPARE(model.Bookmark(line), oid);
                oids << QString::number(oid);
            }
            oids.sort();
            QCOMPARE(oids, LinkedLines(model.OIDAt(sale)));
            QVERIFY(!model.index(lines, 0, sale).isValid());
        }
        // Detail rows follow the summary's currency choice (V1: one line of 10,00).
        a.db->SetConversionCurrency(a.Engine().NewLiraCurrency());
        ds->SetCurrencyConversion(true);
        QCOMPARE(model.data(model.index(0, totale, model.index(Plain, 0))).toString(),
                 QString("19.362,70"));
        QCOMPARE(model.data(model.index(Plain, 1)).toString(), QString("1.936,27"));
        ds->SetCurrencyConversion(false);
        a.db->SetConversionCurrency(nullptr);
        // N_Righe is the engine's count, not a column; the line's link to the product stays out.
        QCOMPARE(FieldsOf(model.Columns()), (QStringList{"Data", "Importo", "Note", "Persona"}));
        QCOMPARE(FieldsOf(model.DetailColumns()),
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
        auto layout = MakeLayout(a, "Note,N_Righe", {});
        DbmsTreeModel chosen(ds, layout.get());
        QCOMPARE(chosen.Field(1), QString("N_Righe"));
        QCOMPARE(chosen.data(chosen.index(Plain + 2, 1)).toString(), QString::number(LinesOf(3)));
        // A plain data source is a flat tree.
        DbmsTreeModel flat(a.Open("Vendite"), nullptr);
        QAbstractItemModelTester flatTester(&flat, Fatal);
        QCOMPARE(flat.columnCount(), 4);
        QVERIFY(!flat.hasChildren(flat.index(0, 0)));
        QVERIFY(flat.flags(flat.index(0, 0)) & Qt::ItemNeverHasChildren);
        QVERIFY(!flat.DetailSource(0));
        QCOMPARE(flat.data(flat.index(Plain, flat.ColumnOf("Importo"))).toString(),
                 QString("1,00"));
        // Details stay open within a bound, on a model of their own.
        DbmsTreeModel bounded(Summary(), nullptr);
        std::weak_ptr<DbmsDataSource> first = bounded.DetailSource(Plain + 1);
        QVERIFY(!first.expired());
        QCOMPARE(bounded.DetailSource(Plain + 1), first.lock()); // kept while in use
        // Reading the lines of as many other sales pushes the least recent one out.
        for (int r = Plain + 2; r < Plain + 2 + int(DbmsTreeModel::MaxOpenDetails); ++r)
            QVERIFY(bounded.DetailSource(r));
        QVERIFY(first.expired());
        // Reopened on demand, with the same rows.
        const QModelIndex second = bounded.index(Plain + 1, 0);
        QCOMPARE(bounded.rowCount(second), LinesOf(2));
        QCOMPARE(bounded.data(bounded.index(1, 2, second)).toString(), QString("B"));
        QVERIFY(!bounded.DetailSource(-1));
        QVERIFY(!bounded.DetailSource(Plain + Sales));
        // Reset shows a new sale with its lines; the summary's filter holds.
        auto filtered = Summary("N_Righe > 0");
        DbmsTreeModel summaryWithLines(filtered, nullptr);
        QAbstractItemModelTester filteredTester(&summaryWithLines, Fatal);
        const int withLines = Sales - Sales / LineKinds;
        QCOMPARE(summaryWithLines.rowCount(), withLines);
        const OID sale = filtered->AddRow({{"Note", "nuova"}});
        filtered->GetReferenceOf(sale, "Righe")->AddRow({{"OID_Prodotti", cheap}, {"Quantita", 7}});
        filtered->GetReferenceOf(sale, "Righe")->AddRow({{"OID_Prodotti", dear}, {"Quantita", 1}});
        summaryWithLines.Reset();
        QCOMPARE(summaryWithLines.rowCount(), withLines + 1);
        const int row = summaryWithLines.RowOf(sale);
        QCOMPARE(row, withLines);
        const QModelIndex added = summaryWithLines.index(row, 0);
        QCOMPARE(summaryWithLines.rowCount(added), 2);
        QCOMPARE(summaryWithLines.data(summaryWithLines.index(0, 1, added)).toString(),
                 QString("70,00"));
        // A sale without lines, added elsewhere, does not pass the summary's filter.
        a.Open("Vendite")->AddRow({{"Note", "vuota"}});
        summaryWithLines.Refresh();
        QCOMPARE(summaryWithLines.rowCount(), withLines + 1);
        QCOMPARE(summaryWithLines.rowCount(summaryWithLines.index(row, 0)), 2);
        QVERIFY(filtered->Locate(sale));
        filtered->Delete();
        summaryWithLines.Reset();
        QCOMPARE(summaryWithLines.rowCount(), withLines);
        QCOMPARE(summaryWithLines.RowOf(sale), -1);
    }
};

QTEST_MAIN(DbmsModelsTest)
#include "DbmsModelsTest.moc"
