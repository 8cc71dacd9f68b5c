#include "ReportLayout.h"

using Kind = ReportKind;
using What = ReportTotal::What;

ReportLayout drArticoli(const QString& title) {
    return {"drArticoli",
            title,
            {{"Codice", "Codice", Kind::Text, 2},
             {"Descrizione", "Descrizione", Kind::Text, 5},
             {"Importo", "Importo", Kind::Amount, 2},
             {"Fornitore", "Fornitore", Kind::Text, 3}},
            {{"Numero degli articoli:", What::Count, {}}}};
}

ReportLayout drClienti(const QString& title) {
    return {"drClienti",
            title,
            {{"Codice", "Codice", Kind::Text, 2},
             {"Descrizione", "Descrizione", Kind::Text, 5},
             {"Punti", "Punti", Kind::Whole, 1},
             {"Codice Fiscale", "CodiceFiscale", Kind::Text, 3}},
            {{"Numero dei clienti", What::Count, {}}}};
}

ReportLayout drArticoliVenduti(const QString& title) {
    return {"drArticoliVenduti",
            title,
            {{"Descrizione", "Descrizione", Kind::Text, 4},
             {"Quantita'", "Quantita", Kind::Whole, 2},
             {"Importo", "ImportoVendita", Kind::Amount, 2},
             {"Data", "Data", Kind::Date, 2},
             {"Fornitore", "Fornitore", Kind::Text, 3},
             {"Punti attribuiti", "PuntiAssegnati", Kind::Whole, 2}},
            {{"Numero degli articoli:", What::Count, {}}, {{}, What::Sum, "ImportoVendita"}}};
}

ReportLayout drVendite(const QString& title) {
    return {"drVendite",
            title,
            {{"Data", "Data", Kind::Date, 2},
             {"Importo", "Importo", Kind::Amount, 2},
             {"Cliente", "Cliente", Kind::Text, 4},
             {"Rif. Voucher", "RiferimentoVoucher", Kind::Text, 2},
             {"Punti", "PuntiAssegnati", Kind::Whole, 1},
             {"Bonus", "PuntiBonus", Kind::Whole, 1},
             {"Spesi", "PuntiSpesi", Kind::Whole, 1}},
            {{"Importo Totale:", What::Sum, "Importo"},
             {"Numero delle vendite conteggiate:", What::Count, {}}}};
}

std::vector<ReportColumn> SaleHeadingColumns() {
    return {{"DATA", "Data", Kind::Date, 2},
            {"IMPORTO", "Importo", Kind::Amount, 2},
            {"CLIENTE", "Cliente", Kind::Text, 4},
            {"RIF.VOUCHER", "RiferimentoVoucher", Kind::Text, 2},
            {"PUNTI", "PuntiAssegnati", Kind::Whole, 1},
            {"BONUS", "PuntiBonus", Kind::Whole, 1},
            {"SPESI", "PuntiSpesi", Kind::Whole, 1}};
}

ReportGroupLayout drResoconto(const QString& title) {
    return {"drResoconto",
            title,
            "Articoli",
            {{"Codice Articolo", "Codice", Kind::Text, 2},
             {"Descrizione", "Descrizione", Kind::Text, 5},
             {"Importo", "ImportoVendita", Kind::Amount, 2},
             {"Quantità", "Quantita", Kind::Whole, 1},
             {"Punti ", "PuntiAssegnati", Kind::Whole, 1}},
            {{"Importo Totale:", What::Sum, "Importo"}}};
}

ReportGroupLayout drResocontoBonus(const QString& title) {
    return {"drResocontoBonus",
            title,
            "Bonus",
            {{"Bonus", "Descrizione", Kind::Text, 4},
             {"Quantità", "Quantita", Kind::Whole, 2},
             {"Bonus", "PuntiAssegnati", Kind::Whole, 2},
             {"Note", "Note", Kind::Text, 5}},
            {}};
}

ReportGroupLayout drResocontoPremi(const QString& title) {
    return {"drResocontoPremi",
            title,
            "Premi",
            {{"Premio", "Descrizione", Kind::Text, 4},
             {"Quantità", "Quantita", Kind::Whole, 2},
             {"Punti Spesi", "PuntiSpesi", Kind::Whole, 2},
             {"Note", "Note", Kind::Text, 5}},
            {}};
}

ReportGroupLayout drSituazioneClienti(const QString& title) {
    return {"drSituazioneClienti", title, {}, {}, {}, true};
}

ReportChoice ChooseReportLayout(const QString& table, const QString& title) {
    if (table == "Clienti") {
        if (title == "Situazione Cliente")
            return {"drSituazioneClienti", std::nullopt, drSituazioneClienti(title)};
        return {"drClienti", drClienti(title), {}};
    }
    if (table == "Articoli") return {"drArticoli", drArticoli(title), {}};
    if (table == "ArticoliVenduti") return {"drArticoliVenduti", drArticoliVenduti(title), {}};
    if (table == "OperazioniVendite") {
        if (title == "Lista Operazioni") return {"drVendite", drVendite(title), {}};
        if (title == "Resoconto Vendite") return {"drResoconto", std::nullopt, drResoconto(title)};
        if (title == "Resoconto Bonus")
            return {"drResocontoBonus", std::nullopt, drResocontoBonus(title)};
        if (title == "Resoconto Premi")
            return {"drResocontoPremi", std::nullopt, drResocontoPremi(title)};
    }
    return {};
}
