#include "AnatomyCore/DBError.h"

#include <utility>

namespace morvena {

DBError::DBError(Kind kind, std::string description, std::string message)
    : std::runtime_error(std::move(description))
    , kind_(kind)
    , message_(std::move(message))
{
}

DBError DBError::open(std::string message)
{
    return DBError(Kind::open, "Impossibile aprire il database anatomico: " + message, std::move(message));
}

DBError DBError::sql(std::string message)
{
    return DBError(Kind::sql, "Errore SQL: " + message, std::move(message));
}

} // namespace morvena
