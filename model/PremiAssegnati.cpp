#include "PremiAssegnati.h"

#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsDefinition.h"
#include "modPunti.h"

void PremiAssegnati::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Premi Assegnati");
    p_objIdentity.SetParentTable("TabellaPremi");
    p_objIdentity.SetChildListCaption("Premi Assegnati");
}

void PremiAssegnati::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                                     DbmsReferences&) {
    p_objCol.AddField("Data", DbmsType::Date, 0);
    p_objCol.AddField("Quantita", DbmsType::Integer, 0);
    p_objCol.AddField("PuntiSpesi", DbmsType::Integer, 0);
    p_objInx.AddIndex("Data", false, "");
}

void PremiAssegnati::OnNewRow(DbmsDataSource& p_objDS) {
    p_objDS.SetValue("Data", DbmsClock::Now());
    p_objDS.SetValue("Quantita", 1);
}

void PremiAssegnati::OnUpdateField(DbmsDataSource& p_objDS, const QString& p_strFieldName) {
    // `PuntiNecessari` belongs to the parent prize; it is reported when the link is set.
    if (p_strFieldName == "PuntiNecessari" || p_strFieldName == "Quantita")
        p_objDS.SetValue("PuntiSpesi",
                         CheckedPoints("Il punteggio del premio",
                                       p_objDS.GetValue("PuntiNecessari").toLongLong() *
                                           p_objDS.GetValue("Quantita").toLongLong()));
}
