#pragma once
// tandril-cli --resume: once online, every entry of resume.dat is resumed (a resume search for
// each, then its sources in turn); each one's end is printed, and the program ends when all have
// ended.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <map>
#include <string>

namespace tandril {
class Client;
}

namespace tandril::cli {

class TerminalUi;

class ResumeFiles : public QObject {
    Q_OBJECT
public:
    ResumeFiles(Client& client, TerminalUi& ui);
    // kDone when every file was completed, kDownloadFailed otherwise.
    int Result() const { return result_; }

private:
    void Start();
    void Check();

    Client& client_;
    TerminalUi& ui_;
    std::map<std::uint32_t, std::string> pending_;  // row id, file name
    QTimer poll_;
    int result_ = 0;
};

}  // namespace tandril::cli
