// Resume and web downloads below the network: the resume search's messages, the order in which
// sources are tried, resume.dat's lines, web names and the head of a web server's answer.

#include "transfer/resume.h"

#include <gtest/gtest.h>

#include <fstream>

#include "protocol/resume_messages.h"
#include "support/test_profile.h"
#include "transfer/incomplete_files.h"
#include "transfer/web_download.h"

using namespace tandril;
using namespace tandril::transfer;

TEST(ResumeMessages, SearchAndEndRoundTrip) {
    EXPECT_EQ((protocol::FindSources{"0123abcd-4096", 52000}.Encode()), "0123abcd-4096 52000");
    auto end = protocol::SourcesEnd::Decode("0123abcd-4096 52000");
    ASSERT_TRUE(end);
    EXPECT_EQ(end->checksum, "0123abcd-4096");
    EXPECT_EQ(end->size, 52000u);
    for (const char* bad : {"", "onlychecksum", "hash 12x", "hash -5", "hash 99999999999"}) {
        EXPECT_FALSE(protocol::SourcesEnd::Decode(bad)) << bad;
    }
}

TEST(ResumeMessages, SourceLinesNeedEveryFieldAsANumberWhereOneBelongs) {
    struct Case {
        std::string payload;
        bool decodes;
        std::uint32_t port = 0, lineSpeed = 0;
    } cases[] = {
        {"ann 16777343 6699 \"a b\\song.mp3\" h-1 5000 8", true, 6699, 8},
        {"ann 16777343 0 \"song.mp3\" h-1 5000", true, 0, 0},  // firewalled, no line speed
        {"ann 16777343 6699 \"song.mp3\" h-1 5000 fast", true, 6699, 0},
        {"ann 16777343 6699 \"song.mp3\" h-1", false},
        {"ann host 6699 \"song.mp3\" h-1 5000", false},
        {"ann 16777343 65536 \"song.mp3\" h-1 5000", false},
        {"ann 16777343 -1 \"song.mp3\" h-1 5000", false},
        {"ann 16777343 6699 \"\" h-1 5000", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        auto m = protocol::SourceFound::Decode(c.payload);
        ASSERT_EQ(m.has_value(), c.decodes);
        if (!m) continue;
        EXPECT_EQ(m->port, c.port);
        EXPECT_EQ(m->lineSpeed, c.lineSpeed);
        EXPECT_EQ(protocol::SourceFound::Decode(m->Encode())->Encode(), m->Encode());
    }
    // Fields are cut to their widths.
    auto m = protocol::SourceFound::Decode(std::string(40, 'n') + " 1 2 \"" + std::string(500, 'f') + "\" h 3");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->user.size(), 19u);
    EXPECT_EQ(m->fileName.size(), 349u);
}

TEST(ResumeSources, OwnPeerFirstThenByRoundTripLaterBeforeEarlierOnTies) {
    TransferRecord record(false, "", "song.mp3", "h", 100, /*peerAddress=*/7, 0, 1, 0);
    auto add = [&](const std::string& nick, std::uint32_t address, std::int32_t ping) {
        auto s = std::make_unique<TransferRecord>(false, nick, "song.mp3", "h", 100, address, 6699, 0, 0);
        s->pingMs = ping;
        InsertSource(record, std::move(s));
    };
    add("slow", 1, 300);
    add("fast", 2, 20);
    add("own1", 7, 500);
    add("tie", 3, 20);
    add("own2", 7, 1);
    add("unpingable", 4, -1);
    std::vector<std::string> order;
    for (auto& s : record.sources) order.push_back(s->nick);
    EXPECT_EQ(order, (std::vector<std::string>{"own1", "own2", "unpingable", "tie", "fast", "slow"}));
}

TEST(IncompleteFiles, LinesAndRewrites) {
    EXPECT_EQ(IncompleteLine({"/p/Incomplete/a b.mp3", 5000, "h-1"}), "\"/p/Incomplete/a b.mp3\" 5000 h-1\n");
    EXPECT_EQ(ParseIncompleteLine("\"/p/Incomplete/a b.mp3\" 5000 h-1"), (IncompleteEntry{"/p/Incomplete/a b.mp3", 5000, "h-1"}));
    for (const char* bad : {"", "\"/p/x.mp3\" 5000", "\"\" 5000 h", "\"/p/x.mp3\" -3 h"}) EXPECT_FALSE(ParseIncompleteLine(bad)) << bad;
    EXPECT_FALSE(ParseIncompleteLine("\"" + std::string(2000, 'x') + "\" 1 h"));

    test::TestProfile profile;
    IncompleteFiles files(profile.path());
    std::filesystem::create_directories(files.Folder());
    const std::string kept = (files.Folder() / "kept.mp3").string(), gone = (files.Folder() / "gone.mp3").string();
    std::ofstream(kept) << "abc";
    files.Add({kept, 10, "h"});
    files.Add({gone, 20, "g"});
    files.Add({kept, 30, "h2"});  // one line for one path
    EXPECT_EQ(files.Entries(), (std::vector<IncompleteEntry>{{gone, 20, "g"}, {kept, 30, "h2"}}));
    // The start-up clean-up drops the entry whose file is gone.
    EXPECT_EQ(files.Clean(), (std::vector<IncompleteEntry>{{kept, 30, "h2"}}));
    files.Forget(kept);
    EXPECT_TRUE(files.Entries().empty());
    EXPECT_FALSE(std::filesystem::exists(profile.path() / "restmp.dat"));
}

TEST(WebNames, HostAndPath) {
    struct Case {
        std::string name;
        bool parses;
        std::string host, path;
    } cases[] = {
        {"web:\\example.org\\music\\a.mp3", true, "example.org", "/music/a.mp3"},
        {"WEB:\\10.0.0.1\\a.mp3", true, "10.0.0.1", "/a.mp3"},
        {"web:\\host\\..\\..\\etc\\passwd", true, "host", "/../../etc/passwd"},  // the server's to refuse; the local name stays a base name
        {"web:\\host", false},
        {"web:\\\\a.mp3", false},
        {"web:\\host\\", false},
        {"web:\\ho st\\a.mp3", false},
        {"web:\\host\\My Song\r\nX: \xe9.mp3", true, "host", "/My%20Song%0D%0AX:%20%E9.mp3"},
        {"web:/host/a.mp3", false},
        {"1:\\0\\music\\a.mp3", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto web = ParseWebName(c.name);
        ASSERT_EQ(web.has_value(), c.parses);
        if (!web) continue;
        EXPECT_EQ(web->host, c.host);
        EXPECT_EQ(web->path, c.path);
    }
}

TEST(WebNames, TheHeadGivesStatusAndSize) {
    struct Case {
        std::vector<std::string> lines;
        int status;
        std::optional<std::uint32_t> length;
    } cases[] = {
        {{"HTTP/1.0 200 OK", "Content-Length: 1234"}, 200, 1234},
        {{"HTTP/1.1 206 Partial", "content-length: 99"}, 206, 99},
        {{"HTTP/1.1 404 Not Found", "Content-Length: 10"}, 404, 10},
        {{"HTTP/1.0 200 OK"}, 200, std::nullopt},
        {{"HTTP/1.0 200 OK", "Content-Length: lots"}, 200, std::nullopt},
        {{"HTTP/1.0 200 OK", "Content-Length: 99999999999"}, 200, std::nullopt},
        {{"ICY 200 OK"}, 0, std::nullopt},
        {{"HTTP/1.0 2x0 OK"}, 0, std::nullopt},
        {{}, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.empty() ? "" : c.lines[0]);
        const WebResponseHead head = ParseResponseHead(c.lines);
        EXPECT_EQ(head.status, c.status);
        EXPECT_EQ(head.contentLength, c.length);
    }
}
