// A user's information: the answers as the servers send them, what hostile ones decode as, and
// the lines and title each window shows.

#include "chat/user_info.h"

#include <gtest/gtest.h>

#include "base/line_speed.h"
#include "base/text.h"
#include "protocol/user_info_messages.h"

using namespace tandril;
using namespace tandril::chat;
using namespace tandril::protocol;

namespace {

std::vector<std::string> Labels(const std::vector<UserInfoLine>& lines) {
    std::vector<std::string> labels;
    for (const auto& [label, value] : lines) labels.push_back(label);
    return labels;
}

std::string ValueOf(const std::vector<UserInfoLine>& lines, const std::string& label) {
    for (const auto& [l, v] : lines) {
        if (l == label) return v;
    }
    return "<none>";
}

}  // namespace

TEST(UserInfoMessages, ShortAndExtendedAnswers) {
    auto online = UserInfoOnline::Decode("ann \"User\" 3725 \"#a #b\" \"Active\" 12 1 2 8 \"v2.0 beta\"");
    ASSERT_TRUE(online);
    EXPECT_EQ(online->user, "ann");
    EXPECT_EQ(online->channels, "#a #b");
    EXPECT_EQ(online->clientVersion, "v2.0 beta");
    EXPECT_EQ(online->filesShared, 12);
    EXPECT_FALSE(online->extended);
    EXPECT_EQ(UserInfoOnline::Decode(online->Encode())->Encode(), online->Encode());

    auto wide = UserInfoOnline::Decode("ann Moderator 60 \"\" Active 0 0 0 10 v1 5 6 10.0.0.7 6699 6700 \"note\"");
    ASSERT_TRUE(wide);
    EXPECT_TRUE(wide->extended);
    EXPECT_EQ(wide->channels, "");
    EXPECT_EQ(wide->address, "10.0.0.7");
    EXPECT_EQ(wide->port, 6699);
    EXPECT_EQ(wide->dataPort, 6700);
    EXPECT_EQ(UserInfoOnline::Decode(wide->Encode())->Encode(), wide->Encode());

    auto offline = UserInfoOffline::Decode("bob User 1000000000");
    ASSERT_TRUE(offline);
    EXPECT_FALSE(offline->extended);
    EXPECT_EQ(offline->lastSeen, 1000000000);
    auto offlineWide = UserInfoOffline::Decode("bob User 1000000000 1 2 10.0.0.9 1234 6699 \"away for now\"");
    ASSERT_TRUE(offlineWide);
    EXPECT_TRUE(offlineWide->extended);
    EXPECT_EQ(offlineWide->note, "away for now");
    EXPECT_EQ(UserInfoOffline::Decode(offlineWide->Encode())->Encode(), offlineWide->Encode());
}

TEST(UserInfoMessages, HostilePayloads) {
    // Too few fields: dropped.
    for (const std::string bad : {"", "ann", "ann User 1 \"#a\" Active 1 2 3 4", "\"ann User 1 2 3 4 5 6 7 8 9 10\""}) {
        EXPECT_FALSE(UserInfoOnline::Decode(bad)) << bad;
    }
    for (const std::string bad : {"", "bob", "bob User", "\"bob User 1\""}) EXPECT_FALSE(UserInfoOffline::Decode(bad)) << bad;
    // Overlong fields are cut to their widths; numbers that are not numbers read as 0.
    const std::string big(3000, 'x');
    auto m = UserInfoOnline::Decode(big + " " + big + " zz \"" + big + "\" " + big + " 1 2 3 99999999999999999999999 " + big + " " + big +
                                    " 1 " + big + " 1 1 \"" + big + "\"");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->user.size(), 19u);
    EXPECT_EQ(m->level.size(), 49u);
    EXPECT_EQ(m->secondsConnected, 0);
    EXPECT_EQ(m->channels.size(), 199u);
    EXPECT_EQ(m->clientVersion.size(), 19u);
    EXPECT_EQ(m->address.size(), 49u);
    EXPECT_EQ(m->field16.size(), 99u);
    (void)OnlineUserInfoLines(*m);  // a speed beyond any table still has a name
    auto binary = UserInfoOffline::Decode(std::string("b\x01o\0b \xff\xfe 12 \x7f", 14));
    ASSERT_TRUE(binary);
    EXPECT_EQ(binary->user, std::string("b\x01o\0b", 5));
}

TEST(UserInfoLines, OnlineShortAndExtended) {
    UserInfoOnline m{.user = "ann",
                     .level = "User",
                     .secondsConnected = 3725,
                     .channels = "#a #b",
                     .state = "Active",
                     .filesShared = 12,
                     .downloads = 1,
                     .uploads = 2,
                     .lineSpeed = 8,
                     .clientVersion = "v2.0"};
    EXPECT_EQ(OnlineUserInfoTitle(m), "ann's Finger Information");
    auto lines = OnlineUserInfoLines(m);
    EXPECT_EQ(Labels(lines),
              (std::vector<std::string>{"Status:\t\t", "Time Connected:", "User:\t\t", "Client  Version:\t", "User Level:\t",
                                        "Connection:\t", "Channels:\t", "Ability:\t\t", "Number Shared:", "Current Transfers:"}));
    EXPECT_EQ(ValueOf(lines, "Status:\t\t"), "ONLINE");
    EXPECT_EQ(ValueOf(lines, "Time Connected:"), "01:02");
    EXPECT_EQ(ValueOf(lines, "Connection:\t"), LineSpeedName(8));
    EXPECT_EQ(ValueOf(lines, "Current Transfers:"), "1 Inbound Transfers, 2 Outbound Transfers");

    m.extended = true;
    m.address = "10.0.0.7";
    m.port = 4321;
    m.dataPort = 6699;
    lines = OnlineUserInfoLines(m);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[3].first, "Client  Version:\t");
    EXPECT_EQ(lines[4], (UserInfoLine{"Address:\t\t", "10.0.0.7:4321"}));
    EXPECT_EQ(lines[5], (UserInfoLine{"Data Port:\t", "6699"}));
    EXPECT_EQ(lines[6].first, "User Level:\t");
}

TEST(UserInfoLines, ConnectedTime) {
    const std::pair<long long, const char*> cases[] = {{0, "00:00"}, {59, "00:00"}, {3725, "01:02"}, {-5, "00:00"}, {360000, "100:00"}};
    for (auto [seconds, text] : cases) EXPECT_EQ(ConnectedTimeText(seconds), text) << seconds;
}

TEST(UserInfoLines, OfflineShortAndExtended) {
    UserInfoOffline m{.user = "bob", .level = "User", .lastSeen = 1000000000};
    std::string when = CTimeText(1000000000);
    when.pop_back();
    EXPECT_EQ(OfflineUserInfoLines(m),
              (std::vector<UserInfoLine>{{"Status", "OFFLINE"}, {"Last Online", when}, {"User", "bob"}, {"User Level", "User"}}));
    m.extended = true;
    m.note = "away";
    m.lastAddress = "10.0.0.9";
    m.lastPort = 1234;
    m.lastDataPort = 6699;
    EXPECT_EQ(OfflineUserInfoLines(m), (std::vector<UserInfoLine>{{"Status", "OFFLINE"},
                                                                  {"Last Online", when},
                                                                  {"User", "bob (away)"},
                                                                  {"Last Address", "10.0.0.9:1234"},
                                                                  {"Last Data Port", "6699"},
                                                                  {"User Level", "User"}}));
}

TEST(UserInfoWindows, EachAnswerItsOwnWindowAndAFloodIsBounded) {
    ColorSchemes schemes;
    UserInfoWindows windows(schemes);
    UserInfoOnline m{.user = "ann", .level = "User", .clientVersion = "v"};
    windows.ShowOnline(m);
    windows.ShowOnline(m);
    ASSERT_EQ(windows.Windows().size(), 2u);
    EXPECT_NE(windows.Windows()[0]->id, windows.Windows()[1]->id);
    const UserInfoWindow& w = *windows.Windows()[0];
    EXPECT_EQ(w.title, "ann's Finger Information");
    ASSERT_EQ(w.view.Lines().size(), w.lines.size());
    EXPECT_EQ(w.view.Lines()[0].plain.trimmed().toStdString(), "Status:\t\t ONLINE");
    windows.ShowOffline(UserInfoOffline{.user = "bob", .level = "User"});
    EXPECT_EQ(windows.Windows().back()->title, kUserInfoCaption);

    windows.Close(windows.Windows()[0]->id);
    EXPECT_EQ(windows.Windows().size(), 2u);
    for (int i = 0; i < 200; ++i) windows.ShowOnline(m);
    EXPECT_EQ(windows.Windows().size(), kMaxUserInfoWindows);
}
