#include "AnatomyImport/ImportError.h"

#include <utility>

namespace morvena {

ImportError::ImportError(Kind kind, std::string payload, const std::string& description)
    : std::runtime_error(description)
    , kind_(kind)
    , payload_(std::move(payload))
{
}

ImportError ImportError::missingMetadata(std::string fileName, std::string_view reason)
{
    auto description = reason.empty()
        ? "File di metadati assente: " + fileName
        : "File di metadati non leggibile: " + fileName + " (" + std::string(reason) + ")";
    return ImportError(Kind::missingMetadata, std::move(fileName), description);
}

ImportError ImportError::noOBJFiles(std::string path)
{
    auto description = "Nessun file .obj trovato in " + path;
    return ImportError(Kind::noOBJFiles, std::move(path), description);
}

ImportError ImportError::noStructures()
{
    return ImportError(Kind::noStructures, {}, "Nessuna struttura anatomica ricostruita dal dataset.");
}

ImportError ImportError::noStructures(std::string firstFailure)
{
    if (firstFailure.empty())
        return noStructures();
    auto description
        = "Nessuna struttura anatomica ricostruita dal dataset. Primo file non riuscito: " + firstFailure;
    return ImportError(Kind::noStructures, std::move(firstFailure), description);
}

ImportError ImportError::orientationUndetermined()
{
    return ImportError(Kind::orientationUndetermined, {},
        "Orientamento del dataset non determinabile dai nomi delle strutture.");
}

ImportError ImportError::cancelled()
{
    return ImportError(Kind::cancelled, {}, "Importazione annullata.");
}

ImportError ImportError::outOfMemory(std::string file)
{
    auto description = "memoria esaurita leggendo " + file;
    return ImportError(Kind::outOfMemory, std::move(file), description);
}

ImportError ImportError::invalidUnits(std::string value)
{
    auto description = "Unità per millimetro non valide (serve un numero positivo): " + value;
    return ImportError(Kind::invalidUnits, std::move(value), description);
}

} // namespace morvena
