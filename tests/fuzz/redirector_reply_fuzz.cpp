#include <cstdint>
#include <string_view>

#include "protocol/redirector_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto reply = tandril::protocol::ParseRedirectorReply(std::string_view(reinterpret_cast<const char*>(data), size));
    if (reply.kind == tandril::protocol::RedirectorReply::Wait && reply.waitSeconds < 0) __builtin_trap();
    if (reply.port < 0 || reply.port > 65535) __builtin_trap();
    return 0;
}
