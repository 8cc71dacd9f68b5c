#include "TabellaPremi.h"

#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsDefinition.h"
#include "modDateUtil.h"

void TabellaPremi::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Tabella Premi");
}

void TabellaPremi::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx, DbmsReferences&) {
    p_objCol.AddField("Descrizione", DbmsType::Text, 64);
    p_objCol.AddField("Disponibilita", DbmsType::Integer, 0);
    p_objCol.AddField("PuntiNecessari", DbmsType::Integer, 0);
    p_objCol.AddField("Cumulabile", DbmsType::Boolean, 0);
    p_objCol.AddField("Scadenza", DbmsType::Date, 0);
    p_objCol.AddField("Note", DbmsType::Text, 255);
    p_objInx.AddIndex("Descrizione", true, "");
    p_objInx.AddIndex("Scadenza", false, "");
}

void TabellaPremi::OnNewRow(DbmsDataSource& p_objDS) {
    p_objDS.SetValue("Disponibilita", 1);
    p_objDS.SetValue("Scadenza", AddOneYear(DbmsClock::Now()));
    p_objDS.SetValue("Cumulabile", false);
    p_objDS.SetValue("Note", QString(""));
}
