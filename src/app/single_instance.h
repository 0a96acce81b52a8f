#pragma once
// One client per profile: a second start hands its link to the first, brings it forward, or
// (with "UPGRADE" and a path) ends it and copies itself over that path.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/local_instance.h"
#include "upgrade/upgrade_worker.h"

namespace tandril {

class Client;

enum class InstanceDecision { Continue, EndThisProcess };

struct SingleInstanceOptions {
    std::filesystem::path profileFolder;
    std::filesystem::path ownExecutable;
    std::chrono::milliseconds copyRetryDelay{500};
    int maxCopyAttempts = 240;  // two minutes of retries, then start-up goes on without the copy
};

// Applies the rule to the command line's first two arguments.
InstanceDecision ApplySingleInstanceRule(const SingleInstanceOptions& options, const std::vector<std::string>& arguments);

// The first instance's end of the channel: messages from later starts reach `client` on its thread.
std::unique_ptr<platform::LocalInstanceServer> ListenForLaterStarts(Client& client);

// The file an interrupted upgrade leaves in the profile folder.
using upgrade::kUpgradeFileName;

}  // namespace tandril
