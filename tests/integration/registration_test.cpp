// The registration wizard against devserver, every page answered by the scripted UI.
#include "session/registration.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>

#include "session/proxy_settings.h"
#include "support/session.h"

namespace fs = std::filesystem;
using namespace tandril;
using namespace std::chrono_literals;
using test::RunUntil;
using test::Session;

namespace {

using Page = std::function<WizardButton(WizardPage, WizardData&)>;

Page Next(std::function<void(WizardData&)> fill = {}, WizardPage expected = WizardPage::Connection, bool check = false) {
    return [=](WizardPage page, WizardData& data) {
        if (check) {
            EXPECT_EQ(static_cast<int>(page), static_cast<int>(expected));
        }
        if (fill) fill(data);
        return WizardButton::Next;
    };
}

Page Press(WizardButton button) {
    return [button](WizardPage, WizardData&) { return button; };
}

void NewAccount(WizardData& d, const std::string& user) {
    d.newUser = true;
    d.user = user;
    d.password = "secret";
    d.password2 = "secret";
    d.email = user + "@example.org";
}

// A session whose client has ephemeral ports to offer to the reachability test.
struct Registration : Session {
    explicit Registration(devserver::DevServerOptions options = {}) : Session(options) {
        for (int i = 0; i < 2; ++i) {
            platform::Socket probe = platform::ListenTcp(0, false);
            ports.push_back(platform::LocalPort(probe));
        }
        ClientOptions o{profile.path()};
        o.endpoints.primaryRedirector = o.endpoints.fallbackRedirector = "127.0.0.1";
        o.endpoints.redirectorPort = server.RedirectorPort();
        o.timeScale = 0.001;
        o.dataPortCandidates = ports;
        client = std::make_unique<Client>(ui, o);
        ui.Watch(*client);
        QObject::connect(client.get(), &Client::exitRequested, client.get(), [this](int code) { exitCode = code; });
    }
    bool Start() {
        StartClient(*client, {});
        return RunUntil([&] { return exitCode.has_value() || !client->dialog.IsOpen() || client->dialog.ButtonText() == "OK"; }, 20s);
    }
    std::vector<int> ports;
};

std::vector<devserver::Frame> FramesOfType(const devserver::DevServer& server, const std::string& user, int type) {
    std::vector<devserver::Frame> out;
    for (const auto& f : server.FramesFrom(user)) {
        if (f.type == type) out.push_back(f);
    }
    return out;
}

}  // namespace

// "Nouvel Utilisateur" in the invalid-password dialog that the server's message 0 opens while
// online: the wizard's blocking steps run on a worker, never on the GUI thread, and the new account
// comes online.
TEST(Registration, ANewUserChosenWhileOnlineRegistersOnAWorker) {
    Registration r;
    r.server.AddAccount("dan", "pw");
    ASSERT_TRUE(r.GoOnline("dan"));
    r.ui.invalidPasswordAnswer = {UiPort::Credentials::NewUser, "", ""};
    r.ui.Script({Answer::No});  // no disk scan
    std::atomic<int> onGuiThread{0};
    auto where = [&onGuiThread](std::function<void(WizardData&)> fill) {
        return [&onGuiThread, fill](WizardData& d) {
            if (QThread::currentThread() == QCoreApplication::instance()->thread()) ++onGuiThread;
            if (fill) fill(d);
        };
    };
    r.ui.wizardScript = {Next(where({})), Next(where([](WizardData& d) { NewAccount(d, "dana"); })), Next(where({})), Next(where({})),
                         Next(where([](WizardData& d) { d.saveFolder = "/tmp/downloads"; }))};
    ASSERT_TRUE(r.server.SendTo("dan", 0, "invalid password"));
    ASSERT_TRUE(RunUntil([&] { return r.client->state.connected && r.client->state.account().userName == "dana"; }, 15s));
    EXPECT_EQ(r.ui.Texts("page").size(), 5u);
    EXPECT_EQ(onGuiThread.load(), 0);
    EXPECT_TRUE(RunUntil([&] { return r.server.IsOnline("dana"); }, 5s));
}

// Servers that take nothing but a login before one: the wizard's version check and newsletter wait
// until after the login, an existing account logs in plainly, and neither loops on the refusal.
TEST(Registration, ServersThatTakeOnlyALoginFirstStillRegisterAndLogIn) {
    for (bool newUser : {true, false}) {
        SCOPED_TRACE(newUser ? "new user" : "existing user");
        devserver::DevServerOptions options;
        options.loginCommandsOnly = true;
        Registration r(options);
        const std::string name = newUser ? "nell" : "olaf";
        if (!newUser) r.server.AddAccount(name, "secret");
        r.ui.Script({Answer::Yes, Answer::No});  // the newsletter: yes; no disk scan
        r.ui.wizardScript = {Next(), Next([&](WizardData& d) {
                                 NewAccount(d, name);
                                 d.newUser = newUser;
                                 d.newsletter = true;
                             })};
        if (newUser) r.ui.wizardScript.push_back(Next());  // optional information
        r.ui.wizardScript.push_back(Next());               // shared folders
        r.ui.wizardScript.push_back(Next([](WizardData& d) { d.saveFolder = "/tmp/downloads"; }));
        ASSERT_TRUE(r.Start());
        ASSERT_TRUE(r.client->state.connected);
        EXPECT_EQ(r.server.RefusedBeforeLogin(), 1);  // the version check, once
        EXPECT_TRUE(r.ui.Texts("alert").empty());
        ASSERT_TRUE(r.server.WaitFor(name, 704, 5s)) << "the newsletter is asked for after the login";
        EXPECT_EQ(FramesOfType(r.server, name, 704).front().payload, name + "@example.org");
        EXPECT_TRUE(FramesOfType(r.server, name, 920).empty());
    }
}

// The server refuses the new account for good at the registration itself: the user is told why
// and is back on the account page, where another name goes through.
TEST(Registration, APermanentRefusalLeadsBackToTheAccountPage) {
    Registration r;
    r.server.RefuseLogin("nora", "Name is reserved");
    r.ui.Script({Answer::No});  // no disk scan
    r.ui.wizardScript = {Next(),
                         Next([](WizardData& d) { NewAccount(d, "nora"); }),
                         Next(),
                         Next(),
                         Next([](WizardData& d) { d.saveFolder = "/tmp/downloads"; }),
                         Next([](WizardData& d) { NewAccount(d, "nora2"); }, WizardPage::Account, true),
                         Next(),
                         Next(),
                         Next()};
    ASSERT_TRUE(r.Start());
    ASSERT_TRUE(r.client->state.connected);
    EXPECT_EQ(r.client->state.account().userName, "nora2");
    EXPECT_EQ(r.ui.Texts("alert"), std::vector<std::string>{"Name is reserved"});
    EXPECT_TRUE(r.ui.Texts("registration-problem").empty());  // never offered "Quitter"
    EXPECT_TRUE(r.ui.wizardScript.empty());
}

TEST(Registration, ANewUserGoesThroughEveryPageAndComesOnline) {
    Registration r;
    r.ui.Script({Answer::No});  // no disk scan
    r.ui.wizardScript = {
        Next([](WizardData& d) { d.lineSpeed = 8; }, WizardPage::Connection, true),
        Next([](WizardData& d) { NewAccount(d, "newbie"); }, WizardPage::Account, true),
        Next(
            [](WizardData& d) {
                d.personal = {{"AGE", "18 à  25 ans  "}, {"CTY", "France"}, {"EDU", ""}, {"GEN", "Jazz"}, {"SEX", ""}, {"ZIP", "75001"}};
            },
            WizardPage::OptionalInfo, true),
        Next({}, WizardPage::SharedFolders, true),
        Next([](WizardData& d) { d.saveFolder = "/tmp/downloads"; }, WizardPage::DownloadFolder, true),
    };
    ASSERT_TRUE(r.Start());
    ASSERT_TRUE(r.client->state.connected);
    EXPECT_EQ(r.ui.Texts("terms"), std::vector<std::string>{"Oui"});
    EXPECT_EQ(r.ui.Texts("question"),
              (std::vector<std::string>{"Would you like to scan your disks for files to share with the Tandril community?\nPlease remove "
                                        "any directories you do not wish to share after the scan is completed!"}));
    EXPECT_EQ(r.ui.Texts("wait"), (std::vector<std::string>{"Connecting to server...", "Checking Version...", "Checking user name..."}));

    int port = r.ports[0];
    auto dialog = r.ui.Texts("dialog");
    auto has = [&](const std::string& text) { return std::find(dialog.begin(), dialog.end(), text) != dialog.end(); };
    EXPECT_TRUE(has("Finding acceptable local data port..."));
    EXPECT_TRUE(has("Found acceptable data port!"));
    EXPECT_TRUE(has("Using port " + std::to_string(port) + "!"));
    EXPECT_TRUE(has("Logged in! Sharing Files..."));
    EXPECT_EQ(r.client->state.account().dataPort, port);

    auto frames = r.server.FramesFrom("newbie");
    auto payloadOf = [&](int type) {
        auto f = FramesOfType(r.server, "newbie", type);
        return f.empty() ? std::string("<none>") : f.front().payload;
    };
    EXPECT_EQ(payloadOf(4), "\"v2.0 BETA 9.4\" 8");
    EXPECT_EQ(payloadOf(7), "newbie");
    EXPECT_EQ(payloadOf(300), std::to_string(r.ports[0]) + " " + std::to_string(r.ports[1]));
    EXPECT_EQ(payloadOf(6), "newbie secret " + std::to_string(port) + " \"v2.0 BETA 9.4\" 8 newbie@example.org 0");
    EXPECT_EQ(payloadOf(15),
              "\"AGE\" \"18 \xe0  25 ans  \" \"CTY\" \"France\" \"EDU\" \"\" \"GEN\" \"Jazz\" \"SEX\" \"\" \"ZIP\" \"75001\"");
    // The new account is stored.
    ConfigStore saved(r.profile.path());
    AppState loaded;
    test::ScriptedUi quiet;
    ASSERT_TRUE(LoadSettings(saved, loaded, quiet));
    EXPECT_EQ(loaded.account().userName, "newbie");
    EXPECT_EQ(loaded.account().password, "secret");
    EXPECT_EQ(loaded.settings().savePath, "/tmp/downloads");
    EXPECT_EQ(loaded.account().lineSpeed, 8);
}

TEST(Registration, EveryRefusalOfTheAccountPageKeepsTheUserThere) {
    devserver::DevServerOptions options;
    Registration r(options);
    r.server.AddAccount("taken", "pw");
    struct Attempt {
        std::function<void(WizardData&)> fill;
        std::string alert;
    };
    const std::vector<Attempt> attempts = {
        {[](WizardData& d) { NewAccount(d, "  "); }, "You must choose a user name!"},
        {[](WizardData& d) {
             NewAccount(d, "ok");
             d.password = "";
         },
         "You must type a password in the first password box!"},
        {[](WizardData& d) {
             NewAccount(d, "ok");
             d.password2 = "";
         },
         "You must type a password in the second password box!"},
        {[](WizardData& d) {
             NewAccount(d, "ok");
             d.email = "";
         },
         "You must type an email address in the Email Box!"},
        {[](WizardData& d) {
             NewAccount(d, "ok");
             d.password2 = "other";
         },
         "Password #1 and password #2 do not match!  Please re-enter your passwords."},
        {[](WizardData& d) {
             NewAccount(d, "ok");
             d.email = "ok@example";
         },
         "Specified email address is invalid!"},
        {[](WizardData& d) {
             NewAccount(d, "ok");
             d.email = "ok.example.org";
         },
         "Specified email address is invalid!"},
        {[](WizardData& d) { NewAccount(d, "taken"); }, "Name taken is in use by another Tandril user!  Please choose another."},
        {[](WizardData& d) { NewAccount(d, "bad*name"); }, "Name bad*name contains invalid characters! Please choose another name!"},
        {[](WizardData& d) {
             d.newUser = false;
             d.user = "taken";
             d.password = "wrong";
         },
         "Error: invalid password!"},
    };
    r.ui.Script({Answer::No});  // no disk scan
    r.ui.wizardScript.push_back(Next());
    for (const auto& a : attempts) r.ui.wizardScript.push_back(Next(a.fill));
    r.ui.wizardScript.push_back(Next([](WizardData& d) {
        d.newUser = false;
        d.user = "taken";
        d.password = "pw";
    }));
    r.ui.wizardScript.push_back(Next());  // shared folders (no optional page for an existing user)
    r.ui.wizardScript.push_back(Next());  // download folder
    ASSERT_TRUE(r.Start());
    std::vector<std::string> expected;
    for (const auto& a : attempts) expected.push_back(a.alert);
    EXPECT_EQ(r.ui.Texts("alert"), expected);
    ASSERT_TRUE(r.client->state.connected);
    EXPECT_EQ(r.client->state.accountOrigin, 2);
    auto pages = r.ui.Texts("page");
    EXPECT_EQ(std::count(pages.begin(), pages.end(), "Informations Optionnelles"), 0);
    EXPECT_EQ(std::count(pages.begin(), pages.end(), "Configuration de Tandril"), static_cast<long>(attempts.size()) + 1);
    auto logins = FramesOfType(r.server, "taken", 2);
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_TRUE(logins[0].payload.starts_with("taken pw "));
    EXPECT_TRUE(FramesOfType(r.server, "taken", 15).empty());  // personal data only for a new account
}

TEST(Registration, BackCancelAndTheNewsletter) {
    Registration r;
    // Keep registering; yes to the newsletter; no disk scan; no save folder: first stay on the
    // page, then take the default one.
    r.ui.Script({Answer::No, Answer::Yes, Answer::No, Answer::No, Answer::Yes});
    r.ui.wizardScript = {
        Next(),
        Press(WizardButton::Back),    // back to the first page
        Press(WizardButton::Cancel),  // "Are you sure?" No: the page comes again
        Next(),
        Next([](WizardData& d) {
            NewAccount(d, "reader");
            d.newsletter = true;
        }),
        Press(WizardButton::Back),  // optional page -> account page
        Next([](WizardData& d) {
            NewAccount(d, "reader");
            d.newsletter = false;
        }),
        Next(),
        Next(),
        Next([](WizardData& d) { d.saveFolder.clear(); }),
        Next([](WizardData& d) { d.saveFolder.clear(); }),
    };
    ASSERT_TRUE(r.Start());
    EXPECT_TRUE(r.client->state.connected);
    EXPECT_EQ(r.client->state.settings().savePath, fs::absolute(r.profile.path() / "My Files").string());
    EXPECT_TRUE(fs::is_directory(r.profile.path() / "My Files"));
    auto questions = r.ui.Events();
    std::vector<std::string> captions;
    for (const auto& e : questions) {
        if (e.kind == "question") captions.push_back(e.caption);
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"Cancel Registration?", "Confirm a Server request", "Scan for files?",
                                                  "Save folder not specified!", "Save folder not specified!"}));
    EXPECT_EQ(r.ui.Texts("question").back(),
              "You did not choose a save folder!  Would you like to use 'My Files' as your folder to save new files?");
    EXPECT_EQ(FramesOfType(r.server, "reader", 704).front().payload, "reader@example.org");
    auto pages = r.ui.Texts("page");
    EXPECT_EQ(pages,
              (std::vector<std::string>{"Informations sur votre connexion", "Configuration de Tandril", "Informations sur votre connexion",
                                        "Informations sur votre connexion", "Configuration de Tandril", "Informations Optionnelles",
                                        "Configuration de Tandril", "Informations Optionnelles", "Dossiers Partagés",
                                        "Répertoire de Téléchargement", "Répertoire de Téléchargement"}));
}

TEST(Registration, CancellingOrAChildEndsTheProgramBeforeRegistering) {
    {
        Registration r;
        r.ui.wizardScript = {Press(WizardButton::Cancel)};  // the confirmation is answered Yes
        ASSERT_TRUE(r.Start());
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_FALSE(r.client->state.connected);
    }
    {
        Registration r;
        r.ui.wizardScript = {Next(), Next([](WizardData& d) { NewAccount(d, "kid"); }),
                             Next([](WizardData& d) { d.personal["AGE"] = "12 OU MOINS"; })};
        ASSERT_TRUE(r.Start());
        EXPECT_EQ(r.exitCode, 0);
        auto events = r.ui.Events();
        auto coppa = std::find_if(events.begin(), events.end(), [](auto& e) { return e.kind == "question"; });
        ASSERT_NE(coppa, events.end());
        EXPECT_EQ(coppa->text,
                  "Due to the new COPPA legislation children under the age of 13 are not allowed to use Tandril. We are sorry for the "
                  "inconvenience.");
        EXPECT_EQ(coppa->caption, "Tandril");
        EXPECT_TRUE(FramesOfType(r.server, "kid", 6).empty());
        EXPECT_FALSE(r.server.IsOnline("kid"));
    }
}

TEST(Registration, AnUnreachableComputerIsClassifiedFirewalled) {
    devserver::DevServerOptions options;
    options.dataPortsReachable = false;
    Registration r(options);
    r.ui.dataPortAnswer = 0;
    r.ui.Script({Answer::No});  // no disk scan
    r.ui.wizardScript = {Next(), Next([](WizardData& d) { NewAccount(d, "walled"); }), Next(), Next(), Next()};
    ASSERT_TRUE(r.Start());
    ASSERT_TRUE(r.client->state.connected);
    EXPECT_EQ(r.ui.Texts("data-port-settings"), std::vector<std::string>{"0"});
    auto dialog = r.ui.Texts("dialog");
    EXPECT_NE(std::find(dialog.begin(), dialog.end(), "Classified as 'firewalled'!"), dialog.end());
    EXPECT_EQ(FramesOfType(r.server, "walled", 6).front().payload, "walled secret 0 \"v2.0 BETA 9.4\" 0 walled@example.org 0");
}

TEST(Registration, AServerThatCannotBeReachedAsksTheUserAfterFiveTries) {
    Registration r;
    r.client->state.endpoints.redirectorPort = 1;  // nothing answers
    r.ui.retryAnswer = false;                      // "&Quitter"
    r.ui.wizardScript = {Next()};
    ASSERT_TRUE(r.Start());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.ui.Texts("registration-problem"), std::vector<std::string>{"Quitter"});
}

TEST(ProxySettings, ApplyChecksWhatWasTyped) {
    struct Case {
        session::ProxyForm form;
        int result;
        std::string alert;
        int version;
    };
    const Case cases[] = {
        {{0, "ignored", "1", "", "", false}, 0, "", 0},
        {{2, "  ", "1080", "", "", true}, 2, "You must enter a Proxy server or choose 'No proxy server' from the list!", 0},
        {{2, "127.0.0.1", " ", "", "", true}, 2, "You must enter a Proxy port or choose 'No proxy server' from the list!", 0},
        {{2, "no-such-host.invalid", "1080", "", "", true}, 2, "Unable to resolve address: no-such-host.invalid", 0},
        {{2, "127.0.0.1", "4", "", "", true}, 2, "Your proxy port 4 appears to be invalid!", 0},
        {{2, "127.0.0.1", "65535", "", "", true}, 2, "Your proxy port 65535 appears to be invalid!", 0},
        {{1, " 127.0.0.1 ", "1080", "user", "pw", false}, 0, "", 4},
        {{2, "127.0.0.1", "1080", "user", "pw", true}, 0, "", 5},
    };
    for (const Case& c : cases) {
        test::TestProfile profile;
        test::ScriptedUi ui;
        Client client(ui, ClientOptions{profile.path()});
        client.state.EditAccount()->dataPort = 6699;
        EXPECT_EQ(session::ApplyProxySettings(client.session, c.form), c.result) << c.form.server;
        EXPECT_EQ(ui.Texts("alert"), c.alert.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.alert}) << c.form.server;
        const Settings& s = client.state.settings();
        EXPECT_EQ(s.proxyVersion, c.version) << c.form.server;
        if (c.result == 0 && c.version != 0) {
            EXPECT_EQ(s.proxyServer, "127.0.0.1");
            EXPECT_EQ(s.proxyPort, 1080);
            EXPECT_EQ(client.state.account().dataPort, 0);  // behind a proxy the computer is firewalled
            EXPECT_EQ(s.proxyUser, c.version == 5 ? "user" : "");
            EXPECT_EQ(s.proxyTransfers, c.form.transfersThroughProxy);
        }
        if (c.version == 0 && c.result == 0) {
            EXPECT_TRUE(s.proxyTransfers);
        }
    }
}
