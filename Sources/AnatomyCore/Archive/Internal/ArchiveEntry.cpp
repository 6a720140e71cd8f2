#include "AnatomyCore/Archive/Internal/ArchiveEntry.h"

#include "AnatomyCore/Archive/ArchiveError.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace morvena {

namespace {

constexpr std::string_view integerTypes = "1248";
constexpr std::string_view blobTypes = "ABC";
constexpr std::string_view timeTypes = "ST";

std::size_t integerWidth(char type)
{
    return type == '1' ? 1 : type == '2' ? 2 : type == '4' ? 4 : 8;
}
std::size_t blobSizeWidth(char type)
{
    return type == 'A' ? 2 : type == 'B' ? 4 : 8;
}

// Bytes of a fixed-size value; nothing for types whose size is not fixed.
std::optional<std::size_t> fixedValueSize(char type)
{
    switch (type) {
    case '*':
        return 0;
    case '1':
        return 1;
    case '2':
        return 2;
    case '4':
        return 4;
    case '8':
        return 8;
    case 'S':
        return 8;
    case 'T':
        return 12;
    case 'F':
        return 4;
    case 'G':
        return 20;
    case 'H':
        return 32;
    case 'I':
        return 48;
    case 'J':
        return 64;
    default:
        return std::nullopt;
    }
}

class FieldWriter {
public:
    void key(std::string_view key, char type)
    {
        bytes_.insert(bytes_.end(), reinterpret_cast<const std::byte*>(key.data()),
            reinterpret_cast<const std::byte*>(key.data()) + 3);
        bytes_.push_back(static_cast<std::byte>(type));
    }
    void integer(std::uint64_t value, std::size_t width)
    {
        for (std::size_t i = 0; i < width; ++i, value >>= 8)
            bytes_.push_back(static_cast<std::byte>(value & 0xFF));
    }
    void text(const std::string& value)
    {
        if (value.size() > std::numeric_limits<std::uint16_t>::max())
            throw ArchiveError("Impossibile creare l'archivio: percorso di una voce troppo lungo.");
        integer(value.size(), 2);
        bytes_.insert(bytes_.end(), reinterpret_cast<const std::byte*>(value.data()),
            reinterpret_cast<const std::byte*>(value.data()) + value.size());
    }
    std::vector<std::byte>& bytes() { return bytes_; }

private:
    std::vector<std::byte> bytes_;
};

// Reads fields front to back, checking the bytes left before every read.
class FieldReader {
public:
    explicit FieldReader(std::span<const std::byte> bytes)
        : bytes_(bytes)
    {
    }
    bool atEnd() const { return bytes_.empty(); }
    std::span<const std::byte> take(std::size_t count)
    {
        if (count > bytes_.size())
            throw ArchiveError::damaged("un campo dell'intestazione supera la sua dimensione");
        auto taken = bytes_.first(count);
        bytes_ = bytes_.subspan(count);
        return taken;
    }
    std::uint64_t integer(std::size_t width)
    {
        auto bytes = take(width);
        std::uint64_t value = 0;
        for (std::size_t i = width; i-- > 0;)
            value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
        return value;
    }

private:
    std::span<const std::byte> bytes_;
};

bool isData(const ArchiveEntry::Blob& blob)
{
    return blob.key == "DAT";
}

template <typename Value> void setOnce(std::optional<Value>& field, Value value, std::string_view key)
{
    if (field)
        throw ArchiveError::damaged("campo " + std::string(key) + " ripetuto in una voce");
    field = std::move(value);
}

void expectType(std::string_view allowed, char type, std::string_view key)
{
    if (allowed.find(type) == std::string_view::npos)
        throw ArchiveError::damaged("campo " + std::string(key) + " di tipo inatteso");
}

} // namespace

std::uint64_t ArchiveEntry::dataSize() const
{
    for (const auto& blob : blobs)
        if (blob.key == "DAT")
            return blob.size;
    return 0;
}

std::vector<std::byte> ArchiveEntry::encoded() const
{
    FieldWriter out;
    out.key(magic.substr(0, 3), magic[3]);
    out.integer(0, 2); // header size, set below
    out.key("TYP", '1');
    out.integer(static_cast<std::uint8_t>(type), 1);
    if (path) {
        out.key("PAT", 'P');
        out.text(*path);
    }
    if (mode) {
        out.key("MOD", '2');
        out.integer(*mode, 2);
    }
    if (flags) {
        out.key("FLG", '4');
        out.integer(*flags, 4);
    }
    for (auto [key, time] : {std::pair {"MTM", modified}, std::pair {"CTM", created}}) {
        if (time) {
            out.key(key, 'T');
            out.integer(static_cast<std::uint64_t>(time->seconds), 8);
            out.integer(time->nanoseconds, 4);
        }
    }
    for (const auto& blob : blobs) {
        char type = blob.size <= std::numeric_limits<std::uint32_t>::max() ? 'B' : 'C';
        out.key(blob.key, type);
        out.integer(blob.size, blobSizeWidth(type));
    }
    auto& bytes = out.bytes();
    if (bytes.size() > std::numeric_limits<std::uint16_t>::max())
        throw ArchiveError("Impossibile creare l'archivio: intestazione di una voce troppo grande.");
    bytes[4] = static_cast<std::byte>(bytes.size() & 0xFF);
    bytes[5] = static_cast<std::byte>(bytes.size() >> 8);
    return std::move(bytes);
}

std::size_t ArchiveEntry::headerSize(std::span<const std::byte, prefixSize> prefix)
{
    if (std::memcmp(prefix.data(), magic.data(), magic.size()) != 0)
        throw ArchiveError::damaged("intestazione di voce non riconosciuta");
    std::size_t size = static_cast<std::uint8_t>(prefix[4]) | (static_cast<std::size_t>(prefix[5]) << 8);
    if (size < prefixSize)
        throw ArchiveError::damaged("intestazione di voce troppo corta");
    return size;
}

ArchiveEntry ArchiveEntry::decodeFields(std::span<const std::byte> fields)
{
    ArchiveEntry entry;
    std::optional<std::uint64_t> type;
    FieldReader in(fields);
    while (!in.atEnd()) {
        auto head = in.take(4);
        std::string key(reinterpret_cast<const char*>(head.data()), 3);
        char fieldType = static_cast<char>(head[3]);
        if (blobTypes.find(fieldType) != std::string_view::npos) {
            if (key == "DAT" && std::any_of(entry.blobs.begin(), entry.blobs.end(), isData))
                throw ArchiveError::damaged("campo DAT ripetuto in una voce");
            entry.blobs.push_back({key, in.integer(blobSizeWidth(fieldType))});
        } else if (key == "TYP") {
            expectType(integerTypes, fieldType, key);
            setOnce(type, in.integer(integerWidth(fieldType)), key);
        } else if (key == "PAT") {
            expectType("P", fieldType, key);
            auto text = in.take(in.integer(2));
            setOnce(entry.path, std::string(reinterpret_cast<const char*>(text.data()), text.size()), key);
        } else if (key == "MOD" || key == "FLG") {
            expectType(integerTypes, fieldType, key);
            setOnce(key == "MOD" ? entry.mode : entry.flags, in.integer(integerWidth(fieldType)), key);
        } else if (key == "MTM" || key == "CTM") {
            expectType(timeTypes, fieldType, key);
            Time time {static_cast<std::int64_t>(in.integer(8)), 0};
            if (fieldType == 'T')
                time.nanoseconds = static_cast<std::uint32_t>(in.integer(4));
            setOnce(key == "MTM" ? entry.modified : entry.created, time, key);
        } else if (fieldType == 'P') {
            in.take(in.integer(2));
        } else if (auto size = fixedValueSize(fieldType)) {
            in.take(*size);
        } else {
            throw ArchiveError::damaged("campo " + key + " di tipo sconosciuto");
        }
    }
    if (!type || *type > 0x7F)
        throw ArchiveError::damaged("voce senza tipo");
    entry.type = static_cast<char>(*type);
    return entry;
}

} // namespace morvena
