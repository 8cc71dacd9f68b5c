#pragma once
// The sale window over a fresh archive, its catalogue drawn from a seed, and the checks that
// compare the window and the archive with the reference (SaleReference.h). The clerk's actions
// are SaleModelTest's.

#include "DbmsGridModel.h"
#include "SaleReference.h"
#include "TempArchive.h"
#include "WindowTest.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "frmVendite.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include <map>
#include <random>

class SaleWindowRun {
protected:
    static QDateTime Now() { return TempArchive::DefaultNow(); }

    explicit SaleWindowRun(quint64 seed) : m_rng(seed) {}

    int Pick(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(m_rng)); }
    bool Chance(int percent) { return Pick(100) < percent; }
    template <typename T> T OneOf(std::initializer_list<T> values) {
        return *(values.begin() + Pick(int(values.size())));
    }
    void Log(const QString& text) { m_log << QString("%1. %2").arg(m_log.size() + 1).arg(text); }
    void Fail(const QString& text) {
        if (!m_error.isEmpty()) return;
        m_error = text + QString("\nriferimento: aperta %1, cliente %2 (%3 punti), %4 righe, %5 "
                                 "bonus, %6 premi, totale %7, bonus %8, spesi %9")
                             .arg(ref.open)
                             .arg(ref.customer)
                             .arg(ref.start)
                             .arg(ref.lines.size())
                             .arg(ref.given.size())
                             .arg(ref.taken.size())
                             .arg(Shown(ref.Amount()))
                             .arg(ref.bonusPoints)
                             .arg(ref.spent);
    }
    template <typename T> void Same(const T& shown, const T& expected, const QString& what) {
        if (shown != expected)
            Fail(QString("%1: %2, atteso %3").arg(what).arg(shown).arg(expected));
    }

    void Catalogue() {
        const qint64 values[] = {0, 10 * Scale, 25 * Scale, 333333};
        OID schemes[4];
        for (int i = 0; i < 4; ++i)
            schemes[i] = a.Add("TabellaPunti", {{"Descrizione", QString("Schema %1").arg(i)},
                                                {"ValorePunto", AmountUnits(values[i])}});
        const OID cash = a.Add("TipiPagamento", {{"Descrizione", "Contanti"}});
        settings.WriteSetting("OperazioniVendite", "PagamentoDefault", QString::number(cash));
        for (int i = 0; i < 8; ++i) {
            const qint64 price =
                i == 0 ? 0
                       : OneOf<qint64>({0, 100 * Scale, 250 * Scale, 123456, 99999 * Scale,
                                        -15 * Scale, 100000000000 * Scale, 40 * Scale, INT64_MAX});
            const int scheme = Pick(5) - 1;
            DbmsFieldValues row{{"Codice", QString("A%1").arg(i + 1)},
                                {"Descrizione", QString("Articolo %1").arg(i + 1)},
                                {"Importo", AmountUnits(price)}};
            if (scheme >= 0) row.push_back({"Punti", schemes[scheme]});
            const OID oid = a.Add("Articoli", row);
            ref.articles.push_back(
                {oid, QString("A%1").arg(i + 1), price, scheme >= 0 ? values[scheme] : -1});
        }
        for (int i = 0; i < 3; ++i) {
            const qint64 points = i == 2 ? OneOf<qint64>({2147483000, -2147483648}) : Pick(400);
            const QString code = QString("C00%1").arg(i + 1);
            ref.customers.push_back(
                {a.Add("Clienti", {{"Codice", code}, {"Cognome", "Cliente"}, {"Punti", points}}),
                 code, points});
        }
        // Valid until next year, or until today early in the morning (still valid today), or
        // expired yesterday.
        const auto expiry = [&](bool valid) {
            return valid ? (Chance(80) ? Now().addYears(1) : Now().addSecs(-2 * 3600))
                         : Now().addDays(-1);
        };
        for (int i = 0; i < 5; ++i) {
            Prize p{0,
                    i == 4                 ? 0
                    : i == 3 && Chance(30) ? 2147483000
                                           : 1 + Pick(150),
                    Pick(5), Chance(50), Chance(85)};
            p.oid = a.Add("TabellaPremi", {{"Descrizione", QString("Premio %1").arg(i + 1)},
                                           {"PuntiNecessari", p.needed},
                                           {"Disponibilita", p.stock},
                                           {"Cumulabile", p.cumulative},
                                           {"Scadenza", expiry(p.valid)}});
            ref.prizes.push_back(p);
        }
        for (int i = 0; i < 4; ++i) {
            Bonus b{0,
                    i == 3 && Chance(30) ? 2147483647 : 1 + Pick(60),
                    OneOf<qint64>({0, 50, 200, 1000}) * Scale,
                    Chance(50),
                    Chance(85),
                    {}};
            b.oid = a.Add("TabellaBonus", {{"Descrizione", QString("Bonus %1").arg(i + 1)},
                                           {"Punti", b.points},
                                           {"ImportoMinimo", AmountUnits(b.minimum)},
                                           {"Cumulabile", b.cumulative},
                                           {"Scadenza", expiry(b.valid)}});
            auto tied = a.Row("TabellaBonus", b.oid);
            tied->MoveFirst();
            for (int k = Pick(3); k > 0; --k) {
                const OID article = ref.articles[size_t(Pick(8))].oid;
                if (b.articles.contains(article)) continue;
                tied->SetReference("Articoli", article);
                b.articles << article;
            }
            ref.bonuses.push_back(b);
        }
        settings.AutoIdentify_Bonus = ref.autoBonus = Chance(70);
        settings.AutoIdentify_Premi = ref.autoPrizes = Chance(70);
    }

    void OpenWindow() {
        w = std::make_unique<frmVendite>(session, settings);
        w->show();
        QApplication::setActiveWindow(w.get());
        (void)QTest::qWaitForWindowActive(w.get(), 1000);
        ref.Close();
    }

    // --- answers ---
    void Ok() {
        prompter->Answer(PromptAnswer::Ok);
        ++m_refusals;
    }
    void Answer(bool yes) { prompter->Answer(yes ? PromptAnswer::Yes : PromptAnswer::No); }
    // The row with this OID chosen from the selection list.
    void Choose(OID oid) {
        prompter->Dialog([oid](QDialog& d) {
            auto* view = Child<QTableView>(d, "dgRows");
            auto* model = qobject_cast<DbmsGridModel*>(view->model());
            view->setCurrentIndex(model->index(model->RowOf(oid), 0));
            return int(QDialog::Accepted);
        });
    }
    // A row editor: fields typed in, then saved or given up.
    void Editor(const std::vector<std::pair<QString, QString>>& typed, bool save = true) {
        prompter->Dialog([typed, save](QDialog& d) {
            for (const auto& [field, text] : typed)
                Child<QLineEdit>(d, field)->setText(text);
            return int(save ? QDialog::Accepted : QDialog::Rejected);
        });
    }
    // Text typed key by key, each character as the keyboard sends it (any script).
    static void TypeText(QWidget* field, const QString& text) {
        field->setFocus();
        for (int i = 0; i < text.size(); ++i) {
            const int n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text.mid(i, n));
            QApplication::sendEvent(field, &press);
            i += n - 1;
        }
    }

    // --- checks ---
    QString Rows(const QString& table, const QString& link, const QString& collection,
                 const QString& points) {
        return a.Text(QString("SELECT IFNULL(group_concat(x, ';'), '') FROM (SELECT %2 || ':' "
                              "|| t.Quantita || ':' || IFNULL(t.%4, 0) AS x FROM %1 t JOIN "
                              "OperazioniVendite__%3 k ON k.OID_Item = t.OID WHERE k.OID_Owner "
                              "= %5 ORDER BY t.OID)")
                          .arg(table, link, collection, points)
                          .arg(m_openSale));
    }
    void Check() {
        if (!prompter->Failures().isEmpty() || prompter->Pending() != 0) {
            Fail(QString("domande diverse dal previsto: %1 (rimaste %2); ultimo messaggio: %3")
                     .arg(prompter->Failures().join(" / "))
                     .arg(prompter->Pending())
                     .arg(prompter->LastMessage().Text));
            return;
        }
        Same(w->IsSaleOpen(), ref.open, "vendita aperta");
        if (!ref.open || !w->IsSaleOpen()) return;
        m_openSale = w->Vendita().Sale()->CurrentOID();
        Same(w->lblTotale->text(), Shown(ref.Amount()), "totale");
        Same(w->lblTot_PuntiBonus->text(), QString::number(ref.bonusPoints), "punti bonus");
        Same(w->lblTot_PuntiNecessari->text(), QString::number(ref.spent), "punti spesi");
        Same(w->lblTot_Punti->text(), QString::number(qint64(ref.Balance())), "punteggio finale");
        Same(w->lblPunti->text(), QString::number(ref.start), "punteggio iniziale");
        // The same card read again is left as read, line end included: nothing else happens.
        Same(w->txtCode_Cliente->text().remove('\r'), ref.customers[size_t(ref.customer)].code,
             "cliente");
        QStringList lines, given, taken;
        for (const Line& l : ref.lines)
            lines << QString("%1:%2:%3:%4")
                         .arg(l.article < 0 ? ""
                                            : QString::number(ref.articles[size_t(l.article)].oid))
                         .arg(l.amount)
                         .arg(l.quantity)
                         .arg(l.points);
        for (const Given& g : ref.given)
            given << QString("%1:%2:%3")
                         .arg(ref.bonuses[size_t(g.definition)].oid)
                         .arg(g.quantity)
                         .arg(ref.bonuses[size_t(g.definition)].points * g.quantity);
        for (const Given& g : ref.taken)
            taken << QString("%1:%2:%3")
                         .arg(ref.prizes[size_t(g.definition)].oid)
                         .arg(g.quantity)
                         .arg(ref.prizes[size_t(g.definition)].needed * g.quantity);
        Same(Rows("ArticoliVenduti", "IFNULL(t.OID_Articoli, '') || ':' || t.ImportoVendita",
                  "Articoli", "PuntiAssegnati"),
             lines.join(';'), "righe (articolo:importo:quantita:punti)");
        Same(Rows("BonusAssegnati", "t.OID_TabellaBonus", "Bonus", "PuntiAssegnati"),
             given.join(';'), "bonus (bonus:quantita:punti)");
        Same(Rows("PremiAssegnati", "t.OID_TabellaPremi", "Premi", "PuntiSpesi"), taken.join(';'),
             "premi (premio:quantita:punti)");
        // Each grid shows the sale's rows as they stand, in the order they were made.
        for (auto [grid, collection] :
             {std::pair{w->dgArticoli, "Articoli"}, std::pair{w->dgBonus, "Bonus"},
              std::pair{w->dgPremi, "Premi"}}) {
            QStringList shown;
            if (auto* model = qobject_cast<DbmsGridModel*>(grid->model()))
                for (int row = 0; row < model->rowCount(); ++row)
                    shown << QString::number(model->OIDAt(row));
            Same(shown.join(','),
                 a.Text(QString("SELECT IFNULL(group_concat(OID_Item, ','), '') FROM (SELECT "
                                "OID_Item FROM OperazioniVendite__%1 WHERE OID_Owner = %2 ORDER "
                                "BY OID_Item)")
                            .arg(collection)
                            .arg(m_openSale)),
                 QString("righe nella griglia ") + grid->objectName());
        }
        CheckStock();
    }
    void CheckStock() {
        for (const auto& c : ref.customers)
            Same(a.Scalar(QString("SELECT Punti FROM Clienti WHERE OID = %1").arg(c.oid)), c.points,
                 "punti del cliente " + c.code);
        for (const auto& p : ref.prizes)
            Same(a.Scalar(
                     QString("SELECT Disponibilita FROM TabellaPremi WHERE OID = %1").arg(p.oid)),
                 p.stock, "disponibilita' del premio");
        Same(a.Count("OperazioniVendite"), qint64(ref.confirmed + (ref.open ? 1 : 0)), "vendite");
    }
    void CheckConfirmed() {
        Same(a.Text(QString("SELECT Importo || '|' || PuntiAssegnati || '|' || PuntiBonus || '|' "
                            "|| PuntiSpesi || '|' || OID_Cliente || '|' || Note || '|' || "
                            "RiferimentoVoucher FROM OperazioniVendite WHERE OID = %1")
                        .arg(m_saleOid)),
             m_expectSale, "vendita confermata");
        Same(a.Scalar(QString("SELECT COUNT(*) FROM Pagamenti p JOIN OperazioniVendite__Pagamento "
                              "k ON k.OID_Item = p.OID JOIN OperazioniVendite v ON v.OID = "
                              "k.OID_Owner AND v.Importo = p.Importo WHERE v.OID = %1")
                          .arg(m_saleOid)),
             qint64(m_paid ? 1 : 0), "pagamento");
        m_expectSale.clear();
    }
    // Every sale adds up, and no row hangs without its owner.
    void CheckArchive() {
        CheckStock();
        const auto sums = [](const QString& table, const QString& field, const QString& coll) {
            return QString("IFNULL((SELECT SUM(t.%2) FROM %1 t JOIN OperazioniVendite__%3 k ON "
                           "k.OID_Item = t.OID WHERE k.OID_Owner = v.OID), 0)")
                .arg(table, field, coll);
        };
        Same(
            a.Scalar(
                QString("SELECT COUNT(*) FROM OperazioniVendite v WHERE OID <> %1 AND (Importo <> ")
                    .arg(ref.open ? m_openSale : 0) +
                sums("ArticoliVenduti", "ImportoVendita", "Articoli") + " OR PuntiAssegnati <> " +
                sums("ArticoliVenduti", "PuntiAssegnati", "Articoli") + " OR PuntiBonus <> " +
                sums("BonusAssegnati", "PuntiAssegnati", "Bonus") + " OR PuntiSpesi <> " +
                sums("PremiAssegnati", "PuntiSpesi", "Premi") + ")"),
            qint64(0), "vendite che non tornano");
        for (const auto& [table, coll] :
             {std::pair{"ArticoliVenduti", "Articoli"}, std::pair{"BonusAssegnati", "Bonus"},
              std::pair{"PremiAssegnati", "Premi"}, std::pair{"Pagamenti", "Pagamento"}})
            Same(a.Scalar(QString("SELECT COUNT(*) FROM %1 WHERE OID NOT IN (SELECT OID_Item "
                                  "FROM OperazioniVendite__%2) OR OID IN (SELECT OID_Item FROM "
                                  "OperazioniVendite__%2 WHERE OID_Owner NOT IN (SELECT OID "
                                  "FROM OperazioniVendite))")
                              .arg(table, coll)),
                 qint64(0), QString("righe di %1 senza vendita").arg(table));
        Same(a.Text("PRAGMA integrity_check"), QString("ok"), "integrita'");
    }

    std::mt19937_64 m_rng;
    TempArchive a;
    clsArchiveSession session;
    clsSettings settings;
    std::unique_ptr<ScriptedPrompter> prompter = std::make_unique<ScriptedPrompter>();
    std::unique_ptr<frmVendite> w;
    Reference ref;
    QString m_note, m_voucher, m_expectSale, m_error;
    OID m_saleOid = 0, m_openSale = 0;
    bool m_paid = false;
    int m_refusals = 0;
    QStringList m_log;
};
