// Any byte stream from the server: frames are taken one by one until one is incomplete or malformed.
#include <cstdint>
#include <string_view>

#include "protocol/framing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (;;) {
        auto frame = tandril::protocol::ParseFrame(rest);
        if (frame.status != tandril::protocol::FrameStatus::Complete) break;
        if (frame.consumed == 0 || frame.consumed > rest.size()) __builtin_trap();
        std::string again = tandril::protocol::EncodeFrame(frame.type, frame.payload);
        if (frame.payload.size() <= tandril::protocol::kMaxOutgoingPayload && again != rest.substr(0, frame.consumed)) __builtin_trap();
        rest.remove_prefix(frame.consumed);
    }
    return 0;
}
