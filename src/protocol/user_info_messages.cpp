#include "protocol/user_info_messages.h"

#include <vector>

#include "base/text.h"

namespace tandril::protocol {

namespace {

// Text fields travel quoted so that blanks inside them (a list of channels) stay in one field.
std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Text(std::string_view payload, int number, std::size_t width) {
    return GetField(payload, number, width + 1).value_or("");
}

long long Number(std::string_view payload, int number) {
    auto field = GetField(payload, number, kNumberWidth + 1);
    return field ? DecimalValue(*field) : 0;
}

}  // namespace

std::string UserInfoOnline::Encode() const {
    std::string out = user + " " + Quoted(level) + " " + std::to_string(secondsConnected) + " " + Quoted(channels) + " " + Quoted(state) +
                      " " + std::to_string(filesShared) + " " + std::to_string(downloads) + " " + std::to_string(uploads) + " " +
                      std::to_string(lineSpeed) + " " + Quoted(clientVersion);
    if (extended) {
        out += " " + std::to_string(field11) + " " + std::to_string(field12) + " " + Quoted(address) + " " + std::to_string(port) + " " +
               std::to_string(dataPort) + " " + Quoted(field16);
    }
    return out;
}

std::optional<UserInfoOnline> UserInfoOnline::Decode(std::string_view payload) {
    if (!GetField(payload, 10, 2)) return std::nullopt;
    UserInfoOnline m;
    m.user = Text(payload, 1, kNickWidth);
    m.level = Text(payload, 2, kUserLevelWidth);
    m.secondsConnected = Number(payload, 3);
    m.channels = Text(payload, 4, kUserChannelsWidth);
    m.state = Text(payload, 5, kUserStateWidth);
    m.filesShared = Number(payload, 6);
    m.downloads = Number(payload, 7);
    m.uploads = Number(payload, 8);
    m.lineSpeed = Number(payload, 9);
    m.clientVersion = Text(payload, 10, kClientVersionWidth);
    m.extended = GetField(payload, 11, 2).has_value();
    if (m.extended) {
        m.field11 = Number(payload, 11);
        m.field12 = Number(payload, 12);
        m.address = Text(payload, 13, kUserAddressWidth);
        m.port = Number(payload, 14);
        m.dataPort = Number(payload, 15);
        m.field16 = Text(payload, 16, kUserNoteWidth);
    }
    return m;
}

std::string UserInfoOffline::Encode() const {
    std::string out = user + " " + Quoted(level) + " " + std::to_string(lastSeen);
    if (extended) {
        out += " " + std::to_string(field4) + " " + std::to_string(field5) + " " + Quoted(lastAddress) + " " + std::to_string(lastPort) +
               " " + std::to_string(lastDataPort) + " " + Quoted(note);
    }
    return out;
}

std::optional<UserInfoOffline> UserInfoOffline::Decode(std::string_view payload) {
    if (!GetField(payload, 3, 2)) return std::nullopt;
    UserInfoOffline m;
    m.user = Text(payload, 1, kNickWidth);
    m.level = Text(payload, 2, kUserLevelWidth);
    m.lastSeen = Number(payload, 3);
    m.extended = GetField(payload, 4, 2).has_value();
    if (m.extended) {
        m.field4 = Number(payload, 4);
        m.field5 = Number(payload, 5);
        m.lastAddress = Text(payload, 6, kUserAddressWidth);
        m.lastPort = Number(payload, 7);
        m.lastDataPort = Number(payload, 8);
        m.note = Text(payload, 9, kUserNoteWidth);
    }
    return m;
}

}  // namespace tandril::protocol
