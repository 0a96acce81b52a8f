#include "app/startup.h"

#include <gtest/gtest.h>

#include "base/settings.h"
#include "devserver/dev_server.h"
#include "session/account.h"
#include "support/scripted_ui.h"
#include "support/session.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace std::chrono_literals;
using test::RunUntil;
using test::ScriptedUi;
using test::Session;

namespace {

const std::vector<std::string> kOnlineSteps = {"Building My Files...",    "Loading Notification List...", "Resolving server...",
                                               "Resolving server...",     "Cherche un serveur rapide",    "Connexion au Serveur...",
                                               "Connexion au Serveur...", "Logged in! Sharing Files...",  "Starting Application!"};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(Startup, StoredAccountGoesOnlineWithTheStatusTextsInOrder) {
    Session s;
    s.StoreAccount("alice", "pw");
    ASSERT_TRUE(s.StartAndWaitForTheDialogToFinish());
    EXPECT_EQ(s.ui.Texts("dialog"), Concat({"Chargement...", "Loading registration data..."}, kOnlineSteps));
    EXPECT_EQ(s.ui.Texts("closed"), std::vector<std::string>{"1"});
    EXPECT_EQ(s.ui.Texts("status0"), std::vector<std::string>{"Online (alice): Sharing 0 files."});
    EXPECT_TRUE(s.client->state.connected);
    EXPECT_TRUE(s.client->main.PagesVisible());

    auto frames = s.server.FramesFrom("alice");
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[0].type, 920);
    EXPECT_EQ(frames[0].payload, "1");
    EXPECT_EQ(frames[1].type, 2);
    EXPECT_EQ(frames[1].payload, "alice pw 0 \"v2.0 BETA 9.4\" 8 4853 0");

    // Once online, frames from the server reach the handlers through the event loop.
    ASSERT_TRUE(s.server.SendTo("alice", 214, "1234567 89 1234"));
    ASSERT_TRUE(RunUntil([&] { return !s.ui.Texts("status1").empty(); }));
    EXPECT_EQ(s.ui.Texts("status1").back(), "Currently 1,234,567 users sharing 89 files (1,234 gigs)");

    ExitApplication(*s.client);
    EXPECT_EQ(s.exitCode, 0);
    EXPECT_TRUE(RunUntil([&] { return !s.server.IsOnline("alice"); }));
}

TEST(Startup, WithoutAnAccountAnEarlierInstallationIsOfferedAndUsed) {
    Session s;
    s.profile.Write("tandril.dat", "bob\nsecret\n\n\n0\nInternal\nbob@example.org\n3\n3\n4\n0\n");
    ASSERT_TRUE(s.StartAndWaitForTheDialogToFinish());
    EXPECT_EQ(s.ui.Texts("dialog"), Concat({"Chargement...", "Loading registration data...", "Loading Notification List...",
                                            "Searching for previous installs...", "Loading registration data..."},
                                           kOnlineSteps));
    EXPECT_EQ(s.ui.Texts("question"), std::vector<std::string>{"Existing user found (bob) - Would you like to use this account?"});
    EXPECT_EQ(s.ui.Texts("terms"), std::vector<std::string>{"Oui"});
    EXPECT_TRUE(s.client->state.connected);
    ASSERT_GE(s.server.FramesFrom("bob").size(), 2u);
    EXPECT_EQ(s.server.FramesFrom("bob")[1].payload, "bob secret 0 \"v2.0 BETA 9.4\" 4 4853 0");
    // The imported account is now the stored one.
    AppState reloaded;
    ConfigStore store(s.profile.path());
    EXPECT_TRUE(LoadSettings(store, reloaded, s.ui));
    EXPECT_EQ(reloaded.account().userName, "bob");
}

TEST(Startup, DecliningTheTermsEndsTheProgram) {
    Session s;
    s.profile.Write("tandril.dat", "bob\nsecret\n\n\n0\nInternal\n\n3\n3\n4\n0\n");
    s.ui.acceptTerms = false;
    StartClient(*s.client, {});
    ASSERT_TRUE(RunUntil([&] { return s.exitCode.has_value(); }));
    EXPECT_EQ(*s.exitCode, 0);
    EXPECT_FALSE(s.server.IsOnline("bob"));
}

TEST(Startup, WithoutAnyAccountTheRegistrationWizardFollowsTheSearch) {
    Session s;
    s.ui.Script({Answer::Yes});  // cancelling the wizard: "Are you sure?" Yes
    StartClient(*s.client, {});
    ASSERT_TRUE(RunUntil([&] { return s.exitCode.has_value(); }));
    EXPECT_EQ(s.ui.Texts("dialog"), (std::vector<std::string>{"Chargement...", "Loading registration data...",
                                                              "Loading Notification List...", "Searching for previous installs..."}));
    EXPECT_EQ(s.ui.Texts("page"), std::vector<std::string>{"Informations sur votre connexion"});
    EXPECT_EQ(s.ui.Texts("question"),
              std::vector<std::string>{"You must register to access the Tandril network.  Are you sure you want to cancel?"});
    EXPECT_FALSE(s.client->state.connected);
    EXPECT_EQ(PreviousInstallFolders(*s.client).front(), s.profile.path());  // the profile folder is searched first
}

// Another password typed in "Mot de Passe Invalide!" at start-up: the start-up's login is that
// password's login, and nothing reports a failure or closes the connection it made.
TEST(Startup, AnotherPasswordTypedAtStartUpIsTheLoginsAnswer) {
    Session s;
    s.server.AddAccount("kim", "right");
    s.StoreAccount("kim", "wrong");
    s.ui.invalidPasswordAnswer = {UiPort::Credentials::Ok, "kim", "right"};
    ASSERT_TRUE(s.StartAndWaitForTheDialogToFinish());
    ASSERT_TRUE(RunUntil([&] { return s.client->state.connected && !s.client->dialog.IsOpen(); }, 10s));
    auto dialog = s.ui.Texts("dialog");
    EXPECT_EQ(std::count(dialog.begin(), dialog.end(), "Impossible de se connecter !"), 0);
    EXPECT_EQ(s.ui.Texts("status0").back(), "Online (kim): Sharing 0 files.");
    EXPECT_TRUE(s.client->link.IsOpen());
    EXPECT_TRUE(s.server.IsOnline("kim"));
}

// A user name or password with a blank (typed in a settings file by hand, here) never goes out in
// a login: the login's fields would shift.
TEST(Startup, AStoredAccountWithABlankIsNotUsed) {
    Session s;
    s.StoreAccount("kim", "open sesame");
    s.ui.Script({Answer::Yes});  // the wizard that follows is cancelled: "Are you sure?" Yes
    StartClient(*s.client, {});
    ASSERT_TRUE(RunUntil([&] { return s.exitCode.has_value(); }));
    EXPECT_EQ(s.ui.Texts("alert-modeless").front(),
              "The password contains a blank or a quote: it cannot log in. The stored account is not used.");
    EXPECT_FALSE(s.client->state.connected);
    for (const auto& f : s.server.FramesFrom("kim")) EXPECT_NE(f.type, 2);
    EXPECT_EQ(s.server.RedirectorRequests(), 0);
}

TEST(Startup, ARefusedLoginLeavesTheClientOffline) {
    Session s;
    s.StoreAccount("carol", "pw");
    s.server.RefuseLogin("carol", "You are banned");
    ASSERT_TRUE(s.StartAndWaitForTheDialogToFinish());
    EXPECT_EQ(s.ui.Texts("dialog").back(), "Impossible de se connecter !");
    EXPECT_EQ(s.ui.Texts("button").back(), "OK");
    EXPECT_EQ(s.ui.Texts("alert"), std::vector<std::string>{"You are banned"});
    EXPECT_FALSE(s.client->state.connected);
    EXPECT_TRUE(s.client->main.PagesVisible());
    EXPECT_TRUE(s.client->dialog.IsOpen());  // stays open with the failure until the user closes it
    s.client->CancelConnectingDialog();
    EXPECT_TRUE(RunUntil([&] { return !s.client->dialog.IsOpen(); }));
}

TEST(Startup, AnUnreachableNetworkOrProxyIsReported) {
    for (bool proxy : {false, true}) {
        Session s;
        s.StoreAccount("dan", "pw");
        s.client->state.endpoints.redirectorPort = 1;  // nothing listens there
        if (proxy) {
            ScriptedUi quiet;
            ASSERT_TRUE(LoadSettings(s.client->store, s.client->state, quiet));
            s.client->state.EditSettings()->proxyVersion = 5;
            SaveSettings(s.client->store, s.client->state, quiet);
        }
        ASSERT_TRUE(s.StartAndWaitForTheDialogToFinish());
        EXPECT_EQ(s.ui.Texts("dialog").back(), proxy ? "Unable to Connect to Proxy!" : "Impossible de se connecter !");
        EXPECT_EQ(s.server.RedirectorRequests(), 0);
    }
}

TEST(Startup, ABusyRedirectorIsAskedAgainWithTheCountDownLine) {
    Session s;
    s.StoreAccount("erin", "pw");
    s.server.AnswerWait(2, 30);
    ASSERT_TRUE(s.StartAndWaitForTheDialogToFinish());
    EXPECT_EQ(s.ui.Texts("dialog2"),
              (std::vector<std::string>{"Waiting 30 seconds (1) Server Busy...", "Waiting 30 seconds (2) Server Busy..."}));
    EXPECT_EQ(s.server.RedirectorRequests(), 3);
    EXPECT_TRUE(s.client->state.connected);
}

TEST(Startup, ARedirectorAnswerOfAnotherFormFailsAfterTheFallback) {
    Session s;
    s.StoreAccount("finn", "pw");
    s.server.AnswerRedirectorRaw("BUSY\r\n");
    s.server.AnswerRedirectorRaw("BUSY\r\n");
    s.server.AnswerRedirectorRaw("BUSY\r\n");
    ASSERT_TRUE(s.StartAndWaitForTheDialogToFinish());
    EXPECT_EQ(s.ui.Texts("dialog").back(), "Impossible de se connecter !");
    EXPECT_EQ(s.server.RedirectorRequests(), 2);  // the primary, then the fallback once
}

TEST(Session, LosingTheServerOrItsFramingGoesOfflineWithANotice) {
    for (bool malformed : {false, true}) {
        Session s;
        s.StoreAccount("gus", "pw");
        ASSERT_TRUE(s.StartAndWaitForTheDialogToFinish());
        ASSERT_TRUE(s.client->state.connected);
        if (malformed) {
            s.server.SendRawTo("gus", std::string("\x00\x80\x01\x00", 4) + "garbage");
        } else {
            s.server.Disconnect("gus");
        }
        ASSERT_TRUE(RunUntil([&] { return !s.client->state.connected; })) << malformed;
        auto lines = s.ui.Texts("line");
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_TRUE(lines[0].starts_with("* Disconnected from server! (")) << lines[0];
        EXPECT_EQ(s.ui.Texts("status0").back(), "Disconnected (gus).");
        EXPECT_EQ(s.client->main.StatusText(1), "");
        EXPECT_EQ(s.client->link.SendServerMessage(750, "1"), 0);
    }
}

TEST(ConfirmExit, AsksWithTheTextsForTheRunningTransfers) {
    struct Case {
        int downloads, uploads;
        Answer answer;
        const char* text;
        bool exitsNow;
    };
    const char* tail =
        " Would you like to unshare your files, then have the application Exit automatically once these outbound transfers are complete?";
    const Case cases[] = {
        {0, 0, Answer::Yes, nullptr, true},
        {0, 1, Answer::No, "You have 1 outbound transfer in progress.", true},
        {0, 2, Answer::Yes, "You have 2 outbound transfers in progress.", false},
        {1, 1, Answer::Cancel, "You have 1 inbound transfer and 1 outbound transfer in progress.", false},
        {2, 1, Answer::No, "You have 2 inbound transfers and 1 outbound transfer in progress.", true},
        {1, 3, Answer::No, "You have 1 inbound transfer and 3 outbound transfers in progress.", true},
        {4, 5, Answer::Yes, "You have 4 inbound transfers and 5 outbound transfers in progress.", false},
        {1, 0, Answer::Yes, "You have 1 download in progress. Are you sure you want to exit?", true},
        {3, 0, Answer::No, "You have 3 downloads in progress. Are you sure you want to exit?", false},
    };
    for (const Case& c : cases) {
        test::TestProfile profile;
        ScriptedUi ui;
        Client client(ui, ClientOptions{profile.path()});
        ui.Watch(client);
        client.state.EditAccount()->userName = "hana";
        client.state.downloads = c.downloads;
        client.state.uploads = c.uploads;
        ui.Script({c.answer});
        EXPECT_EQ(ConfirmExit(client), c.exitsNow) << c.downloads << "/" << c.uploads;
        auto events = ui.Events();
        if (!c.text) {
            EXPECT_TRUE(ui.Texts("question").empty());
            continue;
        }
        auto questions = ui.Texts("question");
        ASSERT_EQ(questions.size(), 1u);
        std::string expected = c.uploads > 0 ? std::string(c.text) + tail : c.text;
        EXPECT_EQ(questions[0], expected);
        bool deferred = c.uploads > 0 && !c.exitsNow;
        EXPECT_EQ(client.state.exitAfterUploads.load(), deferred);
        if (deferred) {
            EXPECT_EQ(ui.Texts("status0").back(), "Online (hana): Going Offline after Outbound Transfers Complete.");
        }
        for (const auto& e : events) {
            if (e.kind == "question") {
                EXPECT_EQ(e.caption, "Transfers in Progress!");
            }
        }
    }
}

TEST(ExitApplication, SavesTheSettingsUnlessTheWizardDidAndEndsWithZero) {
    for (int origin : {0, 1}) {
        test::TestProfile profile;
        ScriptedUi ui;
        Client client(ui, ClientOptions{profile.path()});
        std::optional<int> code;
        QObject::connect(&client, &Client::exitRequested, &client, [&](int c) { code = c; });
        client.state.EditAccount()->userName = "ivan";
        client.state.accountOrigin = origin;
        client.windowGeometry = [] { return std::make_optional(std::pair{WindowRect{1, 2, 300, 400}, ScreenArea{1000, 800}}); };
        ExitApplication(client);
        EXPECT_EQ(code, 0);
        ConfigStore store(profile.path());
        auto root = store.OpenKey(kRootKey);
        ASSERT_TRUE(root);
        EXPECT_EQ(store.GetValue(*root, "WinCx"), "300");
        EXPECT_EQ(store.OpenKey("Software\\Tandril\\ivan").has_value(), origin == 0);
    }
}

TEST(GoOffline, LeavesAtOnceOrAfterTheUploads) {
    struct Case {
        int uploads;
        Answer answer;
        bool exitsNow;
        bool deferred;
    };
    for (const Case& c : {Case{0, Answer::Yes, true, false}, Case{2, Answer::Yes, false, true}, Case{2, Answer::No, false, false}}) {
        test::TestProfile profile;
        ScriptedUi ui;
        Client client(ui, ClientOptions{profile.path()});
        std::optional<int> code;
        QObject::connect(&client, &Client::exitRequested, &client, [&](int e) { code = e; });
        client.state.uploads = c.uploads;
        ui.Script({c.answer});
        GoOffline(client);
        auto events = ui.Events();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events[0].caption, "Go Offline?");
        EXPECT_EQ(code.has_value(), c.exitsNow) << c.uploads;
        EXPECT_EQ(client.state.exitAfterUploads.load(), c.deferred) << c.uploads;
    }
}

TEST(Account, SchemesAreSavedAndLoadedWithTheSettings) {
    test::TestProfile profile;
    {
        ScriptedUi ui;
        Client client(ui, ClientOptions{profile.path()});
        client.state.EditAccount()->userName = "jo";
        client.state.EditAccount()->password = "pw";
        client.schemes.custom.SetSchemeColor("Topic", chat::Rgb(7, 8, 9), true);
        client.schemes.SelectCurrent(chat::kSchemeBlack);
        ASSERT_TRUE(session::SaveAccount(client.session));
    }
    ScriptedUi ui;
    Client client(ui, ClientOptions{profile.path()});
    ASSERT_TRUE(session::LoadAccount(client.session));
    ASSERT_TRUE(RunUntil([&] { return &client.schemes.Current() == &client.schemes.black; }, 5s));
    EXPECT_EQ(client.schemes.custom.SchemeColor("Topic"), chat::Rgb(7, 8, 9));
    EXPECT_EQ(client.state.settings().currentScheme, chat::kSchemeBlack);
}
