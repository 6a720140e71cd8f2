#include "AnatomyCore/MeshPackBuilder.h"

#include "AnatomyCore/MeshPackError.h"

namespace morvena {

MeshPackBuilder::MeshPackBuilder()
    : strings_(1, '\0')
    , stringOffsets_ {{std::string(), 0}}
{
}

void MeshPackBuilder::add(Mesh mesh)
{
    staged_.push_back(std::move(mesh));
}
void MeshPackBuilder::sortForLocality() { }
std::size_t MeshPackBuilder::totalVertices() const
{
    return 0;
}
std::size_t MeshPackBuilder::totalIndices() const
{
    return 0;
}
void MeshPackBuilder::write(const std::filesystem::path&, std::string_view, std::string_view)
{
    throw MeshPackError::tooLarge();
}
std::uint32_t MeshPackBuilder::intern(std::string_view)
{
    return 0;
}

} // namespace morvena
