#pragma once
// Bonus points granted on sales above a minimum amount or of given articles.

#include "DbmsInterfaces.h"

class TabellaBonus : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return "TabellaBonus"; }
    void DefineIdentity(DbmsTableIdentity& p_objIdentity) override;
    void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                         DbmsReferences& p_objRef) override;
    itfSetData* DefineDefaultData() override { return this; }

    void OnNewRow(DbmsDataSource& p_objDS) override;
};
