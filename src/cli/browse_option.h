#pragma once
// tandril-cli --browse=USER: once online the user's files are browsed (directly, or through the
// server when that fails) and printed, one line each, then the client ends.

#include <QObject>
#include <string>

namespace tandril {
class Client;
}

namespace tandril::cli {

class TerminalUi;

class BrowseOption : public QObject {
    Q_OBJECT
public:
    BrowseOption(Client& client, TerminalUi& ui, std::string user);
    // kDone with files listed, kNothingFound when the user shares none, kDownloadFailed when the
    // list could not be had.
    int Result() const { return result_; }

private:
    void Shown();
    void End(int code);

    Client& client_;
    TerminalUi& ui_;
    std::string user_;
    bool started_ = false;
    bool ended_ = false;
    int result_ = 0;
};

}  // namespace tandril::cli
