#include "TabellaBonus.h"

#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsDefinition.h"
#include "modDateUtil.h"

void TabellaBonus::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Tabella Bonus");
}

void TabellaBonus::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                                   DbmsReferences& p_objRef) {
    p_objCol.AddField("Scadenza", DbmsType::Date, 0);
    p_objCol.AddField("Descrizione", DbmsType::Text, 64);
    p_objCol.AddField("Punti", DbmsType::Integer, 0);
    p_objCol.AddField("ImportoMinimo", DbmsType::Money, 0);
    p_objCol.AddField("Cumulabile", DbmsType::Boolean, 0);
    p_objCol.AddField("Note", DbmsType::Text, 255);
    p_objInx.AddIndex("Descrizione", true, "");
    p_objInx.AddIndex("Scadenza", false, "");
    p_objRef.AddReference("Articoli", "Articoli", true, false, "Codice", "Descrizione");
}

void TabellaBonus::OnNewRow(DbmsDataSource& p_objDS) {
    p_objDS.SetValue("ImportoMinimo", QVariant::fromValue(Money{}));
    p_objDS.SetValue("Scadenza", AddOneYear(DbmsClock::Now()));
    p_objDS.SetValue("Cumulabile", false);
    p_objDS.SetValue("Note", QString(""));
}
