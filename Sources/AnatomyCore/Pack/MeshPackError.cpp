#include "AnatomyCore/Pack/MeshPackError.h"

#include <utility>

namespace morvena {

MeshPackError::MeshPackError(Kind kind, const std::string& message, std::string path, std::uint32_t version)
    : std::runtime_error(message)
    , kind_(kind)
    , path_(std::move(path))
    , version_(version)
{
}

MeshPackError MeshPackError::cannotOpen(const std::string& path, std::string_view reason)
{
    return {Kind::cannotOpen,
        "Impossibile aprire il pack geometrico: " + path + " (" + std::string(reason) + ")", path};
}

MeshPackError MeshPackError::badVersion(std::uint32_t version)
{
    return {Kind::badVersion, "Versione del pack non supportata: " + std::to_string(version), {}, version};
}

MeshPackError MeshPackError::badMagic()
{
    return {Kind::badMagic, "Il file non è un pack .mrvpack valido."};
}

MeshPackError MeshPackError::truncated()
{
    return {Kind::truncated, "Il pack geometrico è troncato o corrotto."};
}

MeshPackError MeshPackError::tooLarge()
{
    return {Kind::tooLarge, "Il pack geometrico è troppo grande per il formato .mrvpack."};
}

} // namespace morvena
