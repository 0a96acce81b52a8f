#include <gtest/gtest.h>

#include "chat/chat_line.h"
#include "chat/chat_url.h"
#include "chat/rtf_line.h"
#include "chat/scroll_rule.h"

using namespace tandril::chat;

namespace {

std::string Table(const ColorScheme& s) {
    return s.ColorTable();
}

}  // namespace

TEST(ColorTable, ListsEveryItemAfterAnEmptySlot) {
    ColorSchemes schemes;
    std::string table = schemes.white.ColorTable();
    EXPECT_TRUE(
        table.starts_with("{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red0\\green0\\blue128;"));
    EXPECT_TRUE(table.ends_with("\\red0\\green0\\blue0;}"));
    EXPECT_EQ(schemes.white.Entries().size(), 23u);
    EXPECT_EQ(schemes.white.SchemeColorIndex("url"), 12);
    EXPECT_EQ(schemes.black.SchemeColor("System Message"), Rgb(255, 255, 0));
    EXPECT_EQ(schemes.white.SchemeColorCode("my message"), "\\fs20\\cf4 ");
    EXPECT_EQ(schemes.white.SchemeColorCode("no such item"), "\\fs20\\cf1 ");
    EXPECT_EQ(schemes.white.SchemeColor("no such item"), 0u);
}

TEST(AppendChatLine, BuildsTheDocumentOfEachLine) {
    ColorSchemes schemes;
    const ColorScheme& s = schemes.white;
    struct Case {
        const char* what;
        const char* item;
        std::string line;
        bool mark;
        std::string expectedTail;  // the document after the colour table
    };
    const Case cases[] = {
        {"first line: no paragraph", "System message", "* hello", false, "\\fs20\\cf13  * hello}"},
        {"braces and backslashes are escaped", "User message", "<bob> {a} \\b", false, "\\fs20\\cf5  <bob> \\{a\\} \\\\b}"},
        {"unknown item: colour 1", "Nothing like it", "x", false, "\\fs20\\cf1  x}"},
        {"address marked", "System message", "* see www.example.org now", true,
         "\\fs20\\cf13  * see {\\ul \\b \\cf12www.example.org\\b0\\ulnone } now}"},
        {"address at the end", "System message", "* http://a.b/c", true, "\\fs20\\cf13  * {\\ul \\b \\cf12http://a.b/c}\\b0\\ulnone }"},
        {"marking off", "User message", "<x> www.example.org", false, "\\fs20\\cf5  <x> www.example.org}"},
    };
    for (const Case& c : cases) {
        ChatView view;
        AppendChatLine(view, s, c.item, c.line, {c.mark, false});
        ASSERT_EQ(view.Lines().size(), 1u);
        EXPECT_EQ(view.Lines()[0].rtf, "{" + Table(s) + c.expectedTail) << c.what;
    }
}

TEST(AppendChatLine, LaterLinesStartANewParagraph) {
    ColorSchemes schemes;
    ChatView view;
    AppendChatLine(view, schemes.white, "System message", "* one", {});
    AppendChatLine(view, schemes.white, "System message", "* two", {});
    EXPECT_EQ(view.Lines()[1].rtf, "{" + Table(schemes.white) + "\\fs20\\cf13 \\par  * two}");
    EXPECT_EQ(view.PlainText(), QStringLiteral(" * one\n * two"));
}

TEST(AppendChatLine, MissingUrlEntryMarksWithColourZero) {
    ColorScheme bare;
    bare.SetSchemeColor("System Message", Rgb(1, 2, 3), true);
    ChatView view;
    AppendChatLine(view, bare, "System message", "* www.x.org", {true, false});
    EXPECT_NE(view.Lines()[0].rtf.find("{\\ul \\b \\cf0www.x.org"), std::string::npos);
}

TEST(AppendChatLine, LinesAreCutAndFilteredBeforeEscaping) {
    ColorSchemes schemes;
    ChatView view;
    AppendChatLine(view, schemes.white, "User message", std::string(3000, 'a'), {});
    EXPECT_EQ(view.Lines()[0].plain.size(), 2048);  // the leading blank and 2047 characters
    ChatView filtered;
    AppendChatLine(filtered, schemes.white, "User message", "<x> shit {", {false, true});
    EXPECT_EQ(filtered.Lines()[0].plain, QStringLiteral(" <x> **** {"));
}

TEST(AppendChatLine, TheTextLimitDropsTheOldestText) {
    ColorSchemes schemes;
    const int limit = 2000;
    ChatView view(limit);
    int documentLength = 0;
    for (int i = 0; i < 400; ++i) {
        AppendChatLine(view, schemes.white, "System message", "* line " + std::to_string(i), {});
        documentLength = static_cast<int>(view.Lines().back().rtf.size());
        ASSERT_LT(view.TextLength(), limit);
    }
    // An append that would reach the limit first drops length - limit + document length characters,
    // so the view never holds more than the limit less one document.
    EXPECT_EQ(view.PlainText().size(), view.TextLength());
    EXPECT_TRUE(view.PlainText().endsWith(QStringLiteral("* line 399")));
    EXPECT_LE(view.TextLength(), limit - documentLength + 12);
    EXPECT_GT(view.TextLength(), limit - documentLength - 12);
    EXPECT_FALSE(view.PlainText().contains(QStringLiteral(" * line 0\n")));
}

TEST(AppendChatLine, LinksAreTheWordsThatAreAddresses) {
    ColorSchemes schemes;
    ChatView view;
    AppendChatLine(view, schemes.white, "System message", "* first", {});
    AppendChatLine(view, schemes.white, "System message", "* visit (www.example.org), or ftp.x.net!", {true, false});
    const auto& links = view.Lines().back().links;
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].text, "(www.example.org),");
    EXPECT_EQ(view.Lines().back().plain.mid(links[0].start, links[0].length), QStringLiteral("(www.example.org),"));
    EXPECT_EQ(links[1].text, "ftp.x.net!");
}

TEST(IsChatUrl, TidiesAndRecognisesAddresses) {
    struct Case {
        std::string word;
        bool expected;
        std::string after;
    };
    const Case cases[] = {
        {"http://example.org", true, "http://example.org"},
        {"HTTP://EXAMPLE.ORG", true, "HTTP://EXAMPLE.ORG"},
        {"www.example.org", true, "http://www.example.org"},
        {"WWW.example.org", true, "http://WWW.example.org"},
        {"ftp.example.org", true, "ftp://ftp.example.org"},
        {"gopher.example.org", true, "gopher://gopher.example.org"},
        {"gopher://x", true, "gopher://x"},
        {"(www.example.org),", true, "http://www.example.org"},
        {"  \"www.example.org\".", true, "http://www.example.org"},
        {"<http://x.y>!", true, "http://x.y"},
        {"...www.a.b!!", true, "http://www.a.b"},
        {"example.org", false, "example.org"},
        {"mailto:x@y", false, "mailto:x@y"},
        {"", false, ""},
        {"www", false, "www"},
    };
    for (const Case& c : cases) {
        std::string word = c.word;
        EXPECT_EQ(IsChatUrl(word, 128), c.expected) << c.word;
        EXPECT_EQ(word, c.after) << c.word;
    }
    std::string tight = "www.example.org";
    EXPECT_TRUE(IsChatUrl(tight, 20));  // no room for the scheme: left as it is
    EXPECT_EQ(tight, "www.example.org");
}

TEST(RtfLine, ReadsTheSubsetChatLinesUse) {
    RtfLine line = ParseRtfLine(
        "{{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\fs20\\cf1 \\par  a \\{b\\} \\\\ {\\ul \\b \\cf2www.x\\b0\\ulnone "
        "} z}");
    ASSERT_EQ(line.colors.size(), 3u);
    EXPECT_EQ(line.colors[1], Rgb(255, 0, 0));
    EXPECT_EQ(line.colors[2], Rgb(0, 0, 255));
    EXPECT_EQ(line.PlainText(), "\n a {b} \\ www.x z");
    ASSERT_GE(line.runs.size(), 4u);
    EXPECT_EQ(line.runs[1].text, " a {b} \\ ");
    EXPECT_EQ(line.runs[1].color, 1);
    EXPECT_EQ(line.runs[2].text, "www.x");
    EXPECT_TRUE(line.runs[2].bold && line.runs[2].underline);
    EXPECT_EQ(line.runs[2].color, 2);
    EXPECT_FALSE(line.runs[3].bold || line.runs[3].underline);
    EXPECT_EQ(line.runs[3].color, 1);
    EXPECT_EQ(ParseRtfLine("}}}{{\\").PlainText(), "");  // broken input ends quietly
}

TEST(ScrollRule, FollowsOnlyFromTheBottom) {
    struct Case {
        const char* what;
        ScrollState before, after;
        bool follow;
        int lines;
    };
    const Case cases[] = {
        {"at the bottom", {100, 20, 80, 10}, {110, 20, 80, 11}, true, 1},
        {"scrolled up", {100, 20, 40, 10}, {110, 20, 40, 11}, false, 0},
        {"just became scrollable", {21, 20, 0, 5}, {30, 20, 0, 6}, true, 2},
        {"not yet scrollable", {10, 20, 0, 2}, {15, 20, 0, 3}, true, 0},
        {"followed by itself", {100, 20, 80, 10}, {110, 20, 90, 11}, true, 0},
    };
    for (const Case& c : cases) {
        ScrollDecision d = ScrollAfterAppend(c.before, c.after);
        EXPECT_EQ(d.follow, c.follow) << c.what;
        EXPECT_EQ(d.scrollLines, c.lines) << c.what;
    }
}
