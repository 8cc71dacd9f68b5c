#include "Articoli.h"

#include "DbmsDataSource.h"
#include "DbmsDefinition.h"

void Articoli::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Articoli");
}

void Articoli::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                               DbmsReferences& p_objRef) {
    p_objCol.AddField("Codice", DbmsType::Text, 32);
    p_objCol.AddField("Descrizione", DbmsType::Text, 64);
    p_objCol.AddField("Importo", DbmsType::Money, 0);
    p_objCol.AddField("Note", DbmsType::Text, 255);
    p_objRef.AddReference("Punti", "TabellaPunti", false, false, "ValorePunto", "Descrizione");
    p_objRef.AddReference("Fornitore", "Fornitori", false, false, "Codice", "Descrizione");
    p_objInx.AddIndex("Codice", false, "");
    p_objInx.AddIndex("Descrizione", true, "");
}

void Articoli::OnNewRow(DbmsDataSource& p_objDS) {
    p_objDS.SetValue("Codice", QString(""));
    p_objDS.SetValue("Note", QString(""));
}
