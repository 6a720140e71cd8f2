#include "AnatomyCore/Support/FailureText.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

using namespace morvena;

// Running out of memory reaches the user in Italian, not as the library's name for it.
TEST(FailureText, runningOutOfMemoryIsItalianAndOtherFailuresKeepTheirWords)
{
    const std::pair<std::exception_ptr, const char*> cases[] = {
        {std::make_exception_ptr(std::bad_alloc()), "memoria esaurita"},
        {std::make_exception_ptr(std::bad_array_new_length()), "memoria esaurita"},
        {std::make_exception_ptr(std::runtime_error("Errore SQL: disco pieno")), "Errore SQL: disco pieno"},
    };
    for (const auto& [failure, text] : cases) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            EXPECT_EQ(FailureText::of(error), text);
        }
    }
}
