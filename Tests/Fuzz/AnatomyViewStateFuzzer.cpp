// Decodes arbitrary bytes as a saved view. Stored views are not trusted: what
// decodes must already be within the ranges the scene accepts, and survive its
// own encoding unchanged.
#include "AnatomyCore/Model/AnatomyViewState.h"
#include "FuzzSupport.h"

using namespace morvena;
using namespace morvena::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto state = AnatomyViewState::decode(textOf(bytesOf(data, size)));
    if (!state)
        return 0;
    require(state->clipAxis >= 0 && state->clipAxis <= 2);
    for (const auto& [key, opacity] : state->systemOpacity)
        require(opacity >= 0 && opacity <= 1);
    require(state->isEncodable());
    require(AnatomyViewState::decode(state->encodedString()) == state);
    return 0;
}
