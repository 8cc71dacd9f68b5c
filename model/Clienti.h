#pragma once
// The fidelity-card customers. `Descrizione` is the display name, kept equal to surname and
// first name; `Punti` is the card's balance, written by the sale form on confirmation.

#include "DbmsInterfaces.h"

class Clienti : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return "Clienti"; }
    void DefineIdentity(DbmsTableIdentity& p_objIdentity) override;
    void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                         DbmsReferences& p_objRef) override;
    itfSetData* DefineDefaultData() override { return this; }

    void OnUpdatedTableStruct(DbmsDataSource& p_objTableDS, double p_dblCurVersion,
                              double p_dblOldVersion, bool p_blnCreated) override;
    void OnNewRow(DbmsDataSource& p_objDS) override;
    void OnUpdateField(DbmsDataSource& p_objDS, const QString& p_strFieldName) override;

private:
    // Set while the 1.0 upgrade splits display names: the names it writes must not rebuild
    // the display name they come from.
    bool m_blnUpgrading = false;
};
