#include "Pagamenti.h"

#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsDefinition.h"

void Pagamenti::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Pagamenti del Cliente");
}

void Pagamenti::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                                DbmsReferences& p_objRef) {
    p_objCol.AddField("Data", DbmsType::Date, 0);
    p_objCol.AddField("Importo", DbmsType::Money, 0);
    p_objCol.AddField("Note", DbmsType::Text, 128);
    p_objRef.AddReference("Cliente", "Clienti", false, false, "", "Descrizione");
    p_objRef.AddReference("Pagamento", "TipiPagamento", false, false, "", "Descrizione");
    p_objInx.AddIndex("Data", false, "");
}

void Pagamenti::OnNewRow(DbmsDataSource& p_objDS) {
    p_objDS.SetValue("Data", DbmsClock::Now());
    p_objDS.SetValue("Note", QString(""));
}
