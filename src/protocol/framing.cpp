#include "protocol/framing.h"

namespace tandril::protocol {

std::string EncodeFrame(std::uint16_t type, std::string_view payload) {
    if (payload.size() > kMaxOutgoingPayload) payload = payload.substr(0, kMaxOutgoingPayload);
    std::string frame;
    frame.reserve(kHeaderSize + payload.size());
    auto length = static_cast<std::uint16_t>(payload.size());
    frame.push_back(static_cast<char>(length & 0xFF));
    frame.push_back(static_cast<char>(length >> 8));
    frame.push_back(static_cast<char>(type & 0xFF));
    frame.push_back(static_cast<char>(type >> 8));
    frame.append(payload);
    return frame;
}

ParsedFrame ParseFrame(std::string_view bytes) {
    ParsedFrame result;
    if (bytes.size() < kHeaderSize) return result;
    auto byte = [&](std::size_t i) { return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[i])); };
    std::size_t length = byte(0) | (byte(1) << 8);
    if (length > kMaxFrameLength) {
        result.status = FrameStatus::Malformed;
        return result;
    }
    result.type = static_cast<std::uint16_t>(byte(2) | (byte(3) << 8));
    if (bytes.size() < kHeaderSize + length) return result;
    result.status = FrameStatus::Complete;
    result.payload = bytes.substr(kHeaderSize, length);
    result.consumed = kHeaderSize + length;
    return result;
}

}  // namespace tandril::protocol
