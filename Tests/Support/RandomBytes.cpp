#include "RandomBytes.h"

#include <random>

namespace morvena::test {

std::string randomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (auto& byte : bytes)
        byte = static_cast<char>(generator());
    return bytes;
}

} // namespace morvena::test
