#pragma once
// tandril-cli --join=CHANNEL: once online the channel is joined; every line read from standard
// input is then typed into the channel's window (a public message, or a chat command when it
// begins with "/"). Lines read before the server acknowledged the join wait for it. The channel's
// lines are printed with every other chat line.

#include <QObject>
#include <QSocketNotifier>
#include <deque>
#include <memory>
#include <string>

namespace tandril {
class Client;
}

namespace tandril::cli {

class ChannelChat : public QObject {
    Q_OBJECT
public:
    // Reads standard input (`inputFd`) from the GUI thread, without blocking it.
    ChannelChat(Client& client, std::string channel, int inputFd = 0);

private:
    void ReadInput();
    void TypePending();

    Client& client_;
    std::string channel_;
    int fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::string partial_;
    std::deque<std::string> pending_;
};

}  // namespace tandril::cli
