#pragma once
// The resume search: 215 asks for every user who shares a file of this exact checksum and size;
// the server answers with one 216 per such user and 217 at the end. 216 has the fields of a
// download address (204) followed by the size, so that it can be matched to the incomplete file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/server_messages.h"

namespace tandril::protocol {

// 215 and 217: "checksum size"; both needed.
template <MessageType T>
struct ChecksumAndSize {
    static constexpr MessageType kType = T;
    std::string checksum;
    std::uint32_t size = 0;
    std::string Encode() const;
    static std::optional<ChecksumAndSize> Decode(std::string_view payload);
};
using FindSources = ChecksumAndSize<MessageType::FindSources>;
using SourcesEnd = ChecksumAndSize<MessageType::SourcesEnd>;

// 216: nick address port "name" checksum size linespeed; all but the line speed needed, and the
// numbers must be numbers (a source with a made-up address is not worth trying).
struct SourceFound {
    static constexpr MessageType kType = MessageType::SourceFound;
    std::string user;
    std::uint32_t address = 0;  // as the server writes it: the first octet in the low byte
    std::uint32_t port = 0;
    std::string fileName;
    std::string checksum;
    std::uint32_t size = 0;
    std::uint32_t lineSpeed = 0;
    std::string Encode() const;
    static std::optional<SourceFound> Decode(std::string_view payload);
};

}  // namespace tandril::protocol
