#include "AnatomyCore/Database/DBError.h"

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
    std::string description = "Impossibile aprire il database anatomico: " + message;
    return DBError(Kind::open, std::move(description), std::move(message));
}

DBError DBError::sql(std::string message)
{
    std::string description = "Errore SQL: " + message;
    return DBError(Kind::sql, std::move(description), std::move(message));
}

} // namespace morvena
