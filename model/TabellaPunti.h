#pragma once
// Points schemes: how much of a sold-article line's amount earns one point.

#include "DbmsInterfaces.h"

class TabellaPunti : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return "TabellaPunti"; }
    void DefineIdentity(DbmsTableIdentity& p_objIdentity) override;
    void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                         DbmsReferences& p_objRef) override;
    itfSetData* DefineDefaultData() override { return this; }

    void OnUpdatedTableStruct(DbmsDataSource& p_objTableDS, double p_dblCurVersion,
                              double p_dblOldVersion, bool p_blnCreated) override;
    void OnNewRow(DbmsDataSource& p_objDS) override;
};
