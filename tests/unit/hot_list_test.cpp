// notify.dat and the hot list's two lists, without a server: what a damaged file reads as, how
// additions and removals keep the file whole and in order, and the rows 209 and 210 leave.

#include "chat/hot_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "platform/atomic_file.h"
#include "protocol/hot_list_messages.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace tandril::chat;

namespace {

std::string FileText(const std::filesystem::path& folder) {
    return platform::ReadWholeFile(folder / kHotListFile).value_or("<missing>");
}

void WriteText(const std::filesystem::path& folder, const std::string& text) {
    std::ofstream(folder / kHotListFile, std::ios::binary) << text;
}

std::vector<std::string> RowNames(const std::vector<HotListRow>& rows) {
    std::vector<std::string> names;
    for (const auto& row : rows) names.push_back(row.name);
    return names;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(HotListFile, WhatEachFileReadsAs) {
    struct Case {
        const char* what;
        std::string contents;
        Names names;
    };
    const std::string long30(30, 'x');
    const Case cases[] = {
        {"plain lines", "ann\nbob\n", {"ann", "bob"}},
        {"no last line end", "ann\nbob", {"ann", "bob"}},
        {"carriage returns and blanks", " ann \r\n\r\n\n\tbob\r\n", {"ann", "bob"}},
        {"longer than 19 characters: cut", long30 + "\n", {std::string(19, 'x')}},
        {"duplicates in any case: the first kept", "ann\nANN\nbob\nAnn\n", {"ann", "bob"}},
        {"a blank inside a name: damaged", "ann smith\nbob\n", {"bob"}},
        {"binary and a NUL", std::string("a\x01z\nbo\0b\ncid\n", 14), {"bo", "cid"}},
        {"only line ends", "\n\n\r\n", {}},
    };
    for (const Case& c : cases) {
        test::TestProfile profile;
        WriteText(profile.path(), c.contents);
        EXPECT_EQ(ReadHotListFile(profile.path()), c.names) << c.what;
    }
    test::TestProfile empty;
    EXPECT_EQ(ReadHotListFile(empty.path()), Names{}) << "a missing file is an empty list";
}

TEST(HotListFile, AppendKeepsLinesApartAndRemovalKeepsTheOrder) {
    test::TestProfile profile;
    ColorSchemes schemes;
    HotList list(schemes);
    WriteText(profile.path(), "ann\nbob");  // cut short: no line end after the last name
    list.Load(profile.path());
    ASSERT_TRUE(list.Add(profile.path(), "cid"));
    ASSERT_TRUE(list.Add(profile.path(), "dee"));
    EXPECT_EQ(FileText(profile.path()), "ann\nbob\ncid\ndee\n");
    EXPECT_TRUE(list.Add(profile.path(), "CID")) << "listed already: nothing to do";
    EXPECT_EQ(FileText(profile.path()), "ann\nbob\ncid\ndee\n");
    EXPECT_EQ(list.Names(), (Names{"ann", "bob", "cid", "dee"}));

    EXPECT_EQ(list.Remove(profile.path(), {"BOB", "nobody"}), Names{"bob"});
    EXPECT_EQ(FileText(profile.path()), "ann\ncid\ndee\n");
    EXPECT_EQ(list.Remove(profile.path(), {"dee", "ann"}), (Names{"dee", "ann"}));
    EXPECT_EQ(FileText(profile.path()), "cid\n");
    EXPECT_FALSE(std::filesystem::exists(profile.path() / kHotListScratchFile));

    // A fresh start reads what the last run left.
    HotList again(schemes);
    again.Load(profile.path());
    EXPECT_EQ(again.Names(), Names{"cid"});
    EXPECT_EQ(RowNames(again.OfflineRows()), Names{"cid"});
}

TEST(HotListFile, AnAdditionThatCannotBeWrittenListsNobody) {
    test::TestProfile profile;
    ColorSchemes schemes;
    HotList list(schemes);
    // A folder where the file should be: it cannot be opened for appending.
    std::filesystem::create_directory(profile.path() / kHotListFile);
    EXPECT_FALSE(list.Add(profile.path(), "ann"));
    EXPECT_EQ(list.Names(), Names{});
    EXPECT_TRUE(list.OfflineRows().empty());
}

// Readers never see a half-written file while names come and go.
TEST(HotListFile, NeverTorn) {
    test::TestProfile profile;
    ColorSchemes schemes;
    HotList list(schemes);
    Names all;
    for (int i = 0; i < 40; ++i) all.push_back("user" + std::to_string(i));
    for (const auto& name : all) ASSERT_TRUE(list.Add(profile.path(), name));

    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, reads{0};
    std::thread reader([&] {
        while (!done) {
            auto text = platform::ReadWholeFile(profile.path() / kHotListFile);
            if (!text) {
                ++torn;  // the file must always be there
                continue;
            }
            ++reads;
            if (!text->empty() && text->back() != '\n') ++torn;
            for (const auto& name : ReadHotListFile(profile.path())) {
                if (std::find(all.begin(), all.end(), name) == all.end()) ++torn;
            }
        }
    });
    for (int round = 0; round < 20; ++round) {
        for (int i = round % 2; i < 40; i += 2) list.Remove(profile.path(), {all[i]});
        for (int i = round % 2; i < 40; i += 2) list.Add(profile.path(), all[i]);
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(list.Names().size(), all.size());
}

TEST(HotListRows, OnlineAndOfflineAsTheServerReports) {
    test::TestProfile profile;
    WriteText(profile.path(), "ann\nbob\ncid\n");
    ColorSchemes schemes;
    HotList list(schemes);
    int browserClears = 0;
    QObject::connect(&list, &HotList::browserCleared, [&] { ++browserClears; });
    list.Load(profile.path());
    EXPECT_EQ(RowNames(list.OfflineRows()), (Names{"ann", "bob", "cid"}));

    list.ShowOnline("BOB", 8);
    list.ShowOnline("bob", 8);  // already online: one row
    list.ShowOnline("zed", 8);  // not listed: ignored
    list.ShowOnline("cid", 2);
    list.ShowOnline("ann", -1);  // speed unknown: no image
    ASSERT_EQ(RowNames(list.OnlineRows()), (Names{"bob", "cid", "ann"}));
    EXPECT_EQ(list.OnlineRows()[0].image, 0);
    EXPECT_EQ(list.OnlineRows()[1].image, 2);
    EXPECT_EQ(list.OnlineRows()[2].image, -1);
    EXPECT_TRUE(list.OfflineRows().empty());
    EXPECT_TRUE(list.IsOnline("Cid"));

    // The browser shows bob's files: they go when bob does.
    list.SetUserField("bob");
    list.ShowOffline("Bob");
    EXPECT_EQ(browserClears, 1);
    EXPECT_EQ(list.UserField(), "");
    EXPECT_EQ(RowNames(list.OfflineRows()), Names{"bob"});
    list.ShowOffline("bob");
    EXPECT_EQ(RowNames(list.OfflineRows()), Names{"bob"}) << "no second row";

    list.ShowAllOffline();
    EXPECT_TRUE(list.OnlineRows().empty());
    EXPECT_EQ(RowNames(list.OfflineRows()), (Names{"bob", "ann", "cid"})) << "bob first, then the others in list order";
    EXPECT_FALSE(list.IsOnline("cid"));
}

TEST(HotListRows, SpeedClasses) {
    const std::pair<int, int> cases[] = {{-5, -1}, {0, 2}, {3, 2}, {4, 1}, {6, 1}, {7, 0}, {10, 0}};
    for (auto [speed, image] : cases) EXPECT_EQ(HotListSpeedImage(speed), image) << speed;
}

TEST(HotListMessages, RoundTripsAndHostilePayloads) {
    using namespace tandril::protocol;
    EXPECT_EQ(HotListAdd{"ann"}.Encode(), "ann");
    EXPECT_EQ((HotListUserOnline{"ann", 7}.Encode()), "ann 7");
    auto online = HotListUserOnline::Decode("ann 7 extra");
    ASSERT_TRUE(online);
    EXPECT_EQ(online->user, "ann");
    EXPECT_EQ(online->lineSpeed, 7);
    EXPECT_EQ(HotListUserOnline::Decode(std::string(40, 'n') + " 99999999999999999999")->user, std::string(19, 'n'));
    EXPECT_EQ(HotListUserOnline::Decode("ann 99999999999")->lineSpeed, 1000);
    EXPECT_EQ(HotListUserOnline::Decode("ann -3")->lineSpeed, -1);
    for (const std::string bad : {"", "ann", "   ", "\"ann"}) EXPECT_FALSE(HotListUserOnline::Decode(bad)) << bad;
    for (const std::string bad : {"", "   "}) {
        EXPECT_FALSE(HotListAdded::Decode(bad)) << bad;
        EXPECT_FALSE(HotListUserOffline::Decode(bad)) << bad;
        EXPECT_FALSE(HotListNoSuchUser::Decode(bad)) << bad;
    }
    EXPECT_EQ(HotListAdded::Decode(std::string(300, 'a'))->user.size(), 19u);
}
