#pragma once
// Payments of a sale, owned by the sale through its `Pagamento` collection.

#include "DbmsInterfaces.h"

class Pagamenti : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return "Pagamenti"; }
    void DefineIdentity(DbmsTableIdentity& p_objIdentity) override;
    void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                         DbmsReferences& p_objRef) override;
    itfSetData* DefineDefaultData() override { return this; }

    void OnNewRow(DbmsDataSource& p_objDS) override;
};
