#include <gtest/gtest.h>

#include "app/startup.h"
#include "app/url_protocol.h"
#include "base/settings.h"
#include "base/shared_folders.h"
#include "devserver/dev_server.h"
#include "protocol/server_messages.h"
#include "search/icmp_ping.h"
#include "search/search_session.h"
#include "session/reconnect.h"
#include "session/result_actions.h"
#include "session/server_disconnect.h"
#include "support/media_fixtures.h"
#include "support/network_user.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace tandril::search;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// One client of a shared devserver that can search.
struct User : test::NetworkUser {
    using NetworkUser::NetworkUser;
    bool SearchAndWait(const SearchFields& fields) {
        SearchButton(client->search, fields);
        return test::RunUntil([&] { return client->search.Idle() && client->search.Snapshot().info.starts_with("Returned"); });
    }
};

}  // namespace

TEST(Search, AUserFindsAnotherUsersFilesThroughTheServer) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::TestProfile music;
    fs::create_directories(music.path() / "Music/Rock");
    fs::create_directories(music.path() / "Music/Jazz");
    auto song = test::EncodeMp3(music, "song", 2, 44100, "-b 128 --cbr -t");
    fs::copy_file(song, music.path() / "Music/Rock/Rock Anthem.mp3");
    fs::copy_file(song, music.path() / "Music/Jazz/Blue Rock Waltz.mp3");
    fs::copy_file(song, music.path() / "Music/Jazz/Quiet.mp3");

    User ann(server, "ann", 8, {(music.path() / "Music").string()});       // DSL
    User bob(server, "bob", 3, {(music.path() / "Music/Rock").string()});  // 33.6, shares the same Rock file
    User cat(server, "cat", 10);                                           // searches
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));
    ASSERT_TRUE(cat.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 3 && server.SharedFilesOf("bob").size() == 1; }));

    ASSERT_TRUE(cat.SearchAndWait({.artist = "rock"}));
    SearchSession::View v = cat.client->search.Snapshot();
    EXPECT_EQ(v.info, "Returned 3 results.");
    EXPECT_EQ(v.button, kSearchButtonAfterSearch);
    ASSERT_EQ(v.rows.size(), 3u);
    // DSL before 33.6; among ann's files the order they arrived in.
    EXPECT_EQ(v.rows[0].user, "ann");
    EXPECT_EQ(v.rows[0].name, "Jazz\\Blue Rock Waltz.mp3");
    EXPECT_EQ(v.rows[1].name, "Rock\\Rock Anthem.mp3");
    EXPECT_EQ(v.rows[1].connection, "DSL");
    EXPECT_EQ(v.rows[2].user, "bob");
    EXPECT_EQ(v.rows[2].name, "Rock\\Rock Anthem.mp3");
    EXPECT_EQ(v.rows[2].connection, "33.6");
    EXPECT_EQ(v.rows[0].size, v.rows[2].size);
    EXPECT_EQ(v.rows[0].bitrate, "128");
    EXPECT_EQ(v.rows[0].frequency, "44100");
    const SearchResult& first = v.results[v.rows[0].result];
    EXPECT_EQ(first.hash, server.SharedFilesOf("ann")[0].hash);
    EXPECT_EQ(first.address, 0x0100007Fu);  // 127.0.0.1 as the address's bytes in memory order
    auto sent = server.FramesFrom("cat");
    EXPECT_TRUE(std::any_of(sent.begin(), sent.end(),
                            [](auto& f) { return f.type == 200 && f.payload == "FILENAME CONTAINS \"rock\" MAX_RESULTS 100 "; }));

    // Actions on selected results.
    std::vector<SearchResult> chosen = {v.results[v.rows[0].result], v.results[v.rows[2].result]};
    session::AddResultUsersToHotList(cat.client->session, chosen);
    EXPECT_EQ(cat.ui.Texts("question").back(), "Added 2 Users to your list.");
    session::AddResultUsersToHotList(cat.client->session, {chosen[0]});
    EXPECT_EQ(cat.ui.Texts("question").back(), "Added 1 User to your list.");
    session::AddResultUsersToHotList(cat.client->session, {});
    EXPECT_EQ(cat.ui.Texts("alert").back(), "Select one or more Users first.");
    session::AskResultUsersInfo(cat.client->session, chosen);
    SearchResult wma = chosen[0];
    wma.fileName = "1:\\1\\x\\y.WMA";
    session::PlayResult(cat.client->session, wma);
    EXPECT_EQ(cat.ui.Texts("alert").back(), "WMA files cannot currently be streamed.");
    ASSERT_TRUE(server.WaitFor("cat", 603, 5s));
    std::vector<std::string> asked;
    for (auto& f : server.FramesFrom("cat")) {
        if (f.type == 207 || f.type == 603) asked.push_back(std::to_string(f.type) + " " + f.payload);
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"207 ann", "207 bob", "207 ann", "603 ann", "603 bob"}));

    // Both words must match; the protocol's comparison words filter on the server.
    ASSERT_TRUE(cat.SearchAndWait({.artist = "rock", .title = "waltz"}));
    EXPECT_EQ(cat.client->search.Snapshot().rows.size(), 1u);
    ASSERT_TRUE(cat.SearchAndWait({.artist = "rock", .lineSpeedComparison = kAtLeast, .lineSpeed = "DSL"}));
    EXPECT_EQ(cat.client->search.Snapshot().rows.size(), 2u);
    ASSERT_TRUE(cat.SearchAndWait({.artist = "nothing like it"}));
    v = cat.client->search.Snapshot();
    EXPECT_EQ(v.message, "No matching files found!");
    EXPECT_EQ(v.info, "Returned 0 results.");

    // By response time every user is measured (all of them at 127.0.0.1 here: one address, one
    // time for every row); without an ICMP socket every row shows "N/A".
    cat.client->search.options.byResponseTime = true;
    ASSERT_TRUE(cat.SearchAndWait({.artist = "rock"}));
    v = cat.client->search.Snapshot();
    ASSERT_EQ(v.rows.size(), 3u);
    for (const ResultRow& row : v.rows) EXPECT_EQ(row.ping, v.rows[0].ping);
    if (IcmpSocket::Open()) {
        EXPECT_NE(v.rows[0].ping, "N/A");
    } else {
        EXPECT_EQ(v.rows[0].ping, "N/A");
    }
    cat.client->search.options.byResponseTime = false;

    // No artist and no title: nothing is sent.
    SearchButton(cat.client->search, {});
    EXPECT_EQ(cat.ui.Texts("alert").back(), "Spécifiez un(e) artiste/musique à rechercher !");
    EXPECT_TRUE(cat.client->search.Idle());
}

TEST(Search, SearchingWhileOfflineConnectsFirstThenSearches) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    User dan(server, "dan", 8);
    ASSERT_TRUE(dan.GoOnline(server));
    ASSERT_TRUE(server.Disconnect("dan"));
    ASSERT_TRUE(test::RunUntil([&] { return !dan.client->state.connected; }));
    ASSERT_TRUE(dan.SearchAndWait({.artist = "anything"}));
    EXPECT_TRUE(dan.client->state.connected);
    EXPECT_EQ(dan.client->search.Snapshot().message, "No matching files found!");
    ASSERT_TRUE(server.WaitFor("dan", 200, 5s));
}

// A connection lost while a search waits for its results ends that search: the next press of the
// button searches again (it does not cancel), and nothing of the old search stays on the page.
TEST(Search, ADroppedConnectionEndsTheSearchThatWasRunning) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    User eve(server, "eve", 8);
    ASSERT_TRUE(eve.GoOnline(server));
    SearchButton(eve.client->search, {.artist = "anything"});  // the answer is not read before the drop
    EXPECT_FALSE(eve.client->search.Idle());
    session::ServerDisconnect(eve.client->session, true);
    ASSERT_TRUE(test::RunUntil([&] { return eve.client->search.Idle(); }));
    SearchSession::View view = eve.client->search.Snapshot();
    EXPECT_EQ(view.button, kSearchButtonAfterSearch);
    EXPECT_TRUE(view.buttonEnabled);
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.message, "");
    EXPECT_EQ(view.info, "");
    EXPECT_EQ(eve.client->search.InProgress(), 0);

    session::ConnectCommand(eve.client->session);
    ASSERT_TRUE(test::RunUntil([&] { return eve.client->state.connected && !eve.client->dialog.IsOpen(); }, 10s));
    const std::size_t searchesBefore = server.FramesFrom("eve").size();
    ASSERT_TRUE(eve.SearchAndWait({.artist = "anything"}));
    EXPECT_EQ(eve.client->search.Snapshot().message, "No matching files found!");
    EXPECT_GT(server.FramesFrom("eve").size(), searchesBefore);
}

TEST(Search, TheServerRefusesTheListWordsAndUnknownClauses) {
    EXPECT_TRUE(
        protocol::SearchRequest::Decode("FILENAME CONTAINS \"a\" MAX_RESULTS 100 LINESPEED \"AT LEAST\" 8 BITRATE \"EQUAL TO\" \"128\" "));
    EXPECT_FALSE(protocol::SearchRequest::Decode("FILENAME CONTAINS \"a\" MAX_RESULTS 100 BITRATE \"Inférieur\" \"128\" "));
    EXPECT_FALSE(protocol::SearchRequest::Decode("FILENAME CONTAINS \"a\" SIZE 3 "));
}

TEST(Links, ParametersAndEscapes) {
    struct Case {
        const char* text;
        const char* name;
        std::size_t capacity;
        std::optional<std::string> value;
    } cases[] = {
        {"tdl:SEARCH?ARTIST=abba&TITLE=waterloo&BITRATE=128", "title", 128, "waterloo"},
        {"tdl:SEARCH?ARTIST=abba&&&TITLE=waterloo", "TITLE", 128, "waterloo"},  // runs of '&' count as one
        {"tdl:SEARCH?TITLE=\"hey jude\"", "TITLE", 128, "hey jude"},
        {"tdl:SEARCH?\"ART=IST\"=x", "ART=IST", 128, "x"},
        {"tdl:SEARCH?ARTIST=", "ARTIST", 128, std::nullopt},
        {"tdl:SEARCH?ARTIST", "ARTIST", 128, std::nullopt},
        {"tdl:SEARCH?ARTIST=abcdef", "ARTIST", 4, "abc"},
        {"ARTIST=direct", "artist", 128, "direct"},  // no '?': the whole text holds the parameters
        {"tdl:SEARCH?TITLE=x", "ARTIST", 128, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(GetUrlParameter(c.text, c.name, c.capacity), c.value) << c.text;
    EXPECT_EQ(DecodeUrl("tdl:SEARCH?TITLE=%22hey%20jude%22%zz%4"), "tdl:SEARCH?TITLE=\"hey jude\"%zz%4");
}

TEST(Links, ASearchLinkFillsThePageAndSearches) {
    test::TestProfile profile;
    test::ScriptedUi ui;
    Client c(ui, ClientOptions{profile.path()});
    std::vector<int> pagesAsked;
    QObject::connect(&c.main, &MainViewModel::pageRequested, &c, [&](int page, bool) { pagesAsked.push_back(page); });
    struct Case {
        const char* link;
        const char* artist;  // nullptr: the link does nothing
        const char* title;
        const char* bitrate;
    } cases[] = {
        {"tdl:SEARCH?ARTIST=pink+floyd", "pink floyd", "", ""},
        {"tdl:search?artist=abba&title=waterloo&bitrate=128", "abba", "waterloo", "128 KB/s"},
        {"tdl:SEARCH?TITLE=%22hey%20jude%22", "", "hey jude", ""},
        {"tdl://SEARCH?ARTIST=abba", nullptr, nullptr, nullptr},  // the command word is //SEARCH
        {"tdl:SEARCH", nullptr, nullptr, nullptr},
        {"tdl:DOWNLOAD?HASH=abc-1", nullptr, nullptr, nullptr},
        {"tdl:SEARCH?BITRATE=128", nullptr, nullptr, nullptr},
    };
    for (const Case& k : cases) {
        c.search.SetForm({.artist = "before"});
        pagesAsked.clear();
        HandleProtocolUrl(c, k.link);
        SearchFields form = c.search.Form();
        if (!k.artist) {
            EXPECT_EQ(form.artist, "before") << k.link;
            EXPECT_TRUE(pagesAsked.empty()) << k.link;
            continue;
        }
        EXPECT_EQ(form.artist, k.artist) << k.link;
        EXPECT_EQ(form.title, k.title) << k.link;
        EXPECT_EQ(form.bitrate, k.bitrate) << k.link;
        EXPECT_EQ(form.bitrateComparison, *k.bitrate ? kAtMost : "") << k.link;
        EXPECT_EQ(c.search.Snapshot().message, "Non connecté au serveur!") << k.link;  // offline
        EXPECT_EQ(pagesAsked, std::vector<int>{MainViewModel::SearchPage}) << k.link;
    }
    HandleCommandLine(c, {"-x", "tdl:SEARCH?ARTIST=nope"});
    EXPECT_EQ(c.search.Form().artist, "before");
    HandleCommandLine(c, {"-P", "tdl:SEARCH?ARTIST=yes"});
    EXPECT_EQ(c.search.Form().artist, "yes");
}
