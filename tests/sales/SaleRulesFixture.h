#pragma once
// The counter's rules on a real archive, the clock frozen on 15 March 2024 at 10:30 and the
// clerk scripted: the customer C001 with 40 points, the articles A1 at 100 and A2 at 250 (one
// point every 10), cash as the default payment.
#include "TempArchive.h"
#include "TempEnvironment.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "clsVendita.h"

#include <deque>
#include <optional>

const QDateTime Now = TempArchive::DefaultNow();
const QDateTime NextYear = Now.addYears(1);

// An editor with nothing scripted saves what it proposes; a list with nothing scripted is left
// without a choice; a question nobody scripted fails the test.
class ScriptedClerk : public itfVenditaClerk {
public:
    QVariant EditRow(DbmsDataSource& rows, bool newRow, const DbmsFieldValues& values) override {
        ++editors;
        const auto edit = Next(edits, std::optional(DbmsFieldValues{}));
        if (!edit) return {};
        if (newRow) {
            DbmsFieldValues row = values;
            row.insert(row.end(), edit->begin(), edit->end());
            return rows.AddRow(row);
        }
        for (const auto& [field, value] : *edit)
            rows.SetValue(field, value);
        if (rows.IsDirty()) rows.Update();
        return rows.CurrentOID();
    }
    QVariant ChooseRow(DbmsDataSource&) override {
        ++lists;
        const OID chosen = Next(choices, OID(0));
        return chosen ? QVariant(chosen) : QVariant();
    }
    bool Ask(const QString& question) override {
        asked << question;
        if (answers.empty()) ADD_FAILURE() << "unscripted question: " << question.toStdString();
        return Next(answers, false);
    }
    void Say(const QString& text) override { said << text; }
    void Beep() override { ++beeps; }
    bool SearchText(QString&, bool&) override { return false; }
    template <typename T> static T Next(std::deque<T>& script, T otherwise) {
        if (script.empty()) return otherwise;
        T next = script.front();
        script.pop_front();
        return next;
    }
    std::deque<std::optional<DbmsFieldValues>> edits; // nullopt: the clerk gives up
    std::deque<OID> choices;
    std::deque<bool> answers;
    QStringList asked, said;
    int beeps = 0, editors = 0, lists = 0;
};

class SaleRulesTest : public TempEnvironment {
protected:
    void SetUp() override {
        a.Create();
        session.SetStorage(a.storage);
        session.SetDatabase(a.db);
        scheme = a.Add("TabellaPunti", {{"Descrizione", "1 ogni 10"}, {"ValorePunto", Amount(10)}});
        cash = a.Add("TipiPagamento", {{"Descrizione", "Contanti"}});
        settings.WriteSetting("OperazioniVendite", "PagamentoDefault", QString::number(cash));
        customer = a.Add(
            "Clienti", {{"Codice", "C001"}, {"Cognome", "Rossi"}, {"Nome", "Ada"}, {"Punti", 40}});
        for (const auto& [code, price] : {std::pair{"A1", 100}, std::pair{"A2", 250}})
            a.Add("Articoli", {{"Codice", code}, {"Importo", Amount(price)}, {"Punti", scheme}});
    }
    void TearDown() override { session.Release(); }
    OID Prize(const QString& name, qint64 needed, bool cumulative, int stock = 10,
              const QDateTime& expiry = NextYear) {
        return a.Add("TabellaPremi", {{"Descrizione", name},
                                      {"PuntiNecessari", needed},
                                      {"Cumulabile", cumulative},
                                      {"Disponibilita", stock},
                                      {"Scadenza", expiry}});
    }
    qint64 Assigned(const QString& table, OID definition) {
        const QString link = table == "PremiAssegnati" ? "OID_TabellaPremi" : "OID_TabellaBonus";
        return a.Scalar(QString("SELECT IFNULL(SUM(Quantita), 0) FROM %1 WHERE %2 = %3")
                            .arg(table, link)
                            .arg(definition));
    }
    QString PointsAndStock() {
        return a.Text(
            "SELECT (SELECT Punti FROM Clienti) || '/' || Disponibilita FROM TabellaPremi");
    }
    qint64 Pieces() { return a.Scalar("SELECT IFNULL(SUM(Quantita), 0) FROM ArticoliVenduti"); }
    // Writes that `when` names fail from now on, until Mend.
    void Break(const QString& when) {
        a.Exec("CREATE TRIGGER guasto " + when + " BEGIN SELECT RAISE(ABORT, 'disco guasto'); END");
    }
    void Mend() { a.Exec("DROP TRIGGER IF EXISTS guasto"); }
    TempArchive a;
    clsArchiveSession session;
    clsSettings settings;
    ScriptedClerk clerk;
    clsVendita sale{session, settings, clerk};
    OID scheme = 0, cash = 0, customer = 0;
};
