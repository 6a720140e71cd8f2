// Reads arbitrary bytes as the six metadata tables of a BodyParts3D release
// (the parts separated by a "=====" line, in the order of `tables`), then
// chooses the structures and walks their ancestors as the import does. Loops in
// the relations must not hang the walk, and every chosen concept must come from
// the element tables.
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/ImportError.h"
#include "FuzzSupport.h"

#include <array>

using namespace morvena;
using namespace morvena::fuzz;

namespace {

constexpr std::array<const char*, 6> tables {"isa_parts_list_e.txt", "isa_inclusion_relation_list.txt",
    "isa_element_parts.txt", "partof_parts_list_e.txt", "partof_inclusion_relation_list.txt",
    "partof_element_parts.txt"};

constexpr int ancestorLimit = 12; // as the importer walks

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto folder = sandbox() / "metadata";
    resetFolder(folder);
    const auto parts = splitParts(bytesOf(data, size), tables.size());
    for (std::size_t i = 0; i < parts.size(); ++i)
        writeFile(folder / tables[i], parts[i]);

    BodyParts3DImporter importer({.metadataDir = folder, .objDir = folder, .datasetID = "fuzz"});
    BodyParts3DImporter::Metadata metadata;
    try {
        metadata = importer.loadMetadata([](const ImportProgress&) {});
    } catch (const ImportError&) {
        return 0;
    }
    for (const auto& conceptID : BodyParts3DImporter::structureConcepts(metadata)) {
        require(metadata.elements.contains(conceptID));
        auto names = BodyParts3DImporter::ancestorNames(conceptID, metadata, ancestorLimit);
        require(names.size() <= ancestorLimit + 1);
    }
    return 0;
}
