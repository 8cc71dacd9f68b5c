#pragma once
// A prize handed out within a sale: a child row of the prize, owned by the sale through its
// `Premi` collection.

#include "DbmsInterfaces.h"

class PremiAssegnati : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return "PremiAssegnati"; }
    void DefineIdentity(DbmsTableIdentity& p_objIdentity) override;
    void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                         DbmsReferences& p_objRef) override;
    itfSetData* DefineDefaultData() override { return this; }

    void OnNewRow(DbmsDataSource& p_objDS) override;
    void OnUpdateField(DbmsDataSource& p_objDS, const QString& p_strFieldName) override;
};
