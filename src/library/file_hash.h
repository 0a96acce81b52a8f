#pragma once
// The file hash: an MD5 digest of an MPEG audio file's first frames and its audio byte count,
// "<32 lowercase hex digits>-<count>", at most 49 characters.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tandril::library {

inline constexpr std::size_t kMaxFileHash = 49;

class Md5 {
public:
    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;
    void Feed(const void* data, std::size_t size);
    std::array<unsigned char, 16> Finish();

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

// "%s-%lu" of the hexadecimal digest and the count, cut to 49 characters.
std::string FileHashText(const std::array<unsigned char, 16>& digest, std::uint32_t audioBytes);

}  // namespace tandril::library
