#pragma once
// The payment types a sale's payment can be recorded with.

#include "DbmsInterfaces.h"

class TipiPagamento : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return "TipiPagamento"; }
    void DefineIdentity(DbmsTableIdentity& p_objIdentity) override;
    void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                         DbmsReferences& p_objRef) override;
    itfSetData* DefineDefaultData() override { return this; }

    void OnUpdatedTableStruct(DbmsDataSource& p_objTableDS, double p_dblCurVersion,
                              double p_dblOldVersion, bool p_blnCreated) override;
};
