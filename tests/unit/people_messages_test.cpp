// Private messages and the ignore list below the network: their messages' payloads, the
// instant-message windows' records, and the ignore-list dialog's rows.

#include <gtest/gtest.h>

#include "chat/ignore_list.h"
#include "chat/instant_messages.h"
#include "protocol/ignore_messages.h"
#include "protocol/private_messages.h"

using namespace tandril;
using namespace tandril::protocol;

TEST(PeopleMessages, ReceivedPrivateMessageSplitsAtTheFirstBlank) {
    struct Case {
        std::string payload;
        bool decodes;
        std::string sender, text;
    } cases[] = {
        {"ann hello there", true, "ann", "hello there"},
        {"ann ", true, "ann", ""},  // an empty line was sent
        {"ann  two blanks ", true, "ann", " two blanks "},
        {"ann \"quoted\" text", true, "ann", "\"quoted\" text"},
        {std::string(40, 'n') + " hi", true, std::string(19, 'n'), "hi"},  // a nick's width
        {"annonly", false, "", ""},
        {"", false, "", ""},
        {" text without sender", false, "", ""},
        {std::string("b\x01\xff ok", 6), true, std::string("b\x01\xff", 3), "ok"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        auto m = ReceivedPrivateMessage::Decode(c.payload);
        ASSERT_EQ(m.has_value(), c.decodes);
        if (!m) continue;
        EXPECT_EQ(m->sender, c.sender);
        EXPECT_EQ(m->text, c.text);
        EXPECT_EQ(ReceivedPrivateMessage::Decode(m->Encode())->Encode(), m->Encode());
    }
}

TEST(PeopleMessages, IgnoreListPayloads) {
    EXPECT_EQ(IgnoreRequest{"ann"}.Encode(), "ann");
    EXPECT_EQ(UnignoreRequest{"ann"}.Encode(), "ann");
    EXPECT_EQ(IgnoreListRequest{}.Encode(), "");
    EXPECT_EQ(IgnoreClearRequest{}.Encode(), "");
    EXPECT_EQ(IgnoredUserEntry::Decode("bob")->user, "bob");
    EXPECT_EQ(IgnoredUserEntry::Decode("bob extra words")->user, "bob");
    EXPECT_EQ(IgnoredUserEntry::Decode(std::string(50, 'z'))->user, std::string(19, 'z'));
    EXPECT_FALSE(IgnoredUserEntry::Decode("").has_value());
    EXPECT_FALSE(IgnoreNoSuchUser::Decode("").has_value());
    EXPECT_EQ(IgnoreAlreadyIgnored::Decode("\"two words\"")->user, "two words");
    EXPECT_EQ(IgnoreListEnd::Decode("3")->text, "3");
}

TEST(InstantMessageWindows, OnePerPartnerWhateverTheCase) {
    chat::ColorSchemes schemes;
    chat::InstantMessages windows(schemes, {});
    int opened = 0, raised = 0, closing = 0;
    QObject::connect(&windows, &chat::InstantMessages::windowOpened, [&] { ++opened; });
    QObject::connect(&windows, &chat::InstantMessages::windowRaised, [&] { ++raised; });
    QObject::connect(&windows, &chat::InstantMessages::windowClosing, [&] { ++closing; });

    chat::InstantMessageWindow& bob = windows.Open("Bob", true, false);
    EXPECT_EQ(&windows.Open("bOB", false, true), &bob);
    EXPECT_TRUE(bob.peerIgnored);  // the first opening decided
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(windows.Find("BOB"), &bob);

    // A name longer than a nick is cut, and found again by its long form.
    chat::InstantMessageWindow& longName = windows.Open(std::string(30, 'q'), false, false);
    EXPECT_EQ(longName.peer, std::string(19, 'q'));
    EXPECT_EQ(windows.Find(std::string(25, 'q')), &longName);

    windows.AppendLine(bob, "User message", "<Bob> hi {there} \\o/");
    ASSERT_EQ(bob.display.Lines().size(), 1u);
    EXPECT_EQ(bob.display.Lines().back().plain.trimmed().toStdString(), "<Bob> hi {there} \\o/");
    EXPECT_TRUE(bob.display.Lines().back().links.empty());

    windows.Close("BOB");
    EXPECT_EQ(closing, 1);
    EXPECT_EQ(windows.Find("bob"), nullptr);
    EXPECT_EQ(windows.Windows().size(), 1u);
    windows.Close("nobody");
    EXPECT_EQ(closing, 1);
}

TEST(IgnoreListRows, PlaceholdersDuplicatesAndAClosedDialog) {
    chat::IgnoreList list;
    // Closed: rows are not kept.
    list.AddRow("ann");
    EXPECT_TRUE(list.Rows().empty());

    list.OpenDialog();
    EXPECT_EQ(list.Rows(), std::vector<std::string>{"Populating list..."});
    list.OnListEnd();
    EXPECT_EQ(list.Rows(), std::vector<std::string>{"Ignore list is empty!"});
    list.OnListEnd();  // only the populating row turns into the empty one
    EXPECT_EQ(list.Rows(), std::vector<std::string>{"Ignore list is empty!"});
    list.AddRow("ann");
    list.AddRow("ANN");
    list.AddRow("");
    list.AddRow("bob");
    EXPECT_EQ(list.Rows(), (std::vector<std::string>{"ann", "bob"}));
    list.OnListEnd();  // entries came: nothing replaced
    EXPECT_EQ(list.Rows(), (std::vector<std::string>{"ann", "bob"}));
    list.RemoveRow("ann");
    EXPECT_EQ(list.Rows(), std::vector<std::string>{"bob"});
    list.ClearRows();
    EXPECT_TRUE(list.Rows().empty());

    list.CloseDialog();
    EXPECT_FALSE(list.DialogOpen());
    EXPECT_TRUE(list.Rows().empty());

    // The run's memory is separate from the rows, and case-sensitive.
    list.Remember("Eve");
    EXPECT_TRUE(list.IsIgnored("Eve"));
    EXPECT_FALSE(list.IsIgnored("eve"));
    list.Forget("Eve");
    EXPECT_FALSE(list.IsIgnored("Eve"));
}
