#pragma once
// One article line of a sale: a child row of the article sold, owned by the sale through its
// `Articoli` collection. The rules keep the line's amount and points in step with the article's
// price and points scheme.

#include "DbmsInterfaces.h"

class ArticoliVenduti : public itfDefTable, public itfSetData {
public:
    QString TableName() const override { return "ArticoliVenduti"; }
    void DefineIdentity(DbmsTableIdentity& p_objIdentity) override;
    void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                         DbmsReferences& p_objRef) override;
    itfSetData* DefineDefaultData() override { return this; }

    void OnNewRow(DbmsDataSource& p_objDS) override;
    void OnUpdateField(DbmsDataSource& p_objDS, const QString& p_strFieldName) override;
    void OnUpdateReference(DbmsDataSource& p_objDS, const QString& p_strTableName,
                           const QString& p_strReferenceName, OID p_oid,
                           bool p_blnRemoved) override;

private:
    void ComputePoints(DbmsDataSource& p_objDS);
};
