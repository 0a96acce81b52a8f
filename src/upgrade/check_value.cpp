#include "upgrade/check_value.h"

#include <openssl/evp.h>

#include <cstdint>
#include <memory>

#include "base/text.h"
#include "base/wire_text.h"

namespace tandril::upgrade {

std::string OldPasswordScramble(std::string_view password) {
    std::uint32_t nr = 1345345333u, nr2 = 0x12345671u, add = 7;
    for (char ch : password) {
        if (ch == ' ' || ch == '\t') continue;
        const std::uint32_t c = static_cast<unsigned char>(ch);
        nr ^= ((nr & 63) + add) * c + (nr << 8);
        nr2 += (nr2 << 8) ^ nr;
        add += c;
    }
    return Format(16, "%08x%08x", static_cast<unsigned>(nr & 0x7FFFFFFFu), static_cast<unsigned>(nr2 & 0x7FFFFFFFu));
}

std::string UpgradeCheckValue(std::string_view userName, std::string_view password, int dataPort, int lineSpeed,
                              std::string_view versionText) {
    const std::string u = ToWireText(userName);
    const std::string p = OldPasswordScramble(ToWireText(password));
    const std::string v = ToWireText(versionText);
    const std::string l = std::to_string(lineSpeed);
    const std::string d = std::to_string(dataPort);
    // The order is the servers' and must not change.
    const std::string* order[] = {&l, &u, &d, &p, &v, &d, &d, &p, &v, &l, &u, &l, &p, &u};

    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1) return {};
    for (const std::string* text : order) {
        if (!text->empty()) EVP_DigestUpdate(ctx.get(), text->data(), text->size());
    }
    if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1) return {};
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) hex += Format(2, "%02x", digest[i]);
    return hex;
}

}  // namespace tandril::upgrade
