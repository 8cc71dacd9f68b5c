#pragma once
// The articles (travel products) that can be sold; sold-article lines are their child rows.

#include "DbmsInterfaces.h"

class Articoli : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return "Articoli"; }
    void DefineIdentity(DbmsTableIdentity& p_objIdentity) override;
    void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                         DbmsReferences& p_objRef) override;
    itfSetData* DefineDefaultData() override { return this; }

    void OnNewRow(DbmsDataSource& p_objDS) override;
};
