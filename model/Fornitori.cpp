#include "Fornitori.h"

#include "DbmsDataSource.h"
#include "DbmsDefinition.h"

void Fornitori::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Fornitori");
    p_objIdentity.SetVersion(1.5);
}

void Fornitori::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx, DbmsReferences&) {
    p_objCol.AddField("Codice", DbmsType::Text, 32);
    p_objCol.AddField("Descrizione", DbmsType::Text, 64);
    p_objCol.AddField("Indirizzo", DbmsType::Text, 128);
    p_objCol.AddField("Telefono", DbmsType::Text, 32);
    p_objCol.AddField("Cellulare", DbmsType::Text, 32);
    p_objCol.AddField("Fax", DbmsType::Text, 32);
    p_objCol.AddField("EMail", DbmsType::Text, 64);
    p_objCol.AddField("Note", DbmsType::Text, 255);
    p_objInx.AddIndex("Codice", false, "");
    p_objInx.AddIndex("Descrizione", true, "");
}

void Fornitori::OnUpdatedTableStruct(DbmsDataSource& p_objTableDS, double, double,
                                     bool p_blnCreated) {
    // Articles need a supplier to point to from the first day; older tables already have one.
    if (!p_blnCreated) return;
    p_objTableDS.AddRow({{"Codice", QString("0")}, {"Descrizione", QString("Fornitore generico")}});
}

void Fornitori::OnNewRow(DbmsDataSource& p_objDS) {
    for (const char* field :
         {"Codice", "Indirizzo", "Telefono", "Cellulare", "Fax", "EMail", "Note"})
        p_objDS.SetValue(field, QString(""));
}
