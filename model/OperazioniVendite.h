#pragma once
// A sale operation ("Vendite / Premiazioni"): a sale, a prize award, or both. It owns its
// sold-article lines, assigned bonuses and prizes, and payments.

#include "DbmsInterfaces.h"

class OperazioniVendite : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return "OperazioniVendite"; }
    void DefineIdentity(DbmsTableIdentity& p_objIdentity) override;
    void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                         DbmsReferences& p_objRef) override;
    itfSetData* DefineDefaultData() override { return this; }

    void OnUpdatedTableStruct(DbmsDataSource& p_objTableDS, double p_dblCurVersion,
                              double p_dblOldVersion, bool p_blnCreated) override;
    void OnNewRow(DbmsDataSource& p_objDS) override;
};
