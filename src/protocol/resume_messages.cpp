#include "protocol/resume_messages.h"

#include <charconv>

#include "base/text.h"

namespace tandril::protocol {

namespace {

std::optional<std::string> Field(std::string_view payload, int number, std::size_t width) {
    return GetField(payload, number, width + 1);
}

// A decimal number that fits 32 bits, with nothing after its digits; anything else is no number.
std::optional<std::uint32_t> StrictUnsigned(const std::string& text) {
    std::uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

template <MessageType T>
std::string ChecksumAndSize<T>::Encode() const {
    return checksum + " " + std::to_string(size);
}

template <MessageType T>
std::optional<ChecksumAndSize<T>> ChecksumAndSize<T>::Decode(std::string_view payload) {
    auto checksum = Field(payload, 1, kChecksumWidth), size = Field(payload, 2, kNumberWidth);
    if (!checksum || !size || checksum->empty()) return std::nullopt;
    auto value = StrictUnsigned(*size);
    if (!value) return std::nullopt;
    return ChecksumAndSize{*checksum, *value};
}

template struct ChecksumAndSize<MessageType::FindSources>;
template struct ChecksumAndSize<MessageType::SourcesEnd>;

std::string SourceFound::Encode() const {
    return user + " " + std::to_string(address) + " " + std::to_string(port) + " \"" + fileName + "\" " + checksum + " " +
           std::to_string(size) + " " + std::to_string(lineSpeed);
}

std::optional<SourceFound> SourceFound::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), address = Field(payload, 2, kAddressWidth), port = Field(payload, 3, kNumberWidth);
    auto name = Field(payload, 4, kFileNameWidth), checksum = Field(payload, 5, kChecksumWidth), size = Field(payload, 6, kNumberWidth);
    if (!user || !address || !port || !name || !checksum || !size || user->empty() || name->empty() || checksum->empty()) {
        return std::nullopt;
    }
    auto a = StrictUnsigned(*address), p = StrictUnsigned(*port), s = StrictUnsigned(*size);
    if (!a || !p || !s || *p > 65535) return std::nullopt;
    SourceFound m{*user, *a, *p, *name, *checksum, *s, 0};
    if (auto speed = Field(payload, 7, kNumberWidth)) m.lineSpeed = StrictUnsigned(*speed).value_or(0);
    return m;
}

}  // namespace tandril::protocol
