#include "AnatomyImport/Readers/USDAReader.h"

#include "AnatomyImport/Readers/Internal/DecimalNumber.h"
#include "AnatomyImport/Readers/Internal/USDMeshData.h"

#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace morvena::USDAReader {

namespace {

// Deeper prim nesting than any real layer has; bounds the parser's recursion.
constexpr int maximumPrimDepth = 256;

[[noreturn]] void fail(const std::string& detail)
{
    throw Error("USDA non valido: " + detail);
}

enum class Kind { end, identifier, string, number, punctuation, path, asset };

struct Token {
    Kind kind = Kind::end;
    std::string_view text; // strings, paths and assets without their delimiters
    double number = 0;
    bool newlineBefore = false;

    bool is(char c) const { return kind == Kind::punctuation && text.size() == 1 && text[0] == c; }
    bool isWord(std::string_view word) const { return kind == Kind::identifier && text == word; }
};

class Tokenizer {
public:
    Tokenizer(const char* begin, const char* end)
        : p_(begin)
        , end_(end)
    {
    }

    const Token& peek()
    {
        if (!peeked_) {
            lookahead_ = scan();
            peeked_ = true;
        }
        return lookahead_;
    }

    Token next()
    {
        peek();
        peeked_ = false;
        return lookahead_;
    }

private:
    static bool isIdentifierStart(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    bool startsNumber() const
    {
        const char* q = p_;
        if (q < end_ && (*q == '-' || *q == '+'))
            ++q;
        if (q < end_ && *q == '.')
            ++q;
        return q < end_ && isDigit(*q);
    }

    // Skips blanks and "#" comments, noting whether a line ended on the way.
    bool skipSpace()
    {
        bool newline = false;
        while (p_ < end_) {
            if (*p_ == '\n') {
                newline = true;
                ++p_;
            } else if (*p_ == ' ' || *p_ == '\t' || *p_ == '\r') {
                ++p_;
            } else if (*p_ == '#') {
                while (p_ < end_ && *p_ != '\n')
                    ++p_;
            } else {
                break;
            }
        }
        return newline;
    }

    std::string_view until(std::string_view closing, const char* what)
    {
        const std::string_view rest(p_, static_cast<std::size_t>(end_ - p_));
        const auto found = rest.find(closing);
        if (found == std::string_view::npos)
            fail(std::string(what) + " non terminato");
        p_ += found + closing.size();
        return rest.substr(0, found);
    }

    std::string_view quoted(char quote)
    {
        const char* start = p_;
        while (p_ < end_ && *p_ != quote) {
            if (*p_ == '\n')
                fail("testo non terminato");
            p_ += *p_ == '\\' && end_ - p_ >= 2 ? 2 : 1;
        }
        if (p_ >= end_)
            fail("testo non terminato");
        return {start, static_cast<std::size_t>(p_++ - start)};
    }

    Token scan()
    {
        Token token;
        token.newlineBefore = skipSpace();
        if (p_ == end_)
            return token;
        const char c = *p_;
        const std::string_view rest(p_, static_cast<std::size_t>(end_ - p_));
        if (c == '"' || c == '\'') {
            token.kind = Kind::string;
            const std::string triple(3, c);
            if (rest.starts_with(triple)) {
                p_ += 3;
                token.text = until(triple, "testo");
            } else {
                ++p_;
                token.text = quoted(c);
            }
        } else if (c == '@') {
            token.kind = Kind::asset;
            const bool triple = rest.starts_with("@@@");
            p_ += triple ? 3 : 1;
            token.text = until(triple ? "@@@" : "@", "percorso di risorsa");
        } else if (c == '<') {
            token.kind = Kind::path;
            ++p_;
            token.text = until(">", "percorso");
        } else if (startsNumber()) {
            token.kind = Kind::number;
            const char* start = p_;
            DecimalNumber::read(p_, end_, token.number);
            token.text = {start, static_cast<std::size_t>(p_ - start)};
        } else if (rest.starts_with("-inf")) {
            token.kind = Kind::number;
            token.number = -std::numeric_limits<double>::infinity();
            token.text = rest.substr(0, 4);
            p_ += 4;
        } else if (isIdentifierStart(c)) {
            token.kind = Kind::identifier;
            const char* start = p_;
            while (p_ < end_ && (isIdentifierStart(*p_) || isDigit(*p_) || *p_ == ':' || *p_ == '.'))
                ++p_;
            token.text = {start, static_cast<std::size_t>(p_ - start)};
            if (token.text == "inf" || token.text == "nan") {
                token.kind = Kind::number;
                token.number = token.text == "inf" ? std::numeric_limits<double>::infinity()
                                                   : std::numeric_limits<double>::quiet_NaN();
            }
        } else if (std::string_view("()[]{}=,;:").find(c) != std::string_view::npos) {
            token.kind = Kind::punctuation;
            token.text = rest.substr(0, 1);
            ++p_;
        } else {
            fail("carattere inatteso");
        }
        return token;
    }

    const char* p_;
    const char* end_;
    Token lookahead_;
    bool peeked_ = false;
};

enum class Attribute { other, points, faceVertexCounts, faceVertexIndices, normals, primvarNormals };

Attribute attributeNamed(std::string_view name)
{
    if (name == "points")
        return Attribute::points;
    if (name == "faceVertexCounts")
        return Attribute::faceVertexCounts;
    if (name == "faceVertexIndices")
        return Attribute::faceVertexIndices;
    if (name == "normals")
        return Attribute::normals;
    if (name == "primvars:normals")
        return Attribute::primvarNormals;
    return Attribute::other;
}

class Parser {
public:
    explicit Parser(std::span<const std::uint8_t> bytes)
        : tokens_(reinterpret_cast<const char*>(bytes.data()),
            reinterpret_cast<const char*>(bytes.data()) + bytes.size())
    {
    }

    std::vector<RawMesh> run()
    {
        if (tokens_.peek().is('('))
            skipBalanced(tokens_.next());
        while (tokens_.peek().kind != Kind::end)
            prim(tokens_.next(), std::string(), true, 0);
        return std::move(meshes_);
    }

private:
    static bool isSpecifier(const Token& token)
    {
        return token.isWord("def") || token.isWord("over") || token.isWord("class");
    }

    Token expect(char punctuation)
    {
        Token token = tokens_.next();
        if (!token.is(punctuation))
            fail(std::string("atteso '") + punctuation + "'");
        return token;
    }

    // Skips a bracketed group whose opening token was just read.
    void skipBalanced(const Token& opening)
    {
        std::string closers(1, closerOf(opening.text[0]));
        while (!closers.empty()) {
            Token token = tokens_.next();
            if (token.kind == Kind::end)
                fail("parentesi non chiusa");
            if (token.kind != Kind::punctuation)
                continue;
            const char c = token.text[0];
            if (c == '(' || c == '[' || c == '{')
                closers.push_back(closerOf(c));
            else if (c == ')' || c == ']' || c == '}') {
                if (c != closers.back())
                    fail("parentesi non corrispondenti");
                closers.pop_back();
            }
        }
    }

    static char closerOf(char opening) { return opening == '(' ? ')' : opening == '[' ? ']' : '}'; }

    void prim(const Token& specifier, const std::string& inherited, bool parentDefined, int depth)
    {
        if (!isSpecifier(specifier))
            fail("atteso un prim");
        if (depth >= maximumPrimDepth)
            fail("prim annidati troppo in profondità");
        std::string_view typeName;
        Token token = tokens_.next();
        if (token.kind == Kind::identifier) {
            typeName = token.text;
            token = tokens_.next();
        }
        if (token.kind != Kind::string)
            fail("nome del prim assente");
        const std::string name = token.text.empty() ? inherited : std::string(token.text);
        if (tokens_.peek().is('('))
            skipBalanced(tokens_.next());
        expect('{');

        const bool defined = parentDefined && specifier.isWord("def");
        const std::size_t slot = meshes_.size(); // a mesh comes before its descendants
        USDMeshData data;
        for (;;) {
            Token item = tokens_.next();
            if (item.is('}'))
                break;
            if (item.kind == Kind::end)
                fail("prim non chiuso");
            if (isSpecifier(item))
                prim(item, name, defined, depth + 1);
            else
                property(item, data);
        }
        if (defined && typeName == "Mesh") {
            if (auto mesh = std::move(data).toRawMesh(name))
                meshes_.insert(meshes_.begin() + static_cast<std::ptrdiff_t>(slot), std::move(*mesh));
        }
    }

    // A property, relationship or list edit: a head of words and brackets, then
    // optionally "=" and a value, then optionally metadata in parentheses. A head
    // without a value ends at the line's end.
    void property(Token token, USDMeshData& data)
    {
        std::string_view name;
        for (;;) {
            if (token.kind == Kind::identifier || token.kind == Kind::string)
                name = token.text;
            else if (!token.is('[') && !token.is(']'))
                fail("proprietà non valida");
            const Token& next = tokens_.peek();
            if (next.is('=')) {
                tokens_.next();
                value(attributeNamed(name), data);
                break;
            }
            if (next.is('(') || next.is('}') || next.newlineBefore || next.kind == Kind::end)
                break;
            token = tokens_.next();
        }
        if (tokens_.peek().is('('))
            metadata(attributeNamed(name), data);
    }

    void metadata(Attribute attribute, USDMeshData& data)
    {
        expect('(');
        int depth = 1;
        while (depth > 0) {
            Token token = tokens_.next();
            if (token.kind == Kind::end)
                fail("metadati non chiusi");
            if (token.is('(') || token.is('[') || token.is('{'))
                ++depth;
            else if (token.is(')') || token.is(']') || token.is('}'))
                --depth;
            else if (depth == 1 && token.isWord("interpolation") && tokens_.peek().is('=')) {
                tokens_.next();
                Token text = tokens_.next();
                if (text.kind != Kind::string)
                    fail("interpolazione non valida");
                if (attribute == Attribute::normals)
                    data.normalsInterpolation = text.text;
                else if (attribute == Attribute::primvarNormals)
                    data.primvarNormalsInterpolation = text.text;
            }
        }
    }

    void value(Attribute attribute, USDMeshData& data)
    {
        if (attribute != Attribute::other && tokens_.peek().is('[')) {
            switch (attribute) {
            case Attribute::points:
                data.points = vectors();
                return;
            case Attribute::normals:
                data.normals = vectors();
                return;
            case Attribute::primvarNormals:
                data.primvarNormals = vectors();
                return;
            case Attribute::faceVertexCounts:
                data.faceVertexCounts = integers();
                return;
            case Attribute::faceVertexIndices:
                data.faceVertexIndices = integers();
                return;
            case Attribute::other:
                break;
            }
        }
        Token token = tokens_.next();
        if (token.is('[') || token.is('(') || token.is('{'))
            skipBalanced(token);
        else if (token.kind == Kind::asset && tokens_.peek().kind == Kind::path)
            tokens_.next();
        else if (token.kind == Kind::end || token.kind == Kind::punctuation)
            fail("valore assente");
    }

    double number()
    {
        Token token = tokens_.next();
        if (token.kind != Kind::number)
            fail("atteso un numero");
        return token.number;
    }

    // Items of a bracketed list, separated by commas (a trailing one allowed).
    template <typename ReadItem> void list(ReadItem readItem)
    {
        expect('[');
        while (!tokens_.peek().is(']')) {
            readItem();
            if (!tokens_.peek().is(']'))
                expect(',');
        }
        tokens_.next();
    }

    std::vector<Float3> vectors()
    {
        std::vector<Float3> result;
        list([&] {
            expect('(');
            Float3 v;
            for (int k = 0; k < 3; ++k) {
                v[k] = static_cast<float>(number());
                if (k < 2)
                    expect(',');
            }
            expect(')');
            result.push_back(v);
        });
        return result;
    }

    // Whole numbers; anything else (fractions, non-finite or huge values) becomes
    // -1, which names no vertex.
    std::vector<std::int64_t> integers()
    {
        std::vector<std::int64_t> result;
        list([&] {
            const double value = number();
            const bool whole = std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 9e15;
            result.push_back(whole ? static_cast<std::int64_t>(value) : -1);
        });
        return result;
    }

    Tokenizer tokens_;
    std::vector<RawMesh> meshes_;
};

// "#usda 1.x" on the first line; returns the bytes after it.
std::span<const std::uint8_t> afterHeader(std::span<const std::uint8_t> bytes)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!text.starts_with("#usda"))
        fail("intestazione assente");
    const auto lineEnd = std::min(text.find('\n'), text.size());
    std::string_view version = text.substr(5, lineEnd - 5);
    while (!version.empty() && (version.front() == ' ' || version.front() == '\t'))
        version.remove_prefix(1);
    while (!version.empty() && (version.back() == ' ' || version.back() == '\t' || version.back() == '\r'))
        version.remove_suffix(1);
    if (!version.starts_with("1.") || version.size() < 3
        || version.substr(2).find_first_not_of("0123456789") != std::string_view::npos)
        fail("versione non supportata");
    return bytes.subspan(lineEnd);
}

} // namespace

std::vector<RawMesh> read(std::span<const std::uint8_t> bytes)
{
    return Parser(afterHeader(bytes)).run();
}

} // namespace morvena::USDAReader
