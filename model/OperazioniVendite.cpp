#include "OperazioniVendite.h"

#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsDefinition.h"

namespace {
// Sets a sale field to the sum of a field over one of its collections, for every sale.
void RecomputeFromCollection(DbmsDataSource& sales, const QString& total, const QString& collection,
                             const QString& field) {
    sales.MoveFirst();
    while (!sales.EOF_()) {
        sales.SetValue(total, sales.GetReference(collection)->Sum(field));
        sales.Update();
        sales.MoveNext();
    }
}
} // namespace

void OperazioniVendite::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Vendite / Premiazioni");
    p_objIdentity.SetVersion(1.3);
}

void OperazioniVendite::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                                        DbmsReferences& p_objRef) {
    p_objCol.AddField("Data", DbmsType::Date, 0);
    p_objCol.AddField("Importo", DbmsType::Money, 0);
    p_objCol.AddField("PuntiAssegnati", DbmsType::Integer, 0);
    p_objCol.AddField("PuntiBonus", DbmsType::Integer, 0);
    p_objCol.AddField("PuntiSpesi", DbmsType::Integer, 0);
    p_objCol.AddField("RiferimentoVoucher", DbmsType::Text, 64);
    p_objCol.AddField("Note", DbmsType::Text, 255);
    p_objRef.AddReference("Cliente", "Clienti", false, false, "", "Descrizione");
    p_objRef.AddReference("Articoli", "ArticoliVenduti", true, true, "Codice", "Descrizione");
    p_objRef.AddReference("Bonus", "BonusAssegnati", true, true, "Punti", "Descrizione");
    p_objRef.AddReference("Premi", "PremiAssegnati", true, true, "PuntiSpesi", "Descrizione");
    p_objRef.AddReference("Pagamento", "Pagamenti", true, true, "Data", "Importo");
    p_objInx.AddIndex("Data", false, "");
}

void OperazioniVendite::OnUpdatedTableStruct(DbmsDataSource& p_objTableDS, double,
                                             double p_dblOldVersion, bool) {
    // 1.2 added the points earned by the lines to the sale.
    if (p_dblOldVersion < 1.2)
        RecomputeFromCollection(p_objTableDS, "PuntiAssegnati", "Articoli", "PuntiAssegnati");
    // 1.3 added the bonus points: what the sale's bonus rows earned, as the sale window counts
    // them.
    if (p_dblOldVersion < 1.3)
        RecomputeFromCollection(p_objTableDS, "PuntiBonus", "Bonus", "PuntiAssegnati");
}

void OperazioniVendite::OnNewRow(DbmsDataSource& p_objDS) {
    p_objDS.SetValue("Data", DbmsClock::Now());
    p_objDS.SetValue("PuntiAssegnati", 0);
    p_objDS.SetValue("PuntiBonus", 0);
    p_objDS.SetValue("PuntiSpesi", 0);
    p_objDS.SetValue("RiferimentoVoucher", QString(""));
    p_objDS.SetValue("Note", QString(""));
}
