#include "AnatomyCore/Archive/Internal/Sha256.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace morvena {

struct Sha256::Context {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> digest {EVP_MD_CTX_new(), &EVP_MD_CTX_free};
};

Sha256::Sha256()
    : context_(std::make_unique<Context>())
{
    if (!context_->digest || EVP_DigestInit_ex(context_->digest.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 non disponibile");
}

Sha256::~Sha256() = default;

void Sha256::update(std::span<const std::byte> bytes)
{
    if (EVP_DigestUpdate(context_->digest.get(), bytes.data(), bytes.size()) != 1)
        throw std::runtime_error("SHA-256 non disponibile");
}

std::string Sha256::hexDigest()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->digest.get(), digest, &length) != 1)
        throw std::runtime_error("SHA-256 non disponibile");
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 15];
    }
    return text;
}

} // namespace morvena
