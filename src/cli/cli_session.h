#pragma once
// What tandril-cli does once it is online, from its options: search and print the results,
// download one of them with its progress, and stay online serving uploads until interrupted.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "app/front_end.h"

namespace tandril {
class Client;
}

namespace tandril::cli {

class TerminalUi;

// The exit codes a script can rely on.
enum ExitCode {
    kDone = 0,
    kStartFailed = 1,  // start-up failed or a fatal error
    kUsage = 2,
    kNothingFound = 3,  // the search found nothing, or no result has that number
    kDownloadFailed = 4,
    kOffline = 5,  // the server could not be reached or the login was refused
};

// The account the options give (--user, --password, --line-speed, --data-port, --share, --save),
// written into the profile before the client starts. False (with a message) when an option is
// malformed.
bool ApplyAccountOptions(const FrontEndOptions& options, const std::filesystem::path& profile, TerminalUi& ui);

inline constexpr int kDefaultWaitSeconds = 120;

class CliSession : public QObject {
    Q_OBJECT
public:
    CliSession(Client& client, TerminalUi& ui, const FrontEndOptions& options);
    // The exit code once the client ended on the session's own request.
    int Result() const { return result_; }

private:
    void Online();
    void SearchFinished();
    void Progress();
    void ShowUploads();
    void End(int code);

    Client& client_;
    TerminalUi& ui_;
    std::optional<std::string> search_;
    std::optional<int> download_;
    // Seconds a download may wait without data (asked for, queued here or at the uploader).
    int wait_;
    int waited_ = 0;
    bool serve_;
    bool searching_ = false;
    std::uint32_t rowId_ = 0;
    std::string expectedPath_;
    std::uintmax_t expectedSize_ = 0;
    std::string lastProgress_;
    std::map<std::uint32_t, std::string> uploads_;  // status shown for each upload row
    QTimer progress_;
    int result_ = kDone;
};

}  // namespace tandril::cli
