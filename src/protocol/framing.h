#pragma once
// The server connection's frame: a 16-bit little-endian payload length, a 16-bit little-endian
// message type, then the payload bytes (no terminating NUL). Pure functions over bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tandril::protocol {

// Header and payload of an outgoing frame fit a 2048-byte buffer.
inline constexpr std::size_t kMaxOutgoingPayload = 2044;
// A length with its top bit set is a protocol error.
inline constexpr std::size_t kMaxFrameLength = 0x7FFF;
inline constexpr std::size_t kHeaderSize = 4;
// The main receive buffer is 2048 bytes: payloads of up to 2047 bytes arrive whole.
inline constexpr std::size_t kMainReceiveBuffer = 2048;

std::string EncodeFrame(std::uint16_t type, std::string_view payload);

enum class FrameStatus { NeedMore, Complete, Malformed };

struct ParsedFrame {
    FrameStatus status = FrameStatus::NeedMore;
    std::uint16_t type = 0;
    std::string_view payload;  // the whole payload, whatever the receiver keeps of it
    std::size_t consumed = 0;  // bytes of the input that the frame took
};

// Looks for one whole frame at the start of bytes.
ParsedFrame ParseFrame(std::string_view bytes);

// True when at least the header has arrived (a close after this point loses a payload).
inline bool HeaderComplete(std::string_view bytes) {
    return bytes.size() >= kHeaderSize;
}

}  // namespace tandril::protocol
