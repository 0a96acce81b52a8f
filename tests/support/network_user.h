#pragma once
// One client among several on a shared devserver, each with its own profile.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/client.h"
#include "app/startup.h"
#include "base/settings.h"
#include "base/shared_folders.h"
#include "devserver/dev_server.h"
#include "platform/socket.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

namespace tandril::test {

// A port nothing listens on now (the kernel's choice), for a client's data port.
inline int FreePort() {
    platform::Socket s = platform::ListenTcp(0, true);
    return platform::LocalPort(s);
}

struct NetworkUser {
    struct Options {
        int lineSpeed = 10;
        std::vector<std::string> folders;
        int dataPort = 0;  // 0: firewalled
        double timeScale = 0.001;
        std::string saveFolder;    // empty: the profile's "Downloads"
        player::SinkFactory sink;  // empty: the sound server
    };
    NetworkUser(devserver::DevServer& server, const std::string& name, Options o) : name(name) {
        ClientOptions options{profile.path()};
        options.endpoints.primaryRedirector = options.endpoints.fallbackRedirector = "127.0.0.1";
        options.endpoints.redirectorPort = server.RedirectorPort();
        options.timeScale = o.timeScale;
        options.sink = o.sink;
        client = std::make_unique<Client>(ui, options);
        ui.Watch(*client);
        AppState s;
        s.EditAccount()->userName = name;
        s.EditAccount()->password = "pw";
        s.EditAccount()->lineSpeed = o.lineSpeed;
        s.EditAccount()->dataPort = o.dataPort;
        s.EditSettings()->savePath = o.saveFolder.empty() ? (profile.path() / "Downloads").string() : o.saveFolder;
        std::filesystem::create_directories(s.settings().savePath);
        s.sharedFolders = std::move(o.folders);
        test::ScriptedUi quiet;
        EXPECT_TRUE(SaveSettings(client->store, s, quiet));
        EXPECT_TRUE(SaveSharedFolders(client->store, s, quiet));
    }
    NetworkUser(devserver::DevServer& server, const std::string& name, int lineSpeed, std::vector<std::string> folders = {})
        : NetworkUser(server, name, Options{.lineSpeed = lineSpeed, .folders = std::move(folders)}) {}

    bool GoOnline(devserver::DevServer& server) {
        StartClient(*client, {});
        return test::RunUntil([&] { return !client->dialog.IsOpen(); }) && client->state.connected &&
               server.WaitFor(name, -1, std::chrono::seconds(5));
    }

    std::string name;
    test::TestProfile profile;
    test::ScriptedUi ui;
    std::unique_ptr<Client> client;
};

}  // namespace tandril::test
