#include "ArticoliVenduti.h"

#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsDefinition.h"
#include "DbmsValues.h"
#include "modPunti.h"

void ArticoliVenduti::DefineIdentity(DbmsTableIdentity& p_objIdentity) {
    p_objIdentity.SetCaption("Articoli Venduti");
    p_objIdentity.SetParentTable("Articoli");
    p_objIdentity.SetChildListCaption("Articoli Venduti");
}

void ArticoliVenduti::DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                                      DbmsReferences&) {
    p_objCol.AddField("ImportoVendita", DbmsType::Money, 0);
    p_objCol.AddField("Quantita", DbmsType::Integer, 0);
    p_objCol.AddField("PuntiAssegnati", DbmsType::Integer, 0);
    p_objCol.AddField("Data", DbmsType::Date, 0);
    p_objInx.AddIndex("Data", false, "");
}

void ArticoliVenduti::OnNewRow(DbmsDataSource& p_objDS) {
    p_objDS.SetValue("Data", DbmsClock::Now());
    p_objDS.SetValue("Quantita", 1);
}

void ArticoliVenduti::OnUpdateField(DbmsDataSource& p_objDS, const QString& p_strFieldName) {
    // `Importo` is the article's price, seen through the parent link. A line without an
    // article yet (or an article without a price) counts as 0 until the link is set.
    if (p_strFieldName == "Quantita" || p_strFieldName == "Importo") {
        const Money price = ToMoney(p_objDS.GetValue("Importo"));
        const qint64 quantity = p_objDS.GetValue("Quantita").toLongLong();
        // An amount beyond what ten-thousandths can hold is refused, never wrapped around.
        qint64 units = 0;
        if (__builtin_mul_overflow(price.Units, quantity, &units))
            throw DbmsError(DbmsError::BadValue,
                            QString("L'importo della riga (%1 x %2) è fuori dai limiti ammessi.")
                                .arg(DbmsFormatMoney(price))
                                .arg(quantity));
        // The engine reports this change in turn, and the points follow it below.
        p_objDS.SetValue("ImportoVendita", QVariant::fromValue(Money::FromUnits(units)));
    }
    if (p_strFieldName == "ImportoVendita") ComputePoints(p_objDS);
}

void ArticoliVenduti::OnUpdateReference(DbmsDataSource& p_objDS, const QString&,
                                        const QString& p_strReferenceName, OID, bool) {
    if (p_strReferenceName == "Punti") ComputePoints(p_objDS);
}

void ArticoliVenduti::ComputePoints(DbmsDataSource& p_objDS) {
    // A line without an article yet, or an article without a points scheme, has an empty
    // reference: nothing to look up, and the line's points stay as they are. Checked on the
    // link first, since lines are added by the million.
    if (p_objDS.GetValue("OID_Punti").isNull()) return;
    const auto scheme = p_objDS.GetReference("Punti");
    if (scheme->IsEmpty()) return;
    const Money pointValue = ToMoney(scheme->GetValue("ValorePunto"));
    qint64 points = 0;
    if (pointValue > Money{}) {
        // Rounded towards minus infinity, negative amounts included.
        points = ToMoney(p_objDS.GetValue("ImportoVendita")).FloorDiv(pointValue);
    }
    p_objDS.SetValue("PuntiAssegnati", CheckedPoints("Il punteggio della riga", points));
}
