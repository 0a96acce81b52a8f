#include "app/single_instance.h"

#include <thread>

#include "app/client.h"
#include "app/startup.h"
#include "app/url_protocol.h"
#include "base/text.h"
#include "platform/atomic_file.h"

namespace tandril {

namespace {

constexpr const char* kShow = "SHOW";
constexpr const char* kLink = "LINK ";
constexpr const char* kQuit = "QUIT";

bool CopyOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    auto bytes = platform::ReadWholeFile(from);
    if (!bytes || !platform::WriteFileAtomically(to, *bytes)) return false;
    std::error_code ec;
    std::filesystem::permissions(to,
                                 std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                     std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                     std::filesystem::perms::others_exec,
                                 ec);
    return true;
}

}  // namespace

InstanceDecision ApplySingleInstanceRule(const SingleInstanceOptions& options, const std::vector<std::string>& arguments) {
    auto socketPath = platform::InstanceSocketPath(options.profileFolder);
    std::string field1 = arguments.size() > 0 ? CutText(arguments[0], 99) : "";
    std::optional<std::string> field2;
    if (arguments.size() > 1) field2 = CutText(arguments[1], 349);

    if (!platform::IsInstanceRunning(socketPath)) {
        std::error_code ec;
        std::filesystem::remove(options.profileFolder / kUpgradeFileName, ec);
        return InstanceDecision::Continue;
    }
    if (EqualsNoCase(field1, "UPGRADE") && field2) {
        platform::SendToRunningInstance(socketPath, kQuit);
        for (int attempt = 0; attempt < options.maxCopyAttempts; ++attempt) {
            if (CopyOver(options.ownExecutable, *field2)) break;
            std::this_thread::sleep_for(options.copyRetryDelay);
        }
        // Start-up goes on once the old instance has let go of the profile.
        for (int i = 0; i < 100 && platform::IsInstanceRunning(socketPath); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return InstanceDecision::Continue;
    }
    if (EqualsNoCase(field1, "-P") && field2) {
        platform::SendToRunningInstance(socketPath, kLink + *field2);
    } else {
        platform::SendToRunningInstance(socketPath, kShow);
    }
    return InstanceDecision::EndThisProcess;
}

std::unique_ptr<platform::LocalInstanceServer> ListenForLaterStarts(Client& client) {
    auto path = platform::InstanceSocketPath(client.state.profileFolder);
    return platform::LocalInstanceServer::Listen(path, [&client](std::string message) {
        if (message.empty()) return;  // a later start only checking that this one runs
        client.PostToGui([&client, message] {
            if (message == kQuit) {
                ExitApplication(client);
            } else if (message.starts_with(kLink)) {
                Q_EMIT client.raiseRequested();
                HandleProtocolUrl(client, message.substr(std::string_view(kLink).size()));
            } else {
                Q_EMIT client.raiseRequested();
            }
        });
    });
}

}  // namespace tandril
