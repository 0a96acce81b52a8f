// Browsing's messages and the list's lines: what each decodes to, what it refuses, and that what
// decodes encodes back to the same thing.

#include "protocol/browse_messages.h"

#include <gtest/gtest.h>

using namespace tandril;
using namespace tandril::protocol;

TEST(BrowseMessages, DirectBrowseTakesTheAddressOnlyWithItsPort) {
    struct Case {
        std::string payload;
        bool decodes;
        std::string user;
        bool withAddress;
    } cases[] = {
        {"rob", true, "rob", false},
        {"rob 16777343 6699", true, "rob", true},
        {"rob 16777343", true, "rob", false},          // an address without its port is no address
        {"rob x 6699", true, "rob", false},            // nor one that is not a number
        {"rob 99999999999 6699", true, "rob", false},  // beyond 32 bits
        {std::string(30, 'r'), true, std::string(19, 'r'), false},
        {"", false, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        auto m = DirectBrowse::Decode(c.payload);
        ASSERT_EQ(m.has_value(), c.decodes);
        if (!m) continue;
        EXPECT_EQ(m->user, c.user);
        EXPECT_EQ(m->HasAddress(), c.withAddress);
        EXPECT_EQ(DirectBrowse::Decode(m->Encode())->Encode(), m->Encode());
    }
    EXPECT_EQ((DirectBrowse{"ann", 16777343u, 6699u}.Encode()), "ann 16777343 6699");
}

TEST(BrowseMessages, AcceptedFailedAndEndPayloads) {
    EXPECT_EQ(DirectBrowseAccepted{"rob"}.Encode(), "rob");
    auto accepted = DirectBrowseAccepted::Decode("ann 16777343 6699");
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->address, 16777343u);
    EXPECT_EQ(accepted->port, 6699u);
    EXPECT_EQ(accepted->Encode(), "ann 16777343 6699");
    auto bare = DirectBrowseAccepted::Decode("ann");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->port, 0u);  // nothing to connect to: the worker reports the user as not configured
    EXPECT_FALSE(DirectBrowseAccepted::Decode(""));

    auto failed = DirectBrowseFailed::Decode("ann both firewalled");
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->user, "ann");
    EXPECT_EQ(failed->reason, "both firewalled");
    EXPECT_EQ(DirectBrowseFailed::Decode("ann")->reason, "");
    EXPECT_FALSE(DirectBrowseFailed::Decode(""));

    EXPECT_EQ(BrowseEnd::Decode("ann 16777343")->address, 16777343u);
    EXPECT_EQ(BrowseEnd::Decode("ann")->address, 0u);
    EXPECT_EQ(BrowseEnd::Decode("ann junk")->address, 0u);
    EXPECT_FALSE(BrowseEnd::Decode(""));
    EXPECT_EQ(BrowseThroughServer{"ann"}.Encode(), "ann");
}

TEST(BrowseMessages, ServerLineSplitsTheNickOffAtTheFirstBlank) {
    struct Case {
        std::string payload;
        bool decodes;
        std::string user, name;
        std::uint32_t size;
    } cases[] = {
        {"ann \"1:\\1\\Rock\\Blue Rock.mp3\" 0123-99 4096 128 44100 213", true, "ann", "1:\\1\\Rock\\Blue Rock.mp3", 4096},
        {"ann \"a.mp3\" h 1 2 3", false, "", "", 0},  // a field short
        {"ann", false, "", "", 0},
        {" \"a.mp3\" h 1 2 3 4", false, "", "", 0},  // no nick
        {"ann \"a.mp3\" h notanumber 2 3 4", true, "ann", "a.mp3", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        auto m = BrowseFile::Decode(c.payload);
        ASSERT_EQ(m.has_value(), c.decodes);
        if (!m) continue;
        EXPECT_EQ(m->user, c.user);
        EXPECT_EQ(m->file.name, c.name);
        EXPECT_EQ(m->file.size, c.size);
        EXPECT_EQ(BrowseFile::Decode(m->Encode())->file, m->file);
    }
}

TEST(BrowseMessages, ListLinesStayWithinTheirLimits) {
    SharedEntry file{"1:\\1\\Rock\\caf\xc3\xa9.mp3", "0123456789abcdef0123456789abcdef-1000", 4096, 128, 44100, 213};
    auto line = ListShareLine(file);
    ASSERT_TRUE(line);
    // The wire's code page, one line end.
    EXPECT_EQ(*line, "\"1:\\1\\Rock\\caf\xe9.mp3\" 0123456789abcdef0123456789abcdef-1000 4096 128 44100 213\n");
    auto back = ParseListShareLine(line->substr(0, line->size() - 1));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, file);

    SharedEntry huge = file;
    huge.name = std::string(2100, 'n');
    EXPECT_FALSE(ListShareLine(huge)) << "a line past 1999 characters is not written, not cut";
    EXPECT_EQ(ListNickLine("rob"), "rob\n");
    EXPECT_EQ(ListNick(std::string(40, 'x')), std::string(19, 'x'));
    EXPECT_FALSE(ParseListShareLine(""));
    EXPECT_FALSE(ParseListShareLine("\"\" h 1 2 3 4")) << "a share line names a file";
}

TEST(BrowseMessages, TheSplitterCutsLinesAndDropsCarriageReturns) {
    ListLineSplitter splitter;
    std::vector<std::string> lines;
    auto take = [&](std::string line) {
        lines.push_back(std::move(line));
        return true;
    };
    // Lines may come in any pieces.
    EXPECT_TRUE(splitter.Feed("ro", take));
    EXPECT_TRUE(splitter.Feed("b\r\nfirst", take));
    EXPECT_TRUE(splitter.Feed(" line\n" + std::string(5000, 'x') + "\nlast", take));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "rob");
    EXPECT_EQ(lines[1], "first line");
    EXPECT_EQ(lines[2], std::string(kListLineReadLimit, 'x'));
    EXPECT_EQ(splitter.Pending(), 4u);  // "last" waits for its line end
    // A line past the limit never holds more than the limit.
    EXPECT_TRUE(splitter.Feed(std::string(1 << 20, 'y'), take));
    EXPECT_EQ(splitter.Pending(), kListLineReadLimit);
    EXPECT_TRUE(splitter.CutLine());

    // The receiver stops taking lines when it has what it wants.
    ListLineSplitter stopping;
    int calls = 0;
    EXPECT_FALSE(stopping.Feed("a\nb\nc\n", [&](std::string) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}
