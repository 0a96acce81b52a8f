#include "chat/channels.h"

#include <gtest/gtest.h>

#include <fstream>

#include "chat/channels_file.h"
#include "platform/atomic_file.h"
#include "protocol/chat_messages.h"
#include "support/chat_fixture.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace tandril::chat;
using namespace tandril::protocol;
using tandril::test::ChatFixture;

namespace {

std::string FileText(const std::filesystem::path& folder) {
    return platform::ReadWholeFile(folder / kChannelsFile).value_or("<missing>");
}

void WriteText(const std::filesystem::path& folder, const std::string& text) {
    std::ofstream(folder / kChannelsFile, std::ios::binary) << text;
}

}  // namespace

TEST(ChannelsFile, RememberAndForgetIgnoreCaseAndBlanks) {
    test::TestProfile profile;
    const auto& folder = profile.path();
    EXPECT_TRUE(ReadChannelsFile(folder).empty());  // missing file: no names
    EXPECT_TRUE(ForgetChannel(folder, "#none"));    // nothing to forget, nothing made
    EXPECT_EQ(FileText(folder), "<missing>");

    EXPECT_TRUE(RememberChannel(folder, "#Music"));
    EXPECT_TRUE(RememberChannel(folder, "  #music "));  // the same name: not added twice
    EXPECT_TRUE(RememberChannel(folder, "#rock"));
    EXPECT_TRUE(RememberChannel(folder, "   "));  // a blank name is not stored
    EXPECT_EQ(FileText(folder), "#Music\n#rock\n");

    EXPECT_TRUE(ForgetChannel(folder, "#MUSIC "));
    EXPECT_EQ(FileText(folder), "#rock\n");
    EXPECT_FALSE(std::filesystem::exists(folder / kChannelsScratchFile));
}

TEST(ChannelsFile, DamagedFilesReadWhatCanBeRead) {
    test::TestProfile profile;
    const auto& folder = profile.path();
    struct Case {
        std::string contents;
        std::vector<std::string> names;
    } cases[] = {
        {"#a\r\n\r\n  #b  \n\n", {"#a", "#b"}},                                // line ends of another system, blank lines
        {std::string("#a\n#b\0junk\n#c", 13), {"#a", "#b", "#c"}},             // a NUL ends its line
        {"#last-without-line-end", {"#last-without-line-end"}},                // cut short
        {std::string(2000, 'x') + "\n#ok\n", {std::string(510, 'x'), "#ok"}},  // an overlong line is cut
        {"\xff\xfe\x01\n#ok", {"\xff\xfe\x01", "#ok"}},                        // binary bytes stay one name
    };
    for (const Case& c : cases) {
        WriteText(folder, c.contents);
        EXPECT_EQ(ReadChannelsFile(folder), c.names);
    }
    // A folder where the file should be: no names, and remembering fails without a crash.
    std::filesystem::remove(folder / kChannelsFile);
    std::filesystem::create_directory(folder / kChannelsFile);
    EXPECT_TRUE(ReadChannelsFile(folder).empty());
    EXPECT_FALSE(RememberChannel(folder, "#a"));
}

TEST(ChatMessages, RoundTrips) {
    EXPECT_EQ(JoinChannel::Decode("  #room ")->channel, "#room");
    EXPECT_FALSE(JoinChannel::Decode("   "));
    auto line = ChannelMessage::Decode("#room bob   hello  there ");
    ASSERT_TRUE(line);
    EXPECT_EQ(std::tie(line->channel, line->nick, line->text),
              std::make_tuple(std::string("#room"), std::string("bob"), std::string("hello  there")));
    EXPECT_EQ((PublicMessage{"#room", "hi there"}.Encode()), "#room hi there");
    auto joined = ChannelUserJoined::Decode(ChannelUserJoined{"#room", "bob", 1234, 8}.Encode());
    ASSERT_TRUE(joined);
    EXPECT_EQ(std::tie(joined->user, joined->files, joined->lineSpeed), std::make_tuple(std::string("bob"), 1234LL, 8));
    auto topic = ChannelTopic::Decode("#room the topic  of the day");
    ASSERT_TRUE(topic);
    EXPECT_EQ(topic->topic, "the topic  of the day");
    auto entry = ChannelListEntry::Decode("#room 1234 all about rock");
    ASSERT_TRUE(entry);
    EXPECT_EQ(std::tie(entry->channel, entry->users, entry->topic),
              std::make_tuple(std::string("#room"), 1234LL, std::string("all about rock")));
    auto full = FullChannelListEntry::Decode("#room 12 3 0 0 \"the topic\"");
    ASSERT_TRUE(full);
    EXPECT_EQ(std::tie(full->channel, full->users, full->image, full->topic),
              std::make_tuple(std::string("#room"), 12LL, 3, std::string("the topic")));
    auto invitation = Invitation::Decode("bob #room  \"come in\"");
    ASSERT_TRUE(invitation);
    EXPECT_EQ(invitation->payload, "bob #room  \"come in\"");
    EXPECT_EQ(InvitationDeclined{invitation->payload}.Encode(), "bob #room  \"come in\"");
    EXPECT_EQ((InvitationAccepted{"bob", "#room"}.Encode()), "bob #room");
    EXPECT_EQ((KickFromChannel{"#room", "bob", ""}.Encode()), "#room bob \"\"");
}

// Hostile frames: missing, overlong and binary fields decode to nothing or to cut fields, and a
// channel without a window is dropped with nothing shown or sent.
TEST(ChatMessages, HostileFramesAreDroppedOrCut) {
    const std::string binary("\x00\xff\x01 \x7f\"", 6);
    const std::string longWord(5000, 'x');
    EXPECT_FALSE(ChannelMessage::Decode("#room"));
    EXPECT_FALSE(ChannelMessage::Decode(""));
    EXPECT_FALSE(ChannelUserJoined::Decode("#room bob 12"));
    EXPECT_FALSE(ChannelListEntry::Decode("#room-without-count"));
    EXPECT_FALSE(FullChannelListEntry::Decode("#room 1 2 3 4"));
    EXPECT_FALSE(Invitation::Decode("bob #room"));
    EXPECT_FALSE(OperatorMessage::Decode("nobody"));
    auto cut = ChannelMessage::Decode(longWord + " " + longWord + " " + longWord);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->channel.size(), kChannelWidth);
    EXPECT_EQ(cut->nick.size(), 19u);
    auto full = FullChannelListEntry::Decode("#c 1 2 3 4 " + longWord);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->topic.size(), 98u);
    for (const std::string& payload : {binary, longWord, std::string()}) {
        (void)ChannelMessage::Decode(payload);
        (void)ChannelUserJoined::Decode(payload);
        (void)ChannelTopic::Decode(payload);
        (void)ChannelEmote::Decode(payload);
        (void)FullChannelListEntry::Decode(payload);
        (void)Invitation::Decode(payload);
    }

    ChatFixture f;
    f.Connect();
    ChannelWindow& room = f.windows.Create("#room");
    f.channels.OnChannelMessage({"#elsewhere", "bob", "hi"});
    f.channels.OnUserJoined({"#elsewhere", "bob", 1, 1});
    f.channels.OnUserLeft({"#elsewhere", "bob", 1, 1});
    f.channels.OnTopic({"#elsewhere", "new"});
    f.channels.OnEmote({"#elsewhere", "bob", "waves"});
    f.channels.OnUsersEnd({"#elsewhere"});
    f.channels.OnRemovedFromChannel({"#elsewhere"});
    EXPECT_TRUE(room.chatView.Lines().empty());
    EXPECT_TRUE(f.windows.Personal().chatView.Lines().empty());
    EXPECT_EQ(room.users->Count(), 0u);
    EXPECT_TRUE(f.sent.frames.empty());
    EXPECT_EQ(f.windows.Windows().size(), 2u);
    EXPECT_EQ(FileText(f.profile.path()), "<missing>");
}
