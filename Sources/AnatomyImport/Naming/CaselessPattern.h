#pragma once

#include <memory>
#include <string_view>

struct pcre2_real_code_8;

namespace morvena {

// A constant regular expression, compiled once (JIT where the platform has it)
// and searched case-insensitively anywhere in a text. Letters, digits, `\b` and
// `\W` follow Unicode, so "Fémur" is one word. One object may be searched from
// any number of threads at once.
class CaselessPattern {
public:
    // The patterns are constants of the program: one that does not compile is a
    // programming error and stops the program with PCRE2's explanation.
    explicit CaselessPattern(std::string_view pattern);
    ~CaselessPattern();
    CaselessPattern(CaselessPattern&&) noexcept;
    CaselessPattern& operator=(CaselessPattern&&) noexcept;

    // True when the pattern matches somewhere in the text; ill-formed UTF-8 is
    // read with U+FFFD in place of each bad sequence.
    bool search(std::string_view text) const;

private:
    struct CodeDeleter {
        void operator()(pcre2_real_code_8* code) const;
    };
    std::unique_ptr<pcre2_real_code_8, CodeDeleter> code_;
};

} // namespace morvena
