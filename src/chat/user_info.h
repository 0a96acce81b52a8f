#pragma once
// The information windows "Informations sur l'Utilisateur": each answer of the server about a user
// (604 signed on, 605 signed off) opens a new window listing labelled facts, drawn with the item
// "User Information" and addresses marked. The windows live here so that the skin draws them and
// a headless client can read them; "&Fermer" closes one. GUI thread.

#include <QObject>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "chat/chat_view.h"
#include "chat/color_scheme.h"
#include "protocol/user_info_messages.h"

namespace tandril::chat {

inline constexpr const char* kUserInfoCaption = "Informations sur l'Utilisateur";
// More windows than this are not kept open: a server flooding answers closes the oldest ones.
inline constexpr std::size_t kMaxUserInfoWindows = 64;

// One labelled fact: shown as "label value".
using UserInfoLine = std::pair<std::string, std::string>;

// "01:02" for 3725 seconds: hours (two digits at least) and minutes.
std::string ConnectedTimeText(long long seconds);
// The window title and lines of an answer, in the order shown.
std::string OnlineUserInfoTitle(const protocol::UserInfoOnline& info);
std::vector<UserInfoLine> OnlineUserInfoLines(const protocol::UserInfoOnline& info);
std::vector<UserInfoLine> OfflineUserInfoLines(const protocol::UserInfoOffline& info);

struct UserInfoWindow {
    int id = 0;
    std::string title;
    std::vector<UserInfoLine> lines;
    ChatView view;
};

class UserInfoWindows : public QObject {
    Q_OBJECT
public:
    explicit UserInfoWindows(ColorSchemes& schemes) : schemes_(schemes) {}

    // 604 and 605: a new window with the answer's facts.
    void ShowOnline(const protocol::UserInfoOnline& info);
    void ShowOffline(const protocol::UserInfoOffline& info);
    // "&Fermer" or the window's close.
    void Close(int id);

    const std::deque<std::unique_ptr<UserInfoWindow>>& Windows() const { return windows_; }
    UserInfoWindow* Find(int id);

Q_SIGNALS:
    void windowOpened(int id);
    void windowClosed(int id);

private:
    void Open(std::string title, std::vector<UserInfoLine> lines);

    ColorSchemes& schemes_;
    int nextId_ = 1;
    std::deque<std::unique_ptr<UserInfoWindow>> windows_;
};

}  // namespace tandril::chat
