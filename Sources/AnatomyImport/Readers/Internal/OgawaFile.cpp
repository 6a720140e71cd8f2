#include "AnatomyImport/Readers/Internal/OgawaFile.h"

#include "AnatomyImport/Readers/Internal/LittleEndian.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace morvena {

namespace {

constexpr std::string_view magic = "Ogawa";
constexpr std::size_t headerSize = 16;
constexpr std::uint8_t closedMark = 0xff;
constexpr std::uint16_t supportedVersion = 1;
constexpr std::uint64_t dataBit = std::uint64_t {1} << 63;

[[noreturn]] void damaged(const std::string& detail)
{
    throw OgawaFile::Error("Alembic non valido: " + detail);
}

} // namespace

OgawaFile::OgawaFile(Bytes bytes)
    : bytes_(bytes)
{
    if (bytes.size() < headerSize || !std::equal(magic.begin(), magic.end(), bytes.begin()))
        damaged("intestazione Ogawa assente");
    if (bytes[5] != closedMark)
        throw Error("archivio Alembic non chiuso correttamente: la sua scrittura è stata interrotta");
    const auto version = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    if (version != supportedVersion)
        throw Error(
            "archivio Alembic in una versione Ogawa non supportata (" + std::to_string(version) + ")");
    rootOffset_ = LittleEndian::load64(bytes, 8);
    if (rootOffset_ & dataBit)
        damaged("la radice non è un gruppo");
}

OgawaFile::Group OgawaFile::root()
{
    return open(rootOffset_);
}

std::uint64_t OgawaFile::childOffset(const Group& parent, std::uint64_t index) const
{
    if (index >= parent.childCount)
        damaged("figlio di un gruppo assente");
    // open() made sure that every child offset of the group lies in the file.
    return LittleEndian::load64(bytes_, parent.position + 8 + 8 * index);
}

bool OgawaFile::isData(const Group& parent, std::uint64_t index) const
{
    return index < parent.childCount && (childOffset(parent, index) & dataBit) != 0;
}

OgawaFile::Group OgawaFile::group(const Group& parent, std::uint64_t index)
{
    const std::uint64_t offset = childOffset(parent, index);
    if (offset & dataBit)
        damaged("un dato dove la struttura vuole un gruppo");
    return open(offset);
}

OgawaFile::Group OgawaFile::open(std::uint64_t offset)
{
    if (offset == 0)
        return {}; // the empty group
    if (offset < headerSize || offset > bytes_.size() || bytes_.size() - offset < 8)
        damaged("gruppo oltre la fine del file");
    if (!opened_.insert(offset).second)
        damaged("un gruppo raggiunto due volte");
    const std::uint64_t count = LittleEndian::load64(bytes_, offset);
    if (count > (bytes_.size() - offset - 8) / 8)
        damaged("figli di un gruppo oltre la fine del file");
    return {offset, count};
}

OgawaFile::Bytes OgawaFile::data(const Group& parent, std::uint64_t index) const
{
    const std::uint64_t offset = childOffset(parent, index);
    if ((offset & dataBit) == 0)
        damaged("un gruppo dove la struttura vuole un dato");
    const std::uint64_t position = offset & ~dataBit;
    if (position == 0)
        return {};
    if (position < headerSize || position > bytes_.size() || bytes_.size() - position < 8)
        damaged("dato oltre la fine del file");
    const std::uint64_t size = LittleEndian::load64(bytes_, position);
    if (size > bytes_.size() - position - 8)
        damaged("dato oltre la fine del file");
    return bytes_.subspan(position + 8, size);
}

} // namespace morvena
