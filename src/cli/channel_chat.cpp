#include "cli/channel_chat.h"

#include <fcntl.h>
#include <unistd.h>

#include "app/client.h"
#include "chat/chat_commands.h"

namespace tandril::cli {

ChannelChat::ChannelChat(Client& client, std::string channel, int inputFd) : client_(client), channel_(std::move(channel)), fd_(inputFd) {
    connect(&client_.dialog, &ConnectingDialogModel::closed, this, [this](int result) {
        if (result == 1 && client_.state.connected) client_.channels.JoinOrShow(channel_);
    });
    // The server may name the channel with a "#" it was joined without.
    connect(&client_.chat, &chat::ChatWindows::windowCreated, this, [this] { TypePending(); });
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ReadInput(); });
}

void ChannelChat::ReadInput() {
    char buffer[4096];
    bool ended = false;
    for (;;) {
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            ended = n == 0;
            break;  // no more for now (EAGAIN), the end, or an error
        }
        partial_.append(buffer, static_cast<std::size_t>(n));
    }
    for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
        std::string line = partial_.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pending_.push_back(std::move(line));
        partial_.erase(0, end + 1);
    }
    if (ended) {
        // End of input: a last line without its line end still counts; nothing more is read.
        if (!partial_.empty()) pending_.push_back(std::exchange(partial_, {}));
        notifier_->setEnabled(false);
    }
    TypePending();
}

void ChannelChat::TypePending() {
    chat::ChannelWindow* window = client_.chat.Find(channel_);
    if (!window && !channel_.starts_with('#')) window = client_.chat.Find("#" + channel_);
    if (!window) return;
    while (!pending_.empty()) {
        std::string line = std::move(pending_.front());
        pending_.pop_front();
        window->RememberTyped(line);
        chat::RunChatLine(client_.channels, *window, line);
        // A /part may have closed the window.
        if (!client_.chat.Find(window->name)) break;
    }
}

}  // namespace tandril::cli
