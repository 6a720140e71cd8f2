#include "AnatomyCore/Database/DatabaseVerdict.h"

#include "AnatomyCore/Database/DBError.h"

namespace morvena {

std::string DatabaseVerdict::line() const
{
    switch (kind) {
    case Kind::clean:
        break;
    case Kind::unreadable:
        return "il database non si apre: " + std::string(DBError::damagedReason);
    case Kind::interruptedWrite:
        return "il database non si apre: accanto c'è il giornale di una scrittura interrotta (" + journal
            + "), che in sola lettura non si può annullare, quindi non si può dire se è integro; aprire il "
              "dataset in Morvena annulla quella scrittura";
    case Kind::userRowsDamaged:
        return "annotazioni, segnalibri o viste salvate del database sono danneggiati: un nuovo import o "
               "download del dataset trasferisce ciò che si può leggere e conserva il resto in un file a "
               "parte";
    case Kind::otherPagesDamaged:
        return "il database è danneggiato: il controllo di integrità di SQLite vi trova pagine o indici "
               "rovinati";
    case Kind::notChecked:
        return "il controllo di integrità del database non si è potuto eseguire: " + failure;
    }
    return {};
}

} // namespace morvena
