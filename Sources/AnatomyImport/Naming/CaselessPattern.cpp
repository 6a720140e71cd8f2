#include "AnatomyImport/Naming/CaselessPattern.h"

#include "AnatomyCore/Support/UnicodeText.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace morvena {

namespace {

struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// Only whether a match exists matters, so one pair of offsets is enough for
// every pattern; each thread keeps its own block to search without allocating.
pcre2_match_data* threadMatchData()
{
    thread_local std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create(1, nullptr));
    return data.get();
}

bool isUTF8Error(int code)
{
    return code <= PCRE2_ERROR_UTF8_ERR1 && code >= PCRE2_ERROR_UTF8_ERR21;
}

[[noreturn]] void stopOnBadPattern(std::string_view pattern, int code, PCRE2_SIZE offset)
{
    std::array<PCRE2_UCHAR, 256> message {};
    pcre2_get_error_message(code, message.data(), message.size());
    std::fprintf(stderr, "espressione regolare non valida \"%.*s\" (posizione %zu): %s\n",
        static_cast<int>(pattern.size()), pattern.data(), static_cast<std::size_t>(offset),
        reinterpret_cast<const char*>(message.data()));
    std::abort();
}

} // namespace

void CaselessPattern::CodeDeleter::operator()(pcre2_real_code_8* code) const
{
    pcre2_code_free(code);
}

CaselessPattern::CaselessPattern(std::string_view pattern)
{
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
        PCRE2_CASELESS | PCRE2_UTF | PCRE2_UCP, &error, &offset, nullptr));
    if (!code_)
        stopOnBadPattern(pattern, error, offset);
    // Without JIT support pcre2_match interprets the pattern, which is slower but equivalent.
    pcre2_jit_compile(code_.get(), PCRE2_JIT_COMPLETE);
}

CaselessPattern::~CaselessPattern() = default;
CaselessPattern::CaselessPattern(CaselessPattern&&) noexcept = default;
CaselessPattern& CaselessPattern::operator=(CaselessPattern&&) noexcept = default;

bool CaselessPattern::search(std::string_view text) const
{
    auto* data = threadMatchData();
    const char* subject = text.empty() ? "" : text.data(); // PCRE2 refuses a null subject
    int result
        = pcre2_match(code_.get(), reinterpret_cast<PCRE2_SPTR>(subject), text.size(), 0, 0, data, nullptr);
    if (isUTF8Error(result)) {
        auto repaired = UnicodeText::repairedUTF8(text);
        result = pcre2_match(
            code_.get(), reinterpret_cast<PCRE2_SPTR>(repaired.data()), repaired.size(), 0, 0, data, nullptr);
    }
    // 0 means a match whose groups did not fit the single pair of offsets.
    return result >= 0;
}

} // namespace morvena
