#pragma once
// Prizes that points can buy.

#include "DbmsInterfaces.h"

class TabellaPremi : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return "TabellaPremi"; }
    void DefineIdentity(DbmsTableIdentity& p_objIdentity) override;
    void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                         DbmsReferences& p_objRef) override;
    itfSetData* DefineDefaultData() override { return this; }

    void OnNewRow(DbmsDataSource& p_objDS) override;
};
