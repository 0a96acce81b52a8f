#include "protocol/server_messages.h"

#include <gtest/gtest.h>

#include "protocol/peer_messages.h"

using namespace tandril::protocol;

namespace {

template <typename Message>
std::string RoundTrip(const Message& m) {
    auto back = Message::Decode(m.Encode());
    EXPECT_TRUE(back.has_value());
    return back ? back->Encode() : std::string();
}

}  // namespace

// The bytes every message goes out with: the same as the servers have always been sent.
TEST(ServerMessages, EncodeAsTheServersExpect) {
    struct Case {
        std::string encoded, expected;
    } cases[] = {
        {Login{"alice", "pw", 6699, "v2.0 BETA 9.4", 8}.Encode(), "alice pw 6699 \"v2.0 BETA 9.4\" 8 4853 0"},
        {Register{"bob", "secret", 0, "v2.0 BETA 9.4", 3, "b@x.org"}.Encode(), "bob secret 0 \"v2.0 BETA 9.4\" 3 b@x.org 0"},
        {VersionCheck{"v2.0 BETA 9.4", 8}.Encode(), "\"v2.0 BETA 9.4\" 8"},
        {AccountCheck{"ann", "pw"}.Encode(), "ann pw"},
        {PersonalData{}.Encode(), ""},
        {PersonalData{{{"ZIP", "1"}, {"AGE", "x"}}}.Encode(), "\"AGE\" \"x\" \"ZIP\" \"1\""},
        {DataPortCandidates{{6699, 6700, 80}}.Encode(), "6699 6700 80"},
        {BeforeLogin{}.Encode(), "1"},
        {ShareFile{{"1:\\1\\Rock\\a b.mp3", "h-1", 1000, 128, 44100, 245}}.Encode(), "\"1:\\1\\Rock\\a b.mp3\" h-1 1000 128 44100 245"},
        {UnshareFile{"1:\\1\\Rock\\a.mp3"}.Encode(), "1:\\1\\Rock\\a.mp3"},
        {ShareFolder{"2:\\2\\", {{"x\\1.mp3", "h", 1, 2, 3, 4}, {"x\\2.mp3", "g", 5, -1, -1, -1}}}.Encode(),
         "\"2:\\2\\\" \"x\\1.mp3\" h 1 2 3 4 \"x\\2.mp3\" g 5 -1 -1 -1"},
        {DownloadRequest{"kim", "1:\\1\\a.mp3"}.Encode(), "kim \"1:\\1\\a.mp3\""},
        {PushRequest{"kim", "a.mp3"}.Encode(), "kim \"a.mp3\""},
        {UploadAccepted{"kim", "a.mp3"}.Encode(), "kim \"a.mp3\""},
        {UploadLimitReached{"kim", "a.mp3", 3}.Encode(), "kim \"a.mp3\" 3"},
        {PeerUnreachable{"kim", 6699}.Encode(), "kim 6699"},
        {ChangeDataPort{6699}.Encode(), "6699"},
        {ChangeLineSpeed{8}.Encode(), "8"},
        {DownloadStarted{}.Encode(), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.encoded, c.expected);
    // The reachability test names as many ports as fit 97 characters.
    DataPortCandidates many;
    for (int port = 10000; port < 10040; ++port) many.ports.push_back(port);
    EXPECT_LT(many.Encode().size(), 98u);
    EXPECT_EQ(many.Encode().substr(0, 12), "10000 10001 ");
}

TEST(ServerMessages, SearchQueryClausesInOrderAndBack) {
    SearchRequest q{.artist = "pink floyd",
                    .title = "money",
                    .lineSpeedComparison = Comparison::AtLeast,
                    .lineSpeed = 7,
                    .bitrateComparison = Comparison::AtBest,
                    .bitrate = "128"};
    const std::string text = q.Encode();
    EXPECT_EQ(text,
              "FILENAME CONTAINS \"pink floyd\" MAX_RESULTS 100 FILENAME CONTAINS \"money\" LINESPEED \"AT LEAST\" 7 BITRATE \"AT BEST\" "
              "\"128\" ");
    EXPECT_EQ(RoundTrip(q), text);
    EXPECT_EQ(SearchRequest{.title = "x"}.Encode(), "MAX_RESULTS 100 FILENAME CONTAINS \"x\" ");
    EXPECT_LE(SearchRequest{.artist = std::string(3000, 'a')}.Encode().size(), 2047u);
    // Words the servers do not take, and clauses they do not know, do not decode.
    for (const char* bad : {"FILENAME CONTAINS \"a\" LINESPEED \"MORE THAN\" 3", "FILENAME CONTAINS \"a\" BITRATE \"AT BEST\" \"fast\"",
                            "FILENAME \"a\"", "SIZE \"AT LEAST\" 3", "MAX_RESULTS many"}) {
        EXPECT_EQ(SearchRequest::Decode(bad), std::nullopt) << bad;
    }
}

// Decoders: fields cut to the protocol's widths, quotes keep blanks, missing required fields drop
// the message, and what a handler may do without stays optional.
TEST(ServerMessages, DecodeWithWidthsAndRequiredFields) {
    const std::string longNick(40, 'n'), longName(600, 'f');
    auto address = DownloadAddress::Decode(longNick + " 16777343 6699 \"" + longName + "\" " + std::string(80, 'c') + " 8");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->user, std::string(kNickWidth, 'n'));
    EXPECT_EQ(address->fileName.size(), kFileNameWidth);
    EXPECT_EQ(address->checksum.size(), kChecksumWidth);
    EXPECT_EQ(address->address, 16777343u);
    EXPECT_EQ(address->port, 6699u);
    EXPECT_EQ(address->lineSpeed, 8u);
    auto noSpeed = PushAsked::Decode("kim 1 0 \"a b.mp3\" h");
    ASSERT_TRUE(noSpeed);
    EXPECT_EQ(noSpeed->fileName, "a b.mp3");
    EXPECT_EQ(noSpeed->lineSpeed, std::nullopt);

    struct Missing {
        const char* what;
        bool decodes;
    } missing[] = {
        {"kim 1 0 \"a.mp3\"", DownloadAddress::Decode("kim 1 0 \"a.mp3\"").has_value()},
        {"607 without a name", UploadRequest::Decode("kim").has_value()},
        {"601 without a speed", UserLineSpeed::Decode("kim").has_value()},
        {"620 without a name", RemoteQueueFull::Decode("kim").has_value()},
        {"900 without text", OutboundProbe::Decode("1.2.3.4 80").has_value()},
        {"901 without text", InboundProbe::Decode("80 10").has_value()},
        {"1200 empty", BothFirewalled::Decode("   ").has_value()},
        {"613 empty", ImposedDataPort::Decode(" ").has_value()},
        {"625 empty", ImposedLineSpeed::Decode("").has_value()},
    };
    for (const Missing& m : missing) EXPECT_FALSE(m.decodes) << m.what;

    auto upload = UploadRequest::Decode("kim \"1:\\1\\a.mp3\"");
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->lineSpeed, std::nullopt);  // the line speed is then asked for (600)
    EXPECT_EQ(UploadRequest::Decode("kim \"a.mp3\" 8")->lineSpeed, 8u);
    EXPECT_EQ(ImposedLineSpeed::Decode("  7 ")->value, 7);

    auto stats = ServerStatistics::Decode("1234567 89");
    EXPECT_EQ(stats->users, "1234567");
    EXPECT_EQ(stats->gigabytes, "");
    for (const char* broken : {"to,pic 5 6", "-5 10 2", "1 2 x", "1 +2 3", "1 2 3.5"}) {
        EXPECT_FALSE(ServerStatistics::Decode(broken).has_value()) << broken;
    }
    EXPECT_TRUE(ServerStatistics::Decode("1 2 3 anything").has_value()) << "a fourth field is not read";
}

TEST(ServerMessages, RefusedTransfersWithAndWithoutQuotes) {
    struct Case {
        const char* payload;
        const char* user;
        const char* name;
    } cases[] = {
        {"kim \"1:\\1\\a b.mp3\"", "kim", "1:\\1\\a b.mp3"},
        {"kim 1:\\1\\a b.mp3", "kim", "1:\\1\\a b.mp3"},
        {"  kim   spaced name  ", "kim", "spaced name"},
        {"kim", "kim", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        auto m = DownloadFailed::Decode(c.payload);
        ASSERT_TRUE(m) << c.payload;
        EXPECT_EQ(m->user, c.user) << c.payload;
        EXPECT_EQ(m->fileName, c.name) << c.payload;
    }
}

TEST(ServerMessages, SearchResultFieldsAndShortPayloads) {
    auto r = SearchResult::Decode("\"3:\\3\\My Band\\a song.mp3\" abc-12 5000 -1 -1 -1 kim 16777343 8 2");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->fileName, "3:\\3\\My Band\\a song.mp3");
    EXPECT_EQ(r->bitrate, -1);
    EXPECT_EQ(r->user, "kim");
    EXPECT_EQ(r->weight, 2);
    EXPECT_EQ(RoundTrip(*r), r->Encode());
    auto shortOne = SearchResult::Decode("\"a.mp3\" h 12");
    EXPECT_EQ(shortOne->size, 12u);
    EXPECT_EQ(shortOne->user, "");
}

TEST(PeerMessages, CommandsRequestsAndReplies) {
    struct Case {
        const char* line;
        PeerCommand command;
        const char* rest;
    } commands[] = {
        {"GET", PeerCommand::Get, ""},
        {"GETkim \"a.mp3\" 0", PeerCommand::Get, "kim \"a.mp3\" 0"},
        {"get", PeerCommand::Get, ""},
        {"GETLIST", PeerCommand::GetList, ""},
        {"SEND", PeerCommand::Send, ""},
        {"SENDLIST", PeerCommand::SendList, ""},
        {"PUT x", PeerCommand::Unknown, "PUT x"},
    };
    for (const Case& c : commands) {
        PeerCommandLine parsed = ParsePeerCommand(c.line);
        EXPECT_EQ(parsed.command, c.command) << c.line;
        EXPECT_EQ(parsed.rest, c.rest) << c.line;
    }

    // Wire text is Windows-1252 both ways.
    const std::string wire = (FileRequest{"kim", "1:\\1\\Café.mp3", "1000c"}.Encode());
    EXPECT_EQ(wire, "kim \"1:\\1\\Caf\xe9.mp3\" 1000c");
    FileRequest back = FileRequest::Decode(wire);
    EXPECT_EQ(back.fileName, "1:\\1\\Café.mp3");
    EXPECT_EQ(back.offset, "1000c");
    EXPECT_EQ(FileRequest::Decode("").fileName, "");

    EXPECT_EQ((PushHeader{"ann", "2:\\2\\x.mp3", 42}.Encode()), "ann \"2:\\2\\x.mp3\" 42");
    EXPECT_FALSE(PushHeader::Decode("ann \"x.mp3\"").has_value()) << "no size field";
    EXPECT_EQ(PushHeader::Decode("ann \"x.mp3\" 42")->size, 42u);

    EXPECT_EQ(ParseSizeReply("2048"), 2048u);
    EXPECT_EQ(ParseSizeReply("12ID3"), 12u);
    for (PeerError e : {PeerError::FileNotShared, PeerError::InvalidRequest, PeerError::FileNotRequested, PeerError::FileNotFound}) {
        EXPECT_EQ(ParseSizeReply(PeerErrorText(e)), std::nullopt);
    }
    EXPECT_EQ(ParseSizeReply(""), std::nullopt);
}
