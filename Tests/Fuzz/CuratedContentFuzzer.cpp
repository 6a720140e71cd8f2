// Loads arbitrary bytes as a curated table, as the Italian/Latin table (first
// byte even) or the English one. Loading never fails, and every entry must be
// found again by the key it is stored under.
#include "AnatomyImport/Naming/CuratedContent.h"
#include "FuzzSupport.h"

using namespace morvena;
using namespace morvena::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const auto file = sandbox() / "curated.tsv";
    writeFile(file, bytesOf(data + 1, size - 1));
    const auto table = (data[0] & 1) ? CuratedContent::loadEnglish(file) : CuratedContent::load(file);
    for (const auto& [key, entry] : table.byKey) {
        require(table[key].has_value());
        table.entry(entry.key, entry.key);
        CuratedContent::normalizeName(entry.key);
    }
    return 0;
}
