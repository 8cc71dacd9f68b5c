#include "TipiPagamento.h"

#include "DbmsDataSource.h"
#include "DbmsDefinition.h"

void TipiPagamento::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Tipi Pagamento");
}

void TipiPagamento::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes&, DbmsReferences&) {
    p_objCol.AddField("Descrizione", DbmsType::Text, 64);
}

void TipiPagamento::OnUpdatedTableStruct(DbmsDataSource& p_objTableDS, double, double,
                                         bool p_blnCreated) {
    // Only a brand-new table gets the defaults: the user may have renamed or removed them.
    if (!p_blnCreated) return;
    for (const char* description : {"Contanti", "Assegno", "Bonifico", "Posticipato", "Altro"})
        p_objTableDS.AddRow({{"Descrizione", QString(description)}});
}
