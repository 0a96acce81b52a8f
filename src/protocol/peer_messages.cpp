#include "protocol/peer_messages.h"

#include <cctype>
#include <cstdlib>

#include "base/text.h"
#include "base/wire_text.h"
#include "protocol/server_messages.h"

namespace tandril::protocol {

namespace {

constexpr std::size_t kLineLimit = 700;
constexpr std::size_t kOffsetWidth = 49;

}  // namespace

std::string_view PeerCommandText(PeerCommand command) {
    switch (command) {
        case PeerCommand::Get:
            return "GET";
        case PeerCommand::Send:
            return "SEND";
        case PeerCommand::GetList:
            return "GETLIST";
        case PeerCommand::SendList:
            return "SENDLIST";
        case PeerCommand::Unknown:
            break;
    }
    return {};
}

PeerCommandLine ParsePeerCommand(std::string_view line) {
    // The longer commands first: "SENDLIST" begins with "SEND", "GETLIST" with "GET".
    for (PeerCommand command : {PeerCommand::SendList, PeerCommand::Send, PeerCommand::GetList, PeerCommand::Get}) {
        std::string_view text = PeerCommandText(command);
        if (StartsWithNoCase(line, text)) return {command, std::string(line.substr(text.size()))};
    }
    return {PeerCommand::Unknown, std::string(line)};
}

std::string_view PeerErrorText(PeerError error) {
    switch (error) {
        case PeerError::FileNotShared:
            return "FILE NOT SHARED";
        case PeerError::InvalidRequest:
            return "INVALID REQUEST";
        case PeerError::FileNotRequested:
            return "FILE NOT REQUESTED";
        case PeerError::FileNotFound:
            return "FILE NOT FOUND";
    }
    return {};
}

std::string FileRequest::Encode() const {
    return ToWireText(Format(kLineLimit, "%s \"%s\" %s", user.c_str(), fileName.c_str(), offset.c_str()));
}

FileRequest FileRequest::Decode(std::string_view wire) {
    const std::string line = FromWireText(wire);
    return FileRequest{GetField(line, 1, kNickWidth + 1).value_or(""), GetField(line, 2, kFileNameWidth + 1).value_or(""),
                       GetField(line, 3, kOffsetWidth + 1).value_or("")};
}

std::string PushHeader::Encode() const {
    return ToWireText(Format(kLineLimit, "%s \"%s\" %lu", user.c_str(), fileName.c_str(), static_cast<unsigned long>(size)));
}

std::optional<PushHeader> PushHeader::Decode(std::string_view wire) {
    const std::string line = FromWireText(wire);
    auto size = GetField(line, 3, kNumberWidth + 1);
    if (!size) return std::nullopt;
    return PushHeader{GetField(line, 1, kNickWidth + 1).value_or(""), GetField(line, 2, kFileNameWidth + 1).value_or(""),
                      static_cast<std::uint32_t>(std::strtoul(size->c_str(), nullptr, 10))};
}

std::string NumberReply(std::uint64_t value) {
    return std::to_string(value);
}

std::optional<std::uint32_t> ParseSizeReply(std::string_view reply) {
    if (reply.empty() || !std::isdigit(static_cast<unsigned char>(reply.front()))) return std::nullopt;
    return static_cast<std::uint32_t>(std::strtoul(std::string(reply).c_str(), nullptr, 10));
}

}  // namespace tandril::protocol
