#pragma once
// What every front end (the Qt application, the command-line client) shares: its options and the
// orderly exit on SIGINT and SIGTERM.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/app_state.h"

namespace tandril {

class Client;

struct FrontEndOptions {
    std::optional<std::filesystem::path> profile;
    EndpointOverrides endpoints;
    std::vector<std::string> arguments;  // what is left: "-P link", "UPGRADE path", a link
    std::vector<std::string> extra;      // --name=value options the front end reads itself
    std::string error;                   // not empty when the command line was not understood
};

// Understands --profile DIR, --redirector HOST[:PORT], --fallback-redirector HOST and the
// front end's own options named in `ownOptions` (given as --name=value).
FrontEndOptions ParseFrontEndOptions(int argc, char** argv, const std::vector<std::string>& ownOptions);
std::optional<std::string> ExtraOption(const FrontEndOptions& options, const std::string& name);

// SIGINT and SIGTERM end the program the way the "Quitter" command does, settings saved.
void ExitOnTerminationSignals(Client& client);

// What both front ends do first: usage errors and --help (printed with `usage`), the profile
// folder, and the single-instance rule. Nullopt when this process should end with `exitCode`.
std::optional<std::filesystem::path> PrepareStart(const FrontEndOptions& options, const char* usage, int& exitCode);

// Runs the client until it asks to end: later starts are listened for, the termination signals
// handled, start-up begun; an error that escapes every handler ends it through the fatal-error
// box. Returns the exit code.
int RunClient(Client& client, const std::vector<std::string>& arguments);

}  // namespace tandril
