#include "TabellaPunti.h"

#include "DbmsDataSource.h"
#include "DbmsDefinition.h"

void TabellaPunti::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Tabella Punti");
}

void TabellaPunti::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx, DbmsReferences&) {
    p_objCol.AddField("Descrizione", DbmsType::Text, 64);
    p_objCol.AddField("ValorePunto", DbmsType::Money, 0);
    p_objCol.AddField("Note", DbmsType::Text, 255);
    p_objInx.AddIndex("Descrizione", true, "");
}

void TabellaPunti::OnUpdatedTableStruct(DbmsDataSource& p_objTableDS, double, double,
                                        bool p_blnCreated) {
    if (!p_blnCreated) return;
    const std::pair<const char*, qint64> schemes[] = {
        {"Nessun punteggio previsto", 0},
        {"Punteggio articoli standard - ogni L 100.000", 100000},
        {"Punteggio articoli in promozione - ogni L 80.000", 80000},
        {"Punteggio articoli particolari - ogni L 10.000", 10000},
    };
    for (const auto& [description, value] : schemes)
        p_objTableDS.AddRow({{"Descrizione", QString(description)},
                             {"ValorePunto", QVariant::fromValue(Money::FromWhole(value))}});
}

void TabellaPunti::OnNewRow(DbmsDataSource& p_objDS) {
    p_objDS.SetValue("Note", QString(""));
}
