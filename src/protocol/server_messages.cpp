#include "protocol/server_messages.h"

#include <charconv>
#include <cstdlib>

#include "base/text.h"

namespace tandril::protocol {

namespace {

constexpr std::size_t kQueryLimit = 2047;
constexpr std::size_t kProbeTextWidth = 127;
constexpr std::size_t kProbeNumberWidth = 31;
constexpr std::size_t kStatisticWidth = 49;
constexpr std::size_t kUploadLimitPayload = 500;
constexpr std::size_t kUnreachablePayload = 64;
constexpr std::size_t kDataPortCandidatesLimit = 98;
// Every client since the first sends these after its version and line speed.
constexpr unsigned long kLoginBuild = 4853;

std::optional<std::string> Field(std::string_view payload, int number, std::size_t width) {
    return GetField(payload, number, width + 1);
}

// A number field as the C library reads it (leading digits, anything after them ignored).
std::uint32_t Unsigned(const std::string& field) {
    return static_cast<std::uint32_t>(std::strtoul(field.c_str(), nullptr, 10));
}

template <typename T>
T Number(const std::vector<std::string>& fields, std::size_t index) {
    T value{};
    if (index < fields.size()) std::from_chars(fields[index].data(), fields[index].data() + fields[index].size(), value);
    return value;
}

std::string Token(const std::vector<std::string>& fields, std::size_t index, std::size_t width) {
    return index < fields.size() ? CutText(fields[index], width) : std::string();
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string EntryValues(const SharedEntry& f) {
    return " " + f.hash + " " + std::to_string(f.size) + " " + std::to_string(f.bitrate) + " " + std::to_string(f.frequency) + " " +
           std::to_string(f.length);
}

std::optional<SharedEntry> EntryFrom(const std::vector<std::string>& fields, std::size_t first) {
    if (first + 6 > fields.size()) return std::nullopt;
    SharedEntry e;
    e.name = CutText(fields[first], kFileNameWidth);
    e.hash = CutText(fields[first + 1], kChecksumWidth);
    e.size = Number<std::uint32_t>(fields, first + 2);
    e.bitrate = Number<std::int32_t>(fields, first + 3);
    e.frequency = Number<std::int32_t>(fields, first + 4);
    e.length = Number<std::int32_t>(fields, first + 5);
    return e;
}

std::optional<Comparison> ComparisonFrom(std::string_view word) {
    for (Comparison c : {Comparison::AtBest, Comparison::EqualTo, Comparison::AtLeast}) {
        if (word == ComparisonWord(c)) return c;
    }
    return std::nullopt;
}

}  // namespace

template <MessageType T>
std::optional<UserMessage<T>> UserMessage<T>::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth);
    if (!user) return std::nullopt;
    return UserMessage{*user};
}

template <MessageType T>
std::string UserFileMessage<T>::Encode() const {
    return user + " " + Quoted(fileName);
}

template <MessageType T>
std::optional<UserFileMessage<T>> UserFileMessage<T>::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), name = Field(payload, 2, kFileNameWidth);
    if (!user || !name) return std::nullopt;
    return UserFileMessage{*user, *name};
}

template <MessageType T>
std::optional<NumberMessage<T>> NumberMessage<T>::Decode(std::string_view payload) {
    std::string_view text = Trim(payload);
    if (text.empty()) return std::nullopt;
    return NumberMessage{DecimalValue(text)};
}

std::string Login::Encode() const {
    return Format(std::string::npos, "%s %s %d \"%s\" %d %lu %d", user.c_str(), password.c_str(), dataPort, version.c_str(), lineSpeed,
                  kLoginBuild, 0);
}

std::optional<Login> Login::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), password = Field(payload, 2, kNickWidth), port = Field(payload, 3, kNumberWidth);
    auto version = Field(payload, 4, 63), speed = Field(payload, 5, kNumberWidth);
    if (!user || !password || !port) return std::nullopt;
    return Login{*user, *password, static_cast<int>(DecimalValue(*port)), version.value_or(""),
                 static_cast<int>(DecimalValue(speed.value_or("")))};
}

std::string VersionCheck::Encode() const {
    return Format(std::string::npos, "\"%s\" %d", version.c_str(), lineSpeed);
}

std::optional<VersionCheck> VersionCheck::Decode(std::string_view payload) {
    auto version = Field(payload, 1, 63);
    if (!version) return std::nullopt;
    return VersionCheck{*version, static_cast<int>(DecimalValue(Field(payload, 2, kNumberWidth).value_or("")))};
}

std::string Register::Encode() const {
    return Format(std::string::npos, "%s %s %d \"%s\" %d %s %d", user.c_str(), password.c_str(), dataPort, version.c_str(), lineSpeed,
                  email.c_str(), 0);
}

std::optional<Register> Register::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), password = Field(payload, 2, kNickWidth), port = Field(payload, 3, kNumberWidth);
    if (!user || !password || !port) return std::nullopt;
    return Register{*user,
                    *password,
                    static_cast<int>(DecimalValue(*port)),
                    Field(payload, 4, 63).value_or(""),
                    static_cast<int>(DecimalValue(Field(payload, 5, kNumberWidth).value_or(""))),
                    Field(payload, 6, 99).value_or("")};
}

std::string AccountCheck::Encode() const {
    return user + " " + password;
}

std::optional<AccountCheck> AccountCheck::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), password = Field(payload, 2, kNickWidth);
    if (!user || !password) return std::nullopt;
    return AccountCheck{*user, *password};
}

std::string PersonalData::Encode() const {
    std::string payload;
    for (const auto& [key, value] : values) {
        if (!payload.empty()) payload += " ";
        payload += Quoted(key) + " " + Quoted(value);
    }
    return payload;
}

std::optional<PersonalData> PersonalData::Decode(std::string_view payload) {
    std::vector<std::string> fields = SplitFields(payload);
    PersonalData data;
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) data.values[fields[i]] = fields[i + 1];
    return data;
}

std::string DataPortCandidates::Encode() const {
    std::string text;
    for (int port : ports) {
        std::string number = std::to_string(port);
        if (text.size() + number.size() + 1 < kDataPortCandidatesLimit) text += number + " ";
    }
    return std::string(Trim(text));
}

std::optional<DataPortCandidates> DataPortCandidates::Decode(std::string_view payload) {
    DataPortCandidates candidates;
    for (const std::string& port : SplitFields(payload)) candidates.ports.push_back(static_cast<int>(DecimalValue(port)));
    return candidates;
}

std::string ShareFile::Encode() const {
    return Quoted(file.name) + EntryValues(file);
}

std::optional<ShareFile> ShareFile::Decode(std::string_view payload) {
    auto entry = EntryFrom(SplitFields(payload), 0);
    if (!entry) return std::nullopt;
    return ShareFile{*entry};
}

std::size_t ShareFolder::EntrySize(const SharedEntry& file) {
    return file.name.size() + 3 + EntryValues(file).size();
}

std::string ShareFolder::Encode() const {
    std::string payload = Quoted(folder);
    for (const SharedEntry& f : files) payload += " " + Quoted(f.name) + EntryValues(f);
    return payload;
}

std::optional<ShareFolder> ShareFolder::Decode(std::string_view payload) {
    std::vector<std::string> fields = SplitFields(payload);
    if (fields.empty()) return std::nullopt;
    ShareFolder batch{fields[0], {}};
    for (std::size_t i = 1; i < fields.size(); i += 6) {
        auto entry = EntryFrom(fields, i);
        if (!entry) return std::nullopt;
        batch.files.push_back(std::move(*entry));
    }
    return batch;
}

std::string_view ComparisonWord(Comparison comparison) {
    switch (comparison) {
        case Comparison::AtBest:
            return "AT BEST";
        case Comparison::EqualTo:
            return "EQUAL TO";
        case Comparison::AtLeast:
            return "AT LEAST";
    }
    return {};
}

std::string SearchRequest::Encode() const {
    std::string query;
    if (!artist.empty()) query += "FILENAME CONTAINS " + Quoted(artist) + " ";
    query += "MAX_RESULTS " + std::to_string(maxResults) + " ";
    if (!title.empty()) query += "FILENAME CONTAINS " + Quoted(title) + " ";
    if (lineSpeedComparison) {
        query += "LINESPEED " + Quoted(ComparisonWord(*lineSpeedComparison)) + " " + std::to_string(lineSpeed) + " ";
    }
    if (bitrateComparison) query += "BITRATE " + Quoted(ComparisonWord(*bitrateComparison)) + " " + Quoted(bitrate) + " ";
    return CutText(query, kQueryLimit);
}

std::optional<SearchRequest> SearchRequest::Decode(std::string_view payload) {
    std::vector<std::string> t = SplitFields(payload);
    SearchRequest q;
    bool limitSeen = false;
    auto number = [](const std::string& text, int& out) {
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
        return ec == std::errc() && end == text.data() + text.size();
    };
    for (std::size_t i = 0; i < t.size();) {
        if (t[i] == "FILENAME" && i + 2 < t.size() && t[i + 1] == "CONTAINS") {
            std::string& word = limitSeen ? q.title : q.artist;
            word += (word.empty() ? "" : " ") + t[i + 2];
            i += 3;
        } else if (t[i] == "MAX_RESULTS" && i + 1 < t.size() && number(t[i + 1], q.maxResults)) {
            limitSeen = true;
            i += 2;
        } else if (t[i] == "LINESPEED" && i + 2 < t.size() && ComparisonFrom(t[i + 1]) && number(t[i + 2], q.lineSpeed)) {
            q.lineSpeedComparison = ComparisonFrom(t[i + 1]);
            i += 3;
        } else if (t[i] == "BITRATE" && i + 2 < t.size() && ComparisonFrom(t[i + 1]) && IsDecimal(t[i + 2])) {
            q.bitrateComparison = ComparisonFrom(t[i + 1]);
            q.bitrate = t[i + 2];
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    return q;
}

std::string SearchResult::Encode() const {
    return Quoted(fileName) + " " + hash + " " + std::to_string(size) + " " + std::to_string(bitrate) + " " + std::to_string(frequency) +
           " " + std::to_string(length) + " " + user + " " + std::to_string(address) + " " + std::to_string(lineSpeed) + " " +
           std::to_string(weight);
}

std::optional<SearchResult> SearchResult::Decode(std::string_view payload) {
    std::vector<std::string> t = SplitFields(payload);
    SearchResult r;
    r.fileName = Token(t, 0, kFileNameWidth);
    r.hash = Token(t, 1, kChecksumWidth);
    r.size = Number<std::uint32_t>(t, 2);
    r.bitrate = Number<std::int32_t>(t, 3);
    r.frequency = Number<std::int32_t>(t, 4);
    r.length = Number<std::int32_t>(t, 5);
    r.user = Token(t, 6, kNickWidth);
    r.address = Number<std::uint32_t>(t, 7);
    r.lineSpeed = Number<std::int32_t>(t, 8);
    r.weight = Number<std::int32_t>(t, 9);
    return r;
}

template <MessageType T>
std::string PeerAddress<T>::Encode() const {
    std::string payload = user + " " + std::to_string(address) + " " + std::to_string(port) + " " + Quoted(fileName) + " " + checksum;
    if (lineSpeed) payload += " " + std::to_string(*lineSpeed);
    return payload;
}

template <MessageType T>
std::optional<PeerAddress<T>> PeerAddress<T>::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), address = Field(payload, 2, kAddressWidth), port = Field(payload, 3, kNumberWidth);
    auto name = Field(payload, 4, kFileNameWidth), checksum = Field(payload, 5, kChecksumWidth);
    if (!user || !address || !port || !name || !checksum) return std::nullopt;
    PeerAddress m{*user, Unsigned(*address), Unsigned(*port), *name, *checksum, std::nullopt};
    if (auto speed = Field(payload, 6, kNumberWidth)) m.lineSpeed = Unsigned(*speed);
    return m;
}

template <MessageType T>
std::string RefusedTransfer<T>::Encode() const {
    return user + " " + Quoted(fileName);
}

template <MessageType T>
std::optional<RefusedTransfer<T>> RefusedTransfer<T>::Decode(std::string_view payload) {
    // Some servers quote the name, others give the rest of the payload as it is.
    if (payload.find('"') != std::string_view::npos) {
        return RefusedTransfer{Field(payload, 1, kNickWidth).value_or(""), Field(payload, 2, kFileNameWidth).value_or("")};
    }
    std::string_view text = Trim(payload);
    auto blank = text.find(' ');
    return RefusedTransfer{CutText(text.substr(0, blank), kNickWidth),
                           blank == std::string_view::npos ? "" : CutText(Trim(text.substr(blank)), kFileNameWidth)};
}

std::string UploadRequest::Encode() const {
    std::string payload = user + " " + Quoted(fileName);
    if (lineSpeed) payload += " " + std::to_string(*lineSpeed);
    return payload;
}

std::optional<UploadRequest> UploadRequest::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), name = Field(payload, 2, kFileNameWidth);
    if (!user || !name) return std::nullopt;
    UploadRequest m{*user, *name, std::nullopt};
    if (auto speed = Field(payload, 3, kNumberWidth)) m.lineSpeed = Unsigned(*speed);
    return m;
}

std::string UploadLimitReached::Encode() const {
    return Format(kUploadLimitPayload, "%s \"%s\" %d", user.c_str(), fileName.c_str(), limit);
}

std::optional<UploadLimitReached> UploadLimitReached::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), name = Field(payload, 2, kFileNameWidth);
    if (!user || !name) return std::nullopt;
    return UploadLimitReached{*user, *name, static_cast<int>(DecimalValue(Field(payload, 3, kNumberWidth).value_or("")))};
}

std::string UserLineSpeed::Encode() const {
    return user + " " + std::to_string(lineSpeed);
}

std::optional<UserLineSpeed> UserLineSpeed::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), speed = Field(payload, 2, kNumberWidth);
    if (!user || !speed) return std::nullopt;
    return UserLineSpeed{*user, Unsigned(*speed)};
}

std::string PeerUnreachable::Encode() const {
    return Format(kUnreachablePayload, "%s %d", user.c_str(), port);
}

std::optional<PeerUnreachable> PeerUnreachable::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), port = Field(payload, 2, kNumberWidth);
    if (!user || !port) return std::nullopt;
    return PeerUnreachable{*user, static_cast<int>(DecimalValue(*port))};
}

std::string ServerStatistics::Encode() const {
    return users + " " + files + " " + gigabytes;
}

std::optional<ServerStatistics> ServerStatistics::Decode(std::string_view payload) {
    ServerStatistics m{Field(payload, 1, kStatisticWidth).value_or(""), Field(payload, 2, kStatisticWidth).value_or(""),
                       Field(payload, 3, kStatisticWidth).value_or("")};
    // Counts are digits: anything else (a sign, letters) is a broken or hostile server's, not shown.
    for (const std::string* field : {&m.users, &m.files, &m.gigabytes}) {
        if (!field->empty() && !IsDecimal(*field)) return std::nullopt;
    }
    return m;
}

std::string OutboundProbe::Encode() const {
    return address + " " + port + " " + Quoted(text);
}

std::optional<OutboundProbe> OutboundProbe::Decode(std::string_view payload) {
    auto address = Field(payload, 1, kProbeTextWidth), port = Field(payload, 2, kProbeNumberWidth);
    auto text = Field(payload, 3, kProbeTextWidth);
    if (!address || !port || !text) return std::nullopt;
    return OutboundProbe{*address, *port, *text};
}

std::string InboundProbe::Encode() const {
    return port + " " + seconds + " " + Quoted(text);
}

std::optional<InboundProbe> InboundProbe::Decode(std::string_view payload) {
    auto port = Field(payload, 1, kProbeTextWidth), seconds = Field(payload, 2, kProbeNumberWidth);
    auto text = Field(payload, 3, kProbeTextWidth);
    if (!port || !seconds || !text) return std::nullopt;
    return InboundProbe{*port, *seconds, *text};
}

// The message types of each family, made once here.
template struct UserMessage<MessageType::LineSpeedQuery>;
template struct UserMessage<MessageType::HotListAdd>;
template struct UserMessage<MessageType::HotListRegister>;
template struct UserMessage<MessageType::HotListRemove>;
template struct UserMessage<MessageType::HotListAdded>;
template struct UserMessage<MessageType::HotListNoSuchUser>;
template struct UserMessage<MessageType::HotListUserOffline>;
template struct UserMessage<MessageType::UserInfoRequest>;
template struct UserMessage<MessageType::BothFirewalled>;
template struct UserMessage<MessageType::BrowseThroughServer>;
template struct UserFileMessage<MessageType::DownloadRequest>;
template struct UserFileMessage<MessageType::PushRequest>;
template struct UserFileMessage<MessageType::UploadAccepted>;
template struct UserFileMessage<MessageType::RemoteQueueFull>;
template struct NumberMessage<MessageType::ChangeLineSpeed>;
template struct NumberMessage<MessageType::ChangeDataPort>;
template struct NumberMessage<MessageType::ImposedDataPort>;
template struct NumberMessage<MessageType::ImposedLineSpeed>;
template struct PeerAddress<MessageType::DownloadAddress>;
template struct PeerAddress<MessageType::PushAsked>;
template struct RefusedTransfer<MessageType::DownloadFailed>;
template struct RefusedTransfer<MessageType::TransferFailed>;

}  // namespace tandril::protocol
