#include "protocol/browse_messages.h"

#include <cstdlib>

#include "base/text.h"
#include "base/wire_text.h"

namespace tandril::protocol {

namespace {

std::optional<std::uint32_t> Number(std::string_view payload, int field) {
    auto text = GetField(payload, field, kNumberWidth + 1);
    if (!text || !IsDecimal(*text)) return std::nullopt;
    const unsigned long long value = std::strtoull(text->c_str(), nullptr, 10);
    if (value > 0xffffffffULL) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

std::string DirectBrowse::Encode() const {
    if (!HasAddress()) return user;
    return user + " " + std::to_string(*address) + " " + std::to_string(*port);
}

std::optional<DirectBrowse> DirectBrowse::Decode(std::string_view payload) {
    auto user = GetField(payload, 1, kNickWidth + 1);
    if (!user || user->empty()) return std::nullopt;
    DirectBrowse m{*user, Number(payload, 2), Number(payload, 3)};
    if (!m.HasAddress()) m.address = m.port = std::nullopt;
    return m;
}

std::string DirectBrowseAccepted::Encode() const {
    if (!withAddress) return user;
    return user + " " + std::to_string(address) + " " + std::to_string(port);
}

std::optional<DirectBrowseAccepted> DirectBrowseAccepted::Decode(std::string_view payload) {
    auto user = GetField(payload, 1, kNickWidth + 1);
    if (!user || user->empty()) return std::nullopt;
    auto address = Number(payload, 2), port = Number(payload, 3);
    return DirectBrowseAccepted{*user, address.value_or(0), port.value_or(0), address && port};
}

std::string DirectBrowseFailed::Encode() const {
    return reason.empty() ? user : user + " " + reason;
}

std::optional<DirectBrowseFailed> DirectBrowseFailed::Decode(std::string_view payload) {
    auto user = GetField(payload, 1, kNickWidth + 1);
    if (!user || user->empty()) return std::nullopt;
    return DirectBrowseFailed{*user, std::string(RestAfterField(payload, 1).value_or(""))};
}

std::string BrowseFile::Encode() const {
    return user + " " + ShareFile{file}.Encode();
}

std::optional<BrowseFile> BrowseFile::Decode(std::string_view payload) {
    // The nick ends at the first blank; the share line is all that follows.
    const std::size_t blank = payload.find(' ');
    if (blank == 0 || blank == std::string_view::npos) return std::nullopt;
    auto file = ShareFile::Decode(payload.substr(blank + 1));
    if (!file) return std::nullopt;
    return BrowseFile{CutText(payload.substr(0, blank), kNickWidth), file->file};
}

std::string BrowseEnd::Encode() const {
    return user + " " + std::to_string(address);
}

std::optional<BrowseEnd> BrowseEnd::Decode(std::string_view payload) {
    auto user = GetField(payload, 1, kNickWidth + 1);
    if (!user || user->empty()) return std::nullopt;
    return BrowseEnd{*user, Number(payload, 2).value_or(0)};
}

std::string ListNickLine(std::string_view nick) {
    return ToWireText(CutText(nick, kNickWidth)) + "\n";
}

std::optional<std::string> ListShareLine(const SharedEntry& file) {
    std::string line = ToWireText(ShareFile{file}.Encode());
    if (line.size() > kListLineSendLimit) return std::nullopt;
    return line + "\n";
}

std::string ListNick(std::string_view line) {
    return FromWireText(CutText(line, kNickWidth));
}

std::optional<SharedEntry> ParseListShareLine(std::string_view line) {
    auto file = ShareFile::Decode(FromWireText(line));
    if (!file || file->file.name.empty()) return std::nullopt;
    return file->file;
}

}  // namespace tandril::protocol
