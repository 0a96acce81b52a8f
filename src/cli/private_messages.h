#pragma once
// tandril-cli and private messages: --message=USER:TEXT sends one once online, and every line of
// an instant-message window (received or sent) is printed as "[(user) Instant Message] line".
// In chat mode received messages are lines of the "Private" window, printed with the chat lines.

#include <QObject>
#include <optional>
#include <string>

namespace tandril {
class Client;
}

namespace tandril::cli {

class TerminalUi;

// "USER:TEXT" split at its first colon; nullopt without a colon or without a user.
std::optional<std::pair<std::string, std::string>> ParseMessageOption(const std::string& option);

class PrivateMessages : public QObject {
    Q_OBJECT
public:
    PrivateMessages(Client& client, TerminalUi& ui, std::optional<std::pair<std::string, std::string>> message);

private:
    Client& client_;
    TerminalUi& ui_;
};

}  // namespace tandril::cli
