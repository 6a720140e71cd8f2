#include "AnatomyImport/BodyParts3DImporter.h"

#include <utility>

namespace morvena {

BodyParts3DImporter::BodyParts3DImporter(Options options)
    : opt(std::move(options))
{
}

} // namespace morvena
