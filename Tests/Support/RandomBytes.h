#pragma once

#include <cstddef>
#include <string>

namespace morvena::test {

// Incompressible bytes, the same for the same seed.
std::string randomBytes(std::size_t count, unsigned seed);

} // namespace morvena::test
