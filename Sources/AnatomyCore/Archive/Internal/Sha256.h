#pragma once

#include <memory>
#include <span>
#include <string>

namespace morvena {

// Incremental SHA-256 whose digest is written as 64 lower-case hexadecimal
// digits, the form catalogs publish.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(std::span<const std::byte> bytes);
    // Ends the computation; the object cannot be updated afterwards.
    std::string hexDigest();

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

} // namespace morvena
