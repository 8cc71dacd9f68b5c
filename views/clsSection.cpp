#include "clsSection.h"

#include <QLocale>

namespace {

// The three summaries group each customer's operations in date order.
const QString SummaryOrder = "OperazioniVendite.OID_Cliente,OperazioniVendite.Data";

clsSection SummaryOf(const QString& detail) {
    clsSection s;
    s.Table = "OperazioniVendite";
    s.FixedFilter = "N_" + detail + " > 0";
    s.Order = SummaryOrder;
    s.Detail = detail;
    s.Summary = true;
    return s;
}

QString UsDate(const QDate& date) {
    return date.toString("MM/dd/yyyy");
}

} // namespace

clsSection clsSection::FromKey(const QString& key) {
    clsSection s;
    if (key == "Situazione Cliente") {
        s.Table = "Clienti";
        s.Order = "Descrizione";
    } else if (key == "Resoconto Vendite") {
        s = SummaryOf("Articoli");
    } else if (key == "Resoconto Bonus") {
        s = SummaryOf("Bonus");
    } else if (key == "Resoconto Premi") {
        s = SummaryOf("Premi");
    } else if (key == "Lista Operazioni") {
        s.Table = "OperazioniVendite";
        s.Order = "OperazioniVendite.Data, OperazioniVendite.OID_Cliente";
    } else {
        s.Table = key;
    }
    s.DateField = DateFieldOf(s.Table);
    return s;
}

QString clsSection::DateFieldOf(const QString& table) {
    static const QStringList dated = {"OperazioniVendite", "Premiazioni",    "ArticoliVenduti",
                                      "PremiAssegnati",    "BonusAssegnati", "Pagamenti"};
    return dated.contains(table) ? QStringLiteral("Data") : QString();
}

QString DateSelectionCondition(const QString& field, bool month, bool day, const QDate& date) {
    if (month)
        return "Month(" + field + ") = " + QString::number(date.month()) + " AND Year(" + field +
               ") = " + QString::number(date.year());
    if (day)
        return field + " >= #" + UsDate(date) + "# AND " + field + " < #" +
               UsDate(date.addDays(1)) + "#";
    return {};
}

DateSelectionCaption MakeDateSelectionCaption(const QString& fieldCaption, bool month, bool day,
                                              const QDate& date) {
    // "Data Operazione" reads "Operazione  < ... >": the word "Data" says nothing beside a date.
    QString label = fieldCaption;
    if (fieldCaption.left(4).toUpper() == "DATA") {
        label = fieldCaption.mid(4);
        while (label.startsWith(' '))
            label.remove(0, 1);
        if (!label.isEmpty()) label += "  ";
    }
    const QLocale locale;
    DateSelectionCaption c;
    if (month) {
        c.Caption = label + "< " + locale.toString(date, "MMMM yyyy") + " >";
        c.ToolTip = "Dati del mese " + date.toString("MM/yyyy") + " relativi a " + fieldCaption;
        c.MenuCaption = "Solo in data " + c.Caption;
    } else if (day) {
        c.Caption = label + "< " + locale.toString(date, "dd MMM yyyy") + " >";
        c.ToolTip =
            "Dati del giorno " + date.toString("dd/MM/yyyy") + " relativi a " + fieldCaption;
        c.MenuCaption = "Solo in data " + c.Caption;
    } else {
        c.Caption = "< tutti >";
        c.ToolTip = "Nessuna selezione per " + fieldCaption;
        c.MenuCaption = "Seleziona per " + fieldCaption;
    }
    return c;
}
