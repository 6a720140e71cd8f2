#include "AnatomyCore/Support/FailureText.h"

#include <new>

namespace morvena::FailureText {

std::string of(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return "memoria esaurita";
    return error.what();
}

} // namespace morvena::FailureText
