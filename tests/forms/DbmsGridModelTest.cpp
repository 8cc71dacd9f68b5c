// The paged grid model over real archives: cell texts and values, columns from layouts, rows
// and OIDs, resets, a hundred thousand rows, and binding to a real table view.
#include "DbmsGridModel.h"
#include "DbmsFormService.h"
#include "EngineTestSchema.h"
#include "TempArchive.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

namespace {
constexpr int BigRows = 100'000;
constexpr auto Fatal = QAbstractItemModelTester::FailureReportingMode::QtTest;

QString Code(int i) {
    return QString("P%1").arg(i, 6, 10, QChar('0'));
}

QStringList FieldsOf(const DbmsGridModel& model) {
    QStringList fields;
    for (const auto& c : model.Columns())
        fields << c.Field;
    return fields;
}

// A layout as the program keeps it in its layout file.
std::shared_ptr<DbmsGridLayout> MakeLayout(const TempArchive& a, const QString& sequence,
                                           std::initializer_list<std::pair<QString, int>> widths) {
    const QString ini = a.File("Tessarin.INI");
    {
        DbmsGridLayout layout(ini, "Vendite");
        layout.SetFieldSequence(sequence);
        for (const auto& [field, twips] : widths)
            layout.SetColumnWidth(field, twips);
    }
    return DbmsGridLayout::Load(ini, "Vendite");
}
} // namespace

class DbmsGridModelTest : public QObject {
    Q_OBJECT

private:
    TestSchema schema;
    TempArchive small{schema};
    TempArchive big{schema};
    OID mario = 0;

private slots:
    void initTestCase() {
        small.Create();
        auto persone = small.Open("Persone");
        // More rows than a page of the data source, so reads cross pages.
        small.db->BeginTrans();
        for (int i = 1; i <= 600; ++i)
            persone->AddRow({{"Codice", Code(i)},
                             {"Nome", QString("Nome %1").arg(i)},
                             {"Punti", i},
                             {"Attivo", i % 2 == 0}});
        small.db->CommitTrans();
        mario = persone->AddRow({{"Codice", "MR"}, {"Nome", "Mario"}});
        auto vendite = small.Open("Vendite");
        vendite->AddRow({{"Data", QDateTime(QDate(2024, 3, 15), QTime(10, 30, 45))},
                         {"Importo", M(1500000)},
                         {"Note", "prima"},
                         {"Persona", mario}});
        vendite->AddRow({{"Importo", M(-0.5)}, {"Note", "seconda"}});

        big.Create();
        auto rows = big.Open("Persone");
        big.db->BeginTrans();
        for (int i = 1; i <= BigRows; ++i)
            rows->AddRow({{"Codice", Code(i)}, {"Nome", QString("Nome %1").arg(i)}, {"Punti", i}});
        big.db->CommitTrans();
    }

    void cellsShowTextsValuesAndOids() {
        auto ds = small.Open("Vendite");
        DbmsGridModel model(ds, nullptr);
        const int data = model.ColumnOf("Data"), importo = model.ColumnOf("Importo"),
                  note = model.ColumnOf("Note"), persona = model.ColumnOf("Persona");
        const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
            return model.data(model.index(row, column), role);
        };
        QCOMPARE(cell(0, importo).toString(), QString("1.500.000,00"));
        QCOMPARE(cell(1, importo).toString(), QString("-0,50"));
        QCOMPARE(cell(0, data).toString(), QString("15/03/2024 10:30"));
        QCOMPARE(cell(1, data).toString(), QString());
        QCOMPARE(cell(0, persona).toString(), QString("Mario"));
        // Raw values: money stays exact, dates keep their seconds.
        QCOMPARE(cell(0, importo, Qt::EditRole).value<Money>(), Money::FromWhole(1500000));
        QCOMPARE(cell(0, importo, Qt::UserRole).value<Money>(), Money::FromWhole(1500000));
        QCOMPARE(cell(0, data, Qt::EditRole).toDateTime(),
                 QDateTime(QDate(2024, 3, 15), QTime(10, 30, 45)));
        for (int c = 0; c < model.columnCount(); ++c) {
            QCOMPARE(cell(1, c, DbmsGridRole::OID).toLongLong(), ds->OIDAt(1));
            QCOMPARE(model.headerData(c, Qt::Horizontal, DbmsGridRole::Field).toString(),
                     model.Field(c));
        }
        QCOMPARE(model.headerData(persona, Qt::Horizontal).toString(), QString("Persona"));
        QVERIFY(cell(0, importo, Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
        QVERIFY(cell(0, note, Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));

        // The conversion currency, when the data source asks for it; raw values stay stored ones.
        small.db->SetConversionCurrency(small.Engine().NewLiraCurrency());
        ds->SetCurrencyConversion(true);
        QCOMPARE(cell(0, importo).toString(), QString("2.904.405.000,00"));
        QCOMPARE(cell(0, importo, Qt::EditRole).value<Money>(), Money::FromWhole(1500000));
        ds->SetCurrencyConversion(false);
        small.db->SetConversionCurrency(nullptr);
    }

    void columnsFollowTheLayoutAndLeaveKeysOut() {
        auto ds = small.Open("Vendite");
        DbmsGridModel all(ds, nullptr);
        // OID and the stored link OID_Persona are the engine's; the grid shows the name.
        QCOMPARE(FieldsOf(all), (QStringList{"Data", "Importo", "Note", "Persona"}));
        QCOMPARE(all.ColumnOf("oid_persona"), -1);
        QCOMPARE(all.ColumnOf("IMPORTO"), 1);
        QCOMPARE(all.Field(4), QString());

        // A sequence keeps its order, may name a key, and drops what the table lacks.
        auto layout = MakeLayout(small, "note, Importo, OID, Sparito", {});
        DbmsGridModel chosen(ds, layout.get());
        QCOMPARE(FieldsOf(chosen), (QStringList{"Note", "Importo", "OID"}));
        QCOMPARE(chosen.data(chosen.index(1, 0)).toString(), QString("seconda"));
        QCOMPARE(chosen.data(chosen.index(1, 2)).toLongLong(), ds->OIDAt(1));
    }

    void rowsAndOidsRoundTripInAnyOrder() {
        auto ds = small.Open("Persone", {}, "Nome DESC"); // positions and OIDs differ
        DbmsGridModel model(ds, nullptr);
        {
            // More rows than a page of the data source: the tester reads across pages.
            QAbstractItemModelTester tester(&model, Fatal);
            QCOMPARE(model.rowCount(), 601);
            for (int r = 0; r < model.rowCount(); ++r)
                for (int c = 0; c < model.columnCount(); ++c)
                    QVERIFY(model.data(model.index(r, c), DbmsGridRole::OID).isValid());
            model.Refresh();
            QCOMPARE(model.rowCount(), 601);
        }
        for (int r = 0; r < model.rowCount(); r += 7) {
            const OID oid = model.OIDAt(r);
            QCOMPARE(model.RowOf(oid), r);
            QCOMPARE(model.Bookmark(r), oid);
        }
        QCOMPARE(model.OIDAt(model.rowCount() - 1), mario); // "Mario" sorts before any "Nome"
        QCOMPARE(model.OIDAt(model.rowCount()), OID(0));
        QCOMPARE(model.RowOf(999999), -1);
        // The caller positions the data source on a bookmark; the model never moves it.
        const OID bookmark = model.Bookmark(250);
        QCOMPARE(ds->Position(), qint64(0));
        QVERIFY(ds->Locate(bookmark));
        QCOMPARE(ds->GetText("Nome"),
                 model.data(model.index(250, model.ColumnOf("Nome"))).toString());
        DbmsGridModel active(small.Open("Persone", "Attivo = True"), nullptr);
        QCOMPARE(active.rowCount(), 300);
        QCOMPARE(active.RowOf(mario), -1);
    }

    void resetShowsRowsAddedAndRemoved() {
        auto ds = small.Open("Vendite");
        DbmsGridModel model(ds, nullptr);
        QAbstractItemModelTester tester(&model, Fatal);
        const int rows = model.rowCount(), note = model.ColumnOf("Note");
        const OID added = ds->AddRow({{"Note", "terza"}});
        QCOMPARE(model.rowCount(), rows); // the view hears of it on Reset only
        model.Reset();
        QCOMPARE(model.rowCount(), rows + 1);
        QCOMPARE(model.data(model.index(model.RowOf(added), note)).toString(), QString("terza"));

        // Rows added through another data source need the rows read again.
        small.Open("Vendite")->AddRow({{"Note", "quarta"}});
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

    void editsOfTheCurrentRowRepaintIt() {
        auto ds = small.Open("Persone");
        DbmsGridModel model(ds, nullptr);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        const int nome = model.ColumnOf("Nome");
        QVERIFY(ds->MoveTo(3));
        ds->SetValue("Nome", "Cambiato");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].value<QModelIndex>(), model.index(3, 0));
        QCOMPARE(changed[0][1].value<QModelIndex>(), model.index(3, model.columnCount() - 1));
        QCOMPARE(model.data(model.index(3, nome)).toString(), QString("Cambiato"));
        ds->CancelUpdate();
        QCOMPARE(model.data(model.index(3, nome)).toString(), QString("Nome 4"));
        // A row not yet stored is none of the model's rows.
        ds->AddNew();
        ds->SetValue("Nome", "Nuovo");
        QCOMPARE(changed.count(), 1);
        ds->CancelUpdate();
    }

    void aHundredThousandRowsShowAtOnce() {
        QTableView view;
        view.resize(800, 600);
        DbmsFormService service;
        DbmsGridModel* model = service.BindGrid(&view, big.Open("Persone"));
        QCOMPARE(model->rowCount(), BigRows);
        const int codice = model->ColumnOf("Codice");
        // The first row, the last, the middle: each read where it stands.
        QCOMPARE(model->data(model->index(0, codice)).toString(), Code(1));
        QCOMPARE(model->data(model->index(BigRows - 1, codice)).toString(), Code(BigRows));
        QCOMPARE(model->data(model->index(50'000, codice)).toString(), Code(50'001));
        QCOMPARE(model->RowOf(model->OIDAt(77'777)), 77'777);

        // Painted in a real view, at the top and after a jump to the end.
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.rowAt(0), 0);
        QVERIFY(!view.grab().isNull());
        view.scrollToBottom();
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        const QModelIndex last = model->index(BigRows - 1, codice);
        QVERIFY(view.viewport()->rect().contains(view.visualRect(last).center()));
        QVERIFY(!view.grab().isNull());

        DbmsGridModel filtered(big.Open("Persone", "Punti > 99000"), nullptr);
        QAbstractItemModelTester tester(&filtered, Fatal);
        QCOMPARE(filtered.rowCount(), 1000);
    }

    void bindGridAppliesTheLayoutToARealViewAndRebindingReplacesOnlyOurModel() {
        auto layout = MakeLayout(small, "Note,Importo,Data", {{"Note", 3000}, {"Data", 1000}});
        QTableView view;
        view.resize(640, 480);
        DbmsFormService service;
        DbmsGridModel* model = service.BindGrid(&view, small.Open("Vendite"), layout);
        QVERIFY(view.model() == model && model->parent() == &view);
        QCOMPARE(FieldsOf(*model), (QStringList{"Note", "Importo", "Data"}));
        // Twips to pixels, 15 to one, rounded; no width stored, room for an amount.
        QCOMPARE(view.horizontalHeader()->sectionSize(0), 200);
        QVERIFY(view.horizontalHeader()->sectionSize(1) >
                view.horizontalHeader()->fontMetrics().horizontalAdvance("0.000.000,00"));
        QCOMPARE(view.horizontalHeader()->sectionSize(2), 67);

        // A click selects the whole row; its bookmark positions the data source.
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          view.visualRect(model->index(1, 1)).center());
        QCOMPARE(view.selectionModel()->selectedRows().size(), 1);
        auto ds = model->DataSource();
        QVERIFY(ds->Locate(model->Bookmark(view.currentIndex().row())));
        QCOMPARE(ds->GetText("Note"), QString("seconda"));

        // Binding again replaces our model; every column shown again, at its own width.
        QPointer<DbmsGridModel> first = model;
        view.setColumnHidden(1, true);
        QPointer<DbmsGridModel> second = service.BindGrid(&view, small.Open("Persone"));
        QVERIFY(first.isNull());
        QVERIFY(view.model() == second.data());
        QVERIFY(!view.isColumnHidden(1));
        QVERIFY(view.horizontalHeader()->sectionSize(0) != 200);

        QVERIFY(!service.BindGrid(&view, nullptr)); // no data source: the view is unbound
        QVERIFY(second.isNull() && !view.model());

        QStandardItemModel foreign; // a model the program set itself is left alone
        view.setModel(&foreign);
        QVERIFY(service.BindGrid(&view, small.Open("Vendite")));
        QCOMPARE(foreign.rowCount(), 0);
    }
};

QTEST_MAIN(DbmsGridModelTest)
#include "DbmsGridModelTest.moc"
