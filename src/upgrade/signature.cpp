#include "upgrade/signature.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

#include "upgrade_key.h"

namespace tandril::upgrade {

namespace {

constexpr std::size_t kEd25519SignatureSize = 64;

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
void FreeBio(BIO* b) {
    BIO_free(b);
}
using Bio = std::unique_ptr<BIO, Deleter<BIO, FreeBio>>;
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;

}  // namespace

const std::string& BuiltInUpgradeKey() {
    static const std::string key = kBuiltInUpgradeKeyPem;
    return key;
}

bool VerifyUpgradeSignature(std::string_view publicKeyPem, std::string_view data, std::string_view signature) {
    if (signature.size() != kEd25519SignatureSize || publicKeyPem.empty()) return false;
    Bio bio(BIO_new_mem_buf(publicKeyPem.data(), static_cast<int>(publicKeyPem.size())));
    if (!bio) return false;
    Key key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519) return false;
    DigestContext ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1) return false;
    return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()), signature.size(),
                            reinterpret_cast<const unsigned char*>(data.data()), data.size()) == 1;
}

}  // namespace tandril::upgrade
