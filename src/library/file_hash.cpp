#include "library/file_hash.h"

#include <openssl/evp.h>

#include <cstdio>

namespace tandril::library {

struct Md5::Context {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(ctx); }
};

Md5::Md5() : context_(std::make_unique<Context>()) {
    EVP_DigestInit_ex(context_->ctx, EVP_md5(), nullptr);
}

Md5::~Md5() = default;

void Md5::Feed(const void* data, std::size_t size) {
    if (size > 0) EVP_DigestUpdate(context_->ctx, data, size);
}

std::array<unsigned char, 16> Md5::Finish() {
    std::array<unsigned char, 16> digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_->ctx, digest.data(), &length);
    return digest;
}

std::string FileHashText(const std::array<unsigned char, 16>& digest, std::uint32_t audioBytes) {
    std::string text;
    char hex[3];
    for (unsigned char b : digest) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        text += hex;
    }
    text += "-" + std::to_string(audioBytes);
    return text.substr(0, kMaxFileHash);
}

}  // namespace tandril::library
