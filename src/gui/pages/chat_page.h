#pragma once
// The "&Chat" page: the current chat window (the personal-messages window "Private" first), a
// tab strip with one tab per window, and the buttons "Salles de discussion", "&Inviter" and "Quitter Salle".

#include <QWidget>
#include <functional>

class QPushButton;
class QStackedWidget;
class QTabBar;
class QTableView;

namespace tandril {
class Client;
}

namespace tandril::chat {
class ChannelWindow;
}

namespace tandril::gui {

class ChatViewWidget;
class ChatInput;

// One chat window's page: its topic line, its chat view and its input line.
class ChatWindowPage : public QWidget {
    Q_OBJECT
public:
    ChatWindowPage(Client& client, chat::ChannelWindow& window, const std::function<void(const QUrl&)>& openUrl, QWidget* parent);
    ChatViewWidget* Topic() const { return topic_; }
    ChatViewWidget* View() const { return view_; }
    ChatInput* Input() const { return input_; }
    // A channel's user list and its count line; null for "Private".
    QTableView* UserList() const { return users_; }
    ChatViewWidget* UserCount() const { return count_; }
    chat::ChannelWindow& Window() const { return window_; }
    void ApplyScheme();

private:
    void ShowUserMenu(const QPoint& at);

    Client& client_;
    chat::ChannelWindow& window_;
    ChatViewWidget* topic_;
    ChatViewWidget* view_;
    ChatInput* input_;
    QTableView* users_ = nullptr;
    ChatViewWidget* count_ = nullptr;
};

class ChatPage : public QWidget {
    Q_OBJECT
public:
    ChatPage(Client& client, std::function<void(const QUrl&)> openUrl, QWidget* parent = nullptr);
    ChatWindowPage* PersonalPage() const { return personal_; }
    QTabBar* Tabs() const { return tabs_; }
    QPushButton* RoomsButton() const { return rooms_; }
    QPushButton* InviteButton() const { return invite_; }
    QPushButton* LeaveButton() const { return leave_; }
    // The page of a channel window, or null.
    ChatWindowPage* PageOf(const chat::ChannelWindow* window) const;

private:
    void AddWindow(chat::ChannelWindow* window);
    void RemoveWindow(chat::ChannelWindow* window);
    void ShowCurrent();

    Client& client_;
    QStackedWidget* stack_;
    ChatWindowPage* personal_;
    QTabBar* tabs_;
    QPushButton* rooms_;
    QPushButton* invite_;
    QPushButton* leave_;
    std::function<void(const QUrl&)> openUrl_;
};

}  // namespace tandril::gui
