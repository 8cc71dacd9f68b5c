#pragma once
// The callback interfaces through which the engine reaches the application. The engine never
// calls windows; it calls these, synchronously, on the thread that called it.

#include "DbmsTypes.h"

#include <memory>

class DbmsDataSource;
class DbmsDefinition;
class DbmsTableIdentity;
class DbmsColumns;
class DbmsIndexes;
class DbmsReferences;
class itfSetData;

class itfDefDatabase {
public:
    virtual ~itfDefDatabase() = default;
    virtual bool Define(DbmsDefinition& p_objDef) = 0;
};

class itfDefTable {
public:
    virtual ~itfDefTable() = default;
    // The table's name: the name of its definition class.
    virtual QString TableName() const = 0;
    virtual void DefineIdentity(DbmsTableIdentity& p_objIdentity) = 0;
    virtual void DefineStructure(DbmsColumns& p_objCol, DbmsIndexes& p_objInx,
                                 DbmsReferences& p_objRef) = 0;
    // The object that receives the table's row and field events (the table class itself).
    virtual itfSetData* DefineDefaultData() = 0;
};

// Row and field events of one table, in the engine's slot order. Every operation does nothing
// unless a table overrides it; none of them refuses a change.
class itfSetData {
public:
    virtual ~itfSetData() = default;
    virtual void OnUpdatedTableStruct(DbmsDataSource& /*p_objTableDS*/, double /*p_dblCurVersion*/,
                                      double /*p_dblOldVersion*/, bool /*p_blnCreated*/) {}
    virtual void OnNewRow(DbmsDataSource& /*p_objDS*/) {}
    virtual void OnUpdateRow(DbmsDataSource& /*p_objDS*/) {}
    virtual void OnDeleteRow(DbmsDataSource& /*p_objDS*/) {}
    virtual void OnUpdateField(DbmsDataSource& /*p_objDS*/, const QString& /*p_strFieldName*/) {}
    virtual void OnBeforeUpdateField(DbmsDataSource& /*p_objDS*/,
                                     const QString& /*p_strFieldName*/) {}
    virtual void OnUpdateReference(DbmsDataSource& /*p_objDS*/, const QString& /*p_strTableName*/,
                                   const QString& /*p_strReferenceName*/, OID /*p_oid*/,
                                   bool /*p_blnRemoved*/) {}
    virtual void OnBeforeUpdateReference(DbmsDataSource& /*p_objDS*/,
                                         const QString& /*p_strTableName*/,
                                         const QString& /*p_strReferenceName*/, OID /*p_oid*/,
                                         bool /*p_blnRemoved*/) {}
    virtual void OnSelectParent(DbmsDataSource& /*p_objDS*/) {}
    virtual void OnSelect(DbmsDataSource& /*p_objDS*/) {}
    virtual void OnSelectReference(DbmsDataSource& /*p_objDS*/, const QString& /*p_strRefName*/) {}
    virtual void OnNewReference(DbmsDataSource& /*p_objDS*/, const QString& /*p_strRefName*/,
                                OID /*p_oid*/) {}
    virtual void OnSetParent(DbmsDataSource& /*p_objDS*/, OID /*p_oidParent*/) {}
};

// Notifications for the main window: progress texts, questions, messages, report requests.
class itfNotifyEvent {
public:
    virtual ~itfNotifyEvent() = default;
    virtual void OnEvent(int p_lngEventCode, const QString& p_strSource,
                         const QString& p_strDetail) = 0;
    virtual void OnInternalMessage(const QString& p_strSource, const QString& p_strMessage) = 0;
    virtual void OnReportRequest(std::shared_ptr<DbmsDataSource> p_objDS, int p_intAction,
                                 const QString& p_strTitle) = 0;
    virtual void OnQueryMessage(const QString& p_strSource, int p_intKind,
                                const QString& p_strMessage, bool& p_blnCancel) = 0;
};

// Progress of long operations (transfer, export, delete all). When OnProgress clears
// `p_blnContinue` or OnStopped reports a stop, the operation ends and is rolled back.
class itfProgress {
public:
    virtual ~itfProgress() = default;
    virtual void OnStart(const QString& p_strOperation, qint64 p_lngMax) = 0;
    virtual void OnProgress(const QString& p_strOperation, qint64 p_lngPosition,
                            bool& p_blnContinue) = 0;
    virtual void OnEnd(const QString& p_strOperation) = 0;
    virtual void OnStopped(bool& p_blnStopped) = 0;
};
