#include "DB.h"

#include "Articoli.h"
#include "ArticoliVenduti.h"
#include "BonusAssegnati.h"
#include "Clienti.h"
#include "DbmsDefinition.h"
#include "Fornitori.h"
#include "OperazioniVendite.h"
#include "Pagamenti.h"
#include "PremiAssegnati.h"
#include "TabellaBonus.h"
#include "TabellaPremi.h"
#include "TabellaPunti.h"
#include "TipiPagamento.h"

bool DB::Define(DbmsDefinition& p_objDef) {
    p_objDef.AddTable(std::make_shared<TipiPagamento>());
    p_objDef.AddTable(std::make_shared<TabellaPunti>());
    p_objDef.AddTable(std::make_shared<Fornitori>());
    p_objDef.AddTable(std::make_shared<Articoli>());
    p_objDef.AddTable(std::make_shared<ArticoliVenduti>());
    p_objDef.AddTable(std::make_shared<TabellaPremi>());
    p_objDef.AddTable(std::make_shared<PremiAssegnati>());
    p_objDef.AddTable(std::make_shared<TabellaBonus>());
    p_objDef.AddTable(std::make_shared<BonusAssegnati>());
    p_objDef.AddTable(std::make_shared<Clienti>());
    p_objDef.AddTable(std::make_shared<Pagamenti>());
    p_objDef.AddTable(std::make_shared<OperazioniVendite>());
    return true;
}
