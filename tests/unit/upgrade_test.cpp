// The upgrade's pure parts: the offer's check value against values computed independently, the
// offer's fields, the location rule, the head lines of an HTTP answer, and the signature check.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

#include "protocol/upgrade_messages.h"
#include "upgrade/check_value.h"
#include "upgrade/http_get.h"
#include "upgrade/signature.h"
#include "upgrade/upgrade_worker.h"

using namespace tandril;
using namespace tandril::upgrade;

TEST(UpgradeCheckValue, MatchesKnownValues) {
    // The old password scramble's published values, and check values computed by a separate
    // implementation (MD5 of L U D P V D D P V L U L P U).
    struct Scramble {
        const char* password;
        const char* expected;
    } scrambles[] = {
        {"password", "5d2e19393cc5ef67"},
        {"mypass", "6f8c114b58f2ce9e"},
        {"pass word", "5d2e19393cc5ef67"},      // blanks do not count
        {"\tpass\tword ", "5d2e19393cc5ef67"},  // nor tabs
    };
    for (const Scramble& s : scrambles) EXPECT_EQ(OldPasswordScramble(s.password), s.expected) << s.password;

    struct Case {
        const char* user;
        const char* password;
        int port, speed;
        const char* expected;
    } cases[] = {
        {"alice", "secret", 6699, 8, "019f7b53563feabcd499aaeaa91f75fb"},
        {"bob", "pass word", 0, 0, "af951e2fa147c8addc377326284035a7"},
        {"Zoé", "é", 65534, 10, "c3ee8c3c30124f3cfab7a266c0034c78"},  // taken in the wire's code page
        {"", "", 0, 0, "c48b2b377da48d68a8452ed09fb539e8"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpgradeCheckValue(c.user, c.password, c.port, c.speed, "v2.0 BETA 9.4"), c.expected) << c.user;
    }
    // Every part of the account counts.
    const std::string alice = UpgradeCheckValue("alice", "secret", 6699, 8, "v2.0 BETA 9.4");
    EXPECT_NE(UpgradeCheckValue("Alice", "secret", 6699, 8, "v2.0 BETA 9.4"), alice);
    EXPECT_NE(UpgradeCheckValue("alice", "secret", 6700, 8, "v2.0 BETA 9.4"), alice);
    EXPECT_NE(UpgradeCheckValue("alice", "secret", 6699, 7, "v2.0 BETA 9.4"), alice);
    EXPECT_NE(UpgradeCheckValue("alice", "secret", 6699, 8, "v2.0 BETA 9.5"), alice);
}

TEST(UpgradeOffer, FieldsAreCutAndAMissingCheckValueStaysMissing) {
    auto m = protocol::UpgradeOffer::Decode("\"v2.1 FINAL\" \"upgrade.example:/get/new client\" 019f7b53563feabcd499aaeaa91f75fb");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->version, "v2.1 FINAL");
    EXPECT_EQ(m->location, "upgrade.example:/get/new client");
    EXPECT_EQ(m->checkValue, "019f7b53563feabcd499aaeaa91f75fb");
    EXPECT_EQ(protocol::UpgradeOffer::Decode(m->Encode())->Encode(), m->Encode());

    auto noCheck = protocol::UpgradeOffer::Decode("v2.1 /get");
    ASSERT_TRUE(noCheck);
    EXPECT_FALSE(noCheck->checkValue);
    auto empty = protocol::UpgradeOffer::Decode("");
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->checkValue);

    auto longOne = protocol::UpgradeOffer::Decode(std::string(40, 'v') + " " + std::string(400, 'p') + " " + std::string(80, 'c'));
    EXPECT_EQ(longOne->version.size(), 19u);
    EXPECT_EQ(longOne->location.size(), 349u);
    EXPECT_EQ(longOne->checkValue->size(), 49u);
}

TEST(UpgradeLocation, SplitsAtTheFirstColonAndChecksTheHost) {
    struct Case {
        const char* location;
        const char* host;
        const char* path;
    } cases[] = {
        {"upgrade.example:/get/new", "upgrade.example", "/get/new"},
        {"  upgrade.example  :  /get/new  ", "upgrade.example", "/get/new"},
        {"/get/new", "download.example", "/get/new"},  // no colon: the path, from the default host
        {":/get/new", "download.example", "/get/new"},
        {"upgrade.example:", "upgrade.example", ""},
        {"host:/a:b", "host", "/a:b"},
    };
    for (const Case& c : cases) {
        UpgradeLocation l = SplitUpgradeLocation(c.location, "download.example");
        EXPECT_EQ(l.host, c.host) << c.location;
        EXPECT_EQ(l.path, c.path) << c.location;
    }
    UpgradeHosts hosts{"download.example", "upgrade.example", 80};
    EXPECT_TRUE(IsAllowedUpgradeHost("UPGRADE.example", hosts));
    EXPECT_TRUE(IsAllowedUpgradeHost("download.example", hosts));
    EXPECT_FALSE(IsAllowedUpgradeHost("upgrade.example.evil", hosts));
    EXPECT_FALSE(IsAllowedUpgradeHost("", hosts));
}

TEST(UpgradeHttp, ReadsTheStatusAndTheAnnouncedLength) {
    struct Length {
        const char* line;
        std::optional<std::int64_t> expected;
    } lengths[] = {
        {"Content-Length: 1234", 1234},
        {"Content-Length:77", 77},
        {"Content-Length: x", -1},
        {"content-length: 5", std::nullopt},  // compared for its 15 characters, as written
        {"Content-Type: text/plain", std::nullopt},
    };
    for (const Length& l : lengths) EXPECT_EQ(ContentLengthOf(l.line), l.expected) << l.line;
    EXPECT_EQ(StatusCodeOf("HTTP/1.1 200 OK"), 200);
    EXPECT_EQ(StatusCodeOf("HTTP/1.0 404 Not Found"), 404);
    EXPECT_EQ(StatusCodeOf("ICY 200 OK"), 0);
    EXPECT_EQ(StatusCodeOf("HTTP/1.1 20 short"), 0);
}

namespace {

struct KeyPair {
    std::string publicPem;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key{EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"), EVP_PKEY_free};
    KeyPair() {
        BIO* bio = BIO_new(BIO_s_mem());
        PEM_write_bio_PUBKEY(bio, key.get());
        char* data = nullptr;
        long size = BIO_get_mem_data(bio, &data);
        publicPem.assign(data, static_cast<std::size_t>(size));
        BIO_free(bio);
    }
    std::string Sign(const std::string& data) const {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
        EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get());
        std::size_t size = 64;
        std::string signature(size, '\0');
        EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size());
        return signature;
    }
};

}  // namespace

TEST(UpgradeSignature, OnlyTheKeysOwnSignatureOfTheseBytesPasses) {
    KeyPair key, other;
    const std::string program = "#!/bin/sh\necho new client\n";
    const std::string signature = key.Sign(program);
    EXPECT_TRUE(VerifyUpgradeSignature(key.publicPem, program, signature));
    EXPECT_FALSE(VerifyUpgradeSignature(other.publicPem, program, signature));
    EXPECT_FALSE(VerifyUpgradeSignature(key.publicPem, program + " ", signature));
    std::string flipped = signature;
    flipped[10] ^= 1;
    EXPECT_FALSE(VerifyUpgradeSignature(key.publicPem, program, flipped));
    EXPECT_FALSE(VerifyUpgradeSignature(key.publicPem, program, signature.substr(0, 63)));
    EXPECT_FALSE(VerifyUpgradeSignature(key.publicPem, program, ""));
    EXPECT_FALSE(VerifyUpgradeSignature("not a key", program, signature));
    EXPECT_FALSE(VerifyUpgradeSignature("", program, signature));
    // An RSA key is not an upgrade key, whatever it signs.
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> rsa(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t{2048}), EVP_PKEY_free);
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PUBKEY(bio, rsa.get());
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    std::string rsaPem(data, static_cast<std::size_t>(size));
    BIO_free(bio);
    EXPECT_FALSE(VerifyUpgradeSignature(rsaPem, program, signature));
    // The client is built with a key.
    EXPECT_NE(BuiltInUpgradeKey().find("BEGIN PUBLIC KEY"), std::string::npos);
}
