#pragma once
// The archive's definition: the twelve tables, registered with the engine in an order where
// every table comes after the tables it names as parent or reference target.

#include "DbmsInterfaces.h"

class DB : public itfDefDatabase {
public:
    bool Define(DbmsDefinition& p_objDef) override;
};
