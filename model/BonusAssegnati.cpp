#include "BonusAssegnati.h"

#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsDefinition.h"
#include "modPunti.h"

void BonusAssegnati::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Bonus Assegnati");
    p_objIdentity.SetParentTable("TabellaBonus");
    p_objIdentity.SetChildListCaption("Bonus Assegnati");
}

void BonusAssegnati::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                                     DbmsReferences&) {
    p_objCol.AddField("Data", DbmsType::Date, 0);
    p_objCol.AddField("Quantita", DbmsType::Integer, 0);
    p_objCol.AddField("PuntiAssegnati", DbmsType::Integer, 0);
    p_objInx.AddIndex("Data", false, "");
}

void BonusAssegnati::OnNewRow(DbmsDataSource& p_objDS) {
    p_objDS.SetValue("Data", DbmsClock::Now());
    p_objDS.SetValue("Quantita", 1);
}

void BonusAssegnati::OnUpdateField(DbmsDataSource& p_objDS, const QString& p_strFieldName) {
    // `Punti` belongs to the parent bonus; it is reported when the link is set.
    if (p_strFieldName == "Punti" || p_strFieldName == "Quantita")
        p_objDS.SetValue(
            "PuntiAssegnati",
            CheckedPoints("Il punteggio del bonus", p_objDS.GetValue("Punti").toLongLong() *
                                                        p_objDS.GetValue("Quantita").toLongLong()));
}
