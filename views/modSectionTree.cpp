#include "modSectionTree.h"

const std::vector<SectionNode>& SectionNodes() {
    static const std::vector<SectionNode> nodes = {
        {0, "", "Liste", "Report"},
        {1, "Situazione Cliente", "Situazione Cliente", "ReportElement"},
        {1, "Resoconto Vendite", "Resoconto Vendite", "ReportElement"},
        {1, "Resoconto Premi", "Resoconto Premi", "ReportElement"},
        {1, "Resoconto Bonus", "Resoconto Bonus", "ReportElement"},
        {1, "Lista Operazioni", "Lista Operazioni", "ReportElement"},
        {0, "OperazioniVendite", "", "Archive"},
        {7, "ArticoliVenduti", "", "OperationElement"},
        {7, "PremiAssegnati", "", "OperationElement"},
        {7, "BonusAssegnati", "", "OperationElement"},
        {7, "Pagamenti", "", "OperationElement"},
        {0, "", "Anagrafica", "Anagrafic"},
        {12, "Clienti", "", "AnagraficCliFor"},
        {12, "Fornitori", "", "AnagraficCliFor"},
        {12, "Articoli", "", "Article"},
        {0, "", "Configurazione", "Operation"},
        {16, "TipiPagamento", "", "Archive"},
        {16, "TabellaPunti", "", "Archive"},
        {16, "TabellaPremi", "", "Archive"},
        {16, "TabellaBonus", "", "Archive"},
    };
    return nodes;
}

QString AgreementPhrase(const QString& word, bool feminineE) {
    const QString last = word.right(1).toLower();
    if (last == "i" || last == QStringLiteral("ì")) return " con stessi ";
    if (last == "a" || last == QStringLiteral("à")) return " con stessa ";
    if (last == "e" && feminineE) return " con stesse ";
    return " con stesso ";
}

QString DeferredCommandText(const QString& menu, int number) {
    // The sign position is kept: a number that is not negative gets a leading blank.
    const QString n = number < 0 ? QString::number(number) : " " + QString::number(number);
    return menu + "(" + n + ")";
}

DeferredCommand ParseDeferredCommand(const QString& text) {
    for (const QString menu : {"mnuContItem", "mnuRefItem", "mnuReferencedItem"}) {
        const QString head = menu + "(";
        if (!text.startsWith(head)) continue;
        // The number runs to the closing parenthesis; a blank stands for the sign.
        const QString rest = text.mid(head.size()).section(')', 0, 0).trimmed();
        return {menu, rest.toInt()};
    }
    return {};
}
