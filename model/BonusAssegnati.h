#pragma once
// A bonus granted within a sale: a child row of the bonus, owned by the sale through its
// `Bonus` collection.

#include "DbmsInterfaces.h"

class BonusAssegnati : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return "BonusAssegnati"; }
    void DefineIdentity(DbmsTableIdentity& p_objIdentity) override;
    void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                         DbmsReferences& p_objRef) override;
    itfSetData* DefineDefaultData() override { return this; }

    void OnNewRow(DbmsDataSource& p_objDS) override;
    void OnUpdateField(DbmsDataSource& p_objDS, const QString& p_strFieldName) override;
};
