// A peer's size reply arriving in pieces: the first byte splits the rest into the bytes there at
// once and those that arrive after one wait. The length is within what arrived and below 127.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "transfer/peek_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::size_t arrived = std::min<std::size_t>(data[0], bytes.size());
    tandril::transfer::ReplyPeek io{
        .peek =
            [&](char* into, std::size_t n) {
                const std::size_t k = std::min(n, arrived);
                std::memcpy(into, bytes.data(), k);
                return static_cast<long>(k);
            },
        .sleep = [&](std::chrono::milliseconds) { arrived = bytes.size(); },
    };
    const std::size_t length = tandril::transfer::PeekReplyLength(io);
    if (length > bytes.size() || length >= 127) __builtin_trap();
    return 0;
}
