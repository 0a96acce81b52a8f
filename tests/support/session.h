#pragma once
// One headless client against its own devserver, watched through the scripted UI. Every wait of
// the protocol runs a thousand times faster than for real.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

#include "app/client.h"
#include "app/startup.h"
#include "base/settings.h"
#include "base/shared_folders.h"
#include "devserver/dev_server.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

namespace tandril::test {

// One headless client against its own devserver, watched through the scripted UI.
struct Session {
    explicit Session(devserver::DevServerOptions serverOptions = {}, double timeScale = 0.001) : server(serverOptions) {
        EXPECT_TRUE(server.Ok());
        ClientOptions options{profile.path()};
        options.endpoints.primaryRedirector = "127.0.0.1";
        options.endpoints.fallbackRedirector = "127.0.0.1";
        options.endpoints.redirectorPort = server.RedirectorPort();
        options.timeScale = timeScale;
        options.serverStallTimeout = std::chrono::seconds(5);
        client = std::make_unique<Client>(ui, options);
        ui.Watch(*client);
        QObject::connect(client.get(), &Client::exitRequested, client.get(), [this](int code) { exitCode = code; });
    }
    // Stores the account `user`; `edit` changes more of it (shared folders included) before it is saved.
    void StoreAccount(const std::string& user, const std::string& password, const std::function<void(AppState&)>& edit = {}) {
        AppState s;
        s.EditAccount()->userName = user;
        s.EditAccount()->password = password;
        s.EditAccount()->lineSpeed = 8;
        if (edit) edit(s);
        ScriptedUi quiet;
        ASSERT_TRUE(SaveSettings(client->store, s, quiet));
        if (!s.sharedFolders.empty()) {
            ASSERT_TRUE(SaveSharedFolders(client->store, s, quiet));
        }
    }
    // The stored account of `user` (password "pw") shares `folders`.
    void StoreSharing(const std::string& user, const std::vector<std::string>& folders, int maxUploads = 3) {
        StoreAccount(user, "pw", [&](AppState& s) {
            s.EditSettings()->maxUploads = maxUploads;
            s.sharedFolders = folders;
        });
    }
    bool StartAndWaitForTheDialogToFinish() {
        StartClient(*client, {});
        return RunUntil([&] { return !client->dialog.IsOpen() || client->dialog.ButtonText() == "OK"; });
    }
    // Starts the client with the stored account; true once `user` is online.
    bool StartOnline(const std::string& user) {
        return StartAndWaitForTheDialogToFinish() && client->state.connected && server.WaitFor(user, -1, std::chrono::seconds(5));
    }
    bool GoOnline(const std::string& user, const std::string& password = "pw") {
        StoreAccount(user, password);
        return StartOnline(user);
    }

    TestProfile profile;
    devserver::DevServer server;
    ScriptedUi ui;
    std::unique_ptr<Client> client;
    std::optional<int> exitCode;
};

}  // namespace tandril::test
