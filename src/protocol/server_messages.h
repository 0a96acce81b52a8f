#pragma once
// The index server's messages as typed values: one struct per message with one encoder (the
// payload text) and one decoder (nullopt when the payload lacks a field the message needs).
// Every decoder splits by the one field rule and cuts each field to the width the protocol gives
// it; numbers travel as decimal text. Payloads here are UTF-8: the server link converts them to
// and from the wire's code page.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/message_type.h"

namespace tandril::protocol {

// Widths of the fields as the protocol gives them (characters, not counting a terminator).
inline constexpr std::size_t kNickWidth = 19;
inline constexpr std::size_t kFileNameWidth = 349;
inline constexpr std::size_t kChecksumWidth = 49;
inline constexpr std::size_t kAddressWidth = 15;
inline constexpr std::size_t kNumberWidth = 15;

// A message whose payload is one text, taken whole.
template <MessageType T>
struct TextMessage {
    static constexpr MessageType kType = T;
    std::string text;
    std::string Encode() const { return text; }
    static std::optional<TextMessage> Decode(std::string_view payload) { return TextMessage{std::string(payload)}; }
};

// A message without a payload (anything that comes with it is ignored).
template <MessageType T>
struct EmptyMessage {
    static constexpr MessageType kType = T;
    std::string Encode() const { return {}; }
    static std::optional<EmptyMessage> Decode(std::string_view) { return EmptyMessage{}; }
};

// A message that names one user: the name is the whole payload out, the first field in.
template <MessageType T>
struct UserMessage {
    static constexpr MessageType kType = T;
    std::string user;
    std::string Encode() const { return user; }
    static std::optional<UserMessage> Decode(std::string_view payload);
};

// A message that names a user and a file: "%s \"%s\"".
template <MessageType T>
struct UserFileMessage {
    static constexpr MessageType kType = T;
    std::string user;
    std::string fileName;
    std::string Encode() const;
    static std::optional<UserFileMessage> Decode(std::string_view payload);
};

// A decimal number as the whole payload; an empty payload does not decode.
template <MessageType T>
struct NumberMessage {
    static constexpr MessageType kType = T;
    long long value = 0;
    std::string Encode() const { return std::to_string(value); }
    static std::optional<NumberMessage> Decode(std::string_view payload);
};

// ---- Log in and registration -------------------------------------------------------------

// 2: "user password dataPort \"version\" lineSpeed 4853 0".
struct Login {
    static constexpr MessageType kType = MessageType::Login;
    std::string user;
    std::string password;
    int dataPort = 0;
    std::string version;
    int lineSpeed = 0;
    std::string Encode() const;
    static std::optional<Login> Decode(std::string_view payload);
};

// 4: "\"version\" lineSpeed".
struct VersionCheck {
    static constexpr MessageType kType = MessageType::VersionCheck;
    std::string version;
    int lineSpeed = 0;
    std::string Encode() const;
    static std::optional<VersionCheck> Decode(std::string_view payload);
};

// 6: "user password dataPort \"version\" lineSpeed email 0".
struct Register {
    static constexpr MessageType kType = MessageType::Register;
    std::string user;
    std::string password;
    int dataPort = 0;
    std::string version;
    int lineSpeed = 0;
    std::string email;
    std::string Encode() const;
    static std::optional<Register> Decode(std::string_view payload);
};

// 11: "user password".
struct AccountCheck {
    static constexpr MessageType kType = MessageType::AccountCheck;
    std::string user;
    std::string password;
    std::string Encode() const;
    static std::optional<AccountCheck> Decode(std::string_view payload);
};

// 15: quoted key-value pairs.
struct PersonalData {
    static constexpr MessageType kType = MessageType::PersonalData;
    std::map<std::string, std::string> values;
    std::string Encode() const;
    static std::optional<PersonalData> Decode(std::string_view payload);
};

// 300: the ports a reachability test may try, separated by blanks (as many as fit 97 characters).
struct DataPortCandidates {
    static constexpr MessageType kType = MessageType::DataPortCandidates;
    std::vector<int> ports;
    std::string Encode() const;
    static std::optional<DataPortCandidates> Decode(std::string_view payload);
};

using ErrorText = TextMessage<MessageType::Error>;
using NoticeText = TextMessage<MessageType::Notice>;
using LoginAccepted = EmptyMessage<MessageType::LoginAccepted>;
using NameCheck = TextMessage<MessageType::NameCheck>;
using NameFree = EmptyMessage<MessageType::NameFree>;
using NameTaken = EmptyMessage<MessageType::NameTaken>;
using NameInvalid = EmptyMessage<MessageType::NameInvalid>;
using AccountValid = EmptyMessage<MessageType::AccountValid>;
// Sent before a login to servers that take it.
struct BeforeLogin {
    static constexpr MessageType kType = MessageType::BeforeLogin;
    std::string Encode() const { return "1"; }
    static std::optional<BeforeLogin> Decode(std::string_view) { return BeforeLogin{}; }
};

// ---- Account changes -----------------------------------------------------------------------

using ChangeLineSpeed = NumberMessage<MessageType::ChangeLineSpeed>;
using ChangePassword = TextMessage<MessageType::ChangePassword>;
using ChangeEmail = TextMessage<MessageType::ChangeEmail>;
using ChangeDataPort = NumberMessage<MessageType::ChangeDataPort>;
using Newsletter = TextMessage<MessageType::Newsletter>;

// ---- Sharing -------------------------------------------------------------------------------

// One shared file as the server is told of it.
struct SharedEntry {
    std::string name;  // the virtual name, or the share name inside a folder's batch
    std::string hash;
    std::uint32_t size = 0;
    std::int32_t bitrate = 0;
    std::int32_t frequency = 0;
    std::int32_t length = 0;
    bool operator==(const SharedEntry&) const = default;
};

// 100: "\"name\" hash size bitrate frequency length".
struct ShareFile {
    static constexpr MessageType kType = MessageType::ShareFile;
    SharedEntry file;
    std::string Encode() const;
    static std::optional<ShareFile> Decode(std::string_view payload);
};

// 102: the virtual name, bare (the servers take the whole payload as the name).
using UnshareFile = TextMessage<MessageType::UnshareFile>;

// 870: "\"n:\\n\\\"" and, for every file of that folder, " \"share name\" hash size bitrate
// frequency length".
struct ShareFolder {
    static constexpr MessageType kType = MessageType::ShareFolder;
    std::string folder;
    std::vector<SharedEntry> files;
    std::string Encode() const;
    static std::optional<ShareFolder> Decode(std::string_view payload);
    // What one file adds to the payload, and what the folder alone takes.
    static std::size_t EntrySize(const SharedEntry& file);
    static std::size_t HeadSize(const std::string& folder) { return folder.size() + 2; }
};

// ---- Search --------------------------------------------------------------------------------

enum class Comparison { AtBest, EqualTo, AtLeast };
std::string_view ComparisonWord(Comparison comparison);

// 200: "FILENAME CONTAINS" clauses for the artist (before "MAX_RESULTS") and the title (after
// it), then the line-speed and bitrate conditions; at most 2047 characters. A query with a clause
// the protocol does not know, or a comparison word other than its three, does not decode.
struct SearchRequest {
    static constexpr MessageType kType = MessageType::Search;
    std::string artist;
    std::string title;
    int maxResults = 100;
    std::optional<Comparison> lineSpeedComparison;
    int lineSpeed = 0;
    std::optional<Comparison> bitrateComparison;
    std::string bitrate;  // decimal kbps
    std::string Encode() const;
    static std::optional<SearchRequest> Decode(std::string_view payload);
};

// 201: ten blank-separated fields; missing ones stay empty or 0.
struct SearchResult {
    static constexpr MessageType kType = MessageType::SearchResult;
    std::string fileName;
    std::string hash;
    std::uint32_t size = 0;
    std::int32_t bitrate = 0, frequency = 0, length = 0;
    std::string user;
    std::uint32_t address = 0;
    std::int32_t lineSpeed = 0;
    std::int32_t weight = 0;
    std::string Encode() const;
    static std::optional<SearchResult> Decode(std::string_view payload);
};

using EndOfSearch = EmptyMessage<MessageType::EndOfSearch>;

// ---- Transfers -----------------------------------------------------------------------------

using DownloadRequest = UserFileMessage<MessageType::DownloadRequest>;
using PushRequest = UserFileMessage<MessageType::PushRequest>;
using UploadAccepted = UserFileMessage<MessageType::UploadAccepted>;

// 204 (the owner's address for a download) and 501 (a downloader asks this client to push):
// nick, address, port, file name, checksum, and the line speed when the server gives it.
template <MessageType T>
struct PeerAddress {
    static constexpr MessageType kType = T;
    std::string user;
    std::uint32_t address = 0;  // as the server writes it: the first octet in the low byte
    std::uint32_t port = 0;
    std::string fileName;
    std::string checksum;
    std::optional<std::uint32_t> lineSpeed;
    std::string Encode() const;
    static std::optional<PeerAddress> Decode(std::string_view payload);
};
using DownloadAddress = PeerAddress<MessageType::DownloadAddress>;
using PushAsked = PeerAddress<MessageType::PushAsked>;

// 206 and 609: "nick \"name\"", or the nick and then the name to the end without quotes.
template <MessageType T>
struct RefusedTransfer {
    static constexpr MessageType kType = T;
    std::string user;
    std::string fileName;
    std::string Encode() const;
    static std::optional<RefusedTransfer> Decode(std::string_view payload);
};
using DownloadFailed = RefusedTransfer<MessageType::DownloadFailed>;
using TransferFailed = RefusedTransfer<MessageType::TransferFailed>;

using DownloadStarted = EmptyMessage<MessageType::DownloadStarted>;
using DownloadEnded = EmptyMessage<MessageType::DownloadEnded>;
using UploadStarted = EmptyMessage<MessageType::UploadStarted>;
using UploadEnded = EmptyMessage<MessageType::UploadEnded>;

// 607: another user asks for a file: nick, "name", and the asker's line speed when the server
// knows it.
struct UploadRequest {
    static constexpr MessageType kType = MessageType::UploadRequest;
    std::string user;
    std::string fileName;
    std::optional<std::uint32_t> lineSpeed;
    std::string Encode() const;
    static std::optional<UploadRequest> Decode(std::string_view payload);
};

// 619: "nick \"name\" limit".
struct UploadLimitReached {
    static constexpr MessageType kType = MessageType::UploadLimitReached;
    std::string user;
    std::string fileName;
    int limit = 0;
    std::string Encode() const;
    static std::optional<UploadLimitReached> Decode(std::string_view payload);
};

// 620: nick, "name" and what follows (the size and the place in the queue, not used).
using RemoteQueueFull = UserFileMessage<MessageType::RemoteQueueFull>;

using LineSpeedQuery = UserMessage<MessageType::LineSpeedQuery>;

// 601: nick and line-speed code.
struct UserLineSpeed {
    static constexpr MessageType kType = MessageType::UserLineSpeed;
    std::string user;
    std::uint32_t lineSpeed = 0;
    std::string Encode() const;
    static std::optional<UserLineSpeed> Decode(std::string_view payload);
};

// 626: "nick port".
struct PeerUnreachable {
    static constexpr MessageType kType = MessageType::PeerUnreachable;
    std::string user;
    int port = 0;
    std::string Encode() const;
    static std::optional<PeerUnreachable> Decode(std::string_view payload);
};

// ---- Server texts and settings ---------------------------------------------------------------

using ServerText = TextMessage<MessageType::ServerText>;
using MessageOfTheDay = TextMessage<MessageType::MessageOfTheDay>;
using LoggedInElsewhere = EmptyMessage<MessageType::LoggedInElsewhere>;

// 214: users, files and gigabytes, decimal digits each (a missing one is empty; a fourth field is
// not used). A field of anything but digits does not decode.
struct ServerStatistics {
    static constexpr MessageType kType = MessageType::ServerStatistics;
    std::string users, files, gigabytes;
    std::string Encode() const;
    static std::optional<ServerStatistics> Decode(std::string_view payload);
};

// 613 and 625 from the server: the data port or line-speed code to take; an empty payload is
// ignored.
using ImposedDataPort = NumberMessage<MessageType::ImposedDataPort>;
using ImposedLineSpeed = NumberMessage<MessageType::ImposedLineSpeed>;

// ---- Pings ---------------------------------------------------------------------------------

// 750 both ways: the client sends the time in seconds; servers answer in more than one way, so
// the answer is kept as text (trimmed).
using ServerPing = TextMessage<MessageType::ServerPing>;
// 751 and 752: a user name; a ping is answered with the same payload as it came.
using UserPing = TextMessage<MessageType::UserPing>;
using UserPong = TextMessage<MessageType::UserPong>;

// ---- Connectivity probes -------------------------------------------------------------------

// 900: address, port, text (each of the three required).
struct OutboundProbe {
    static constexpr MessageType kType = MessageType::OutboundProbe;
    std::string address;
    std::string port;
    std::string text;
    std::string Encode() const;
    static std::optional<OutboundProbe> Decode(std::string_view payload);
};

// 901: port, seconds, text.
struct InboundProbe {
    static constexpr MessageType kType = MessageType::InboundProbe;
    std::string port;
    std::string seconds;
    std::string text;
    std::string Encode() const;
    static std::optional<InboundProbe> Decode(std::string_view payload);
};

// ---- People --------------------------------------------------------------------------------

// 1200: the other user of a download that cannot be made (both firewalled).
using BothFirewalled = UserMessage<MessageType::BothFirewalled>;

}  // namespace tandril::protocol
