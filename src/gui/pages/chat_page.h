#pragma once
// The "&Chat" page: the current chat window (the personal-messages window "Private" first), a
// tab strip with one tab per window, and the buttons "Salles de discussion" and "Quitter Salle".

#include <QWidget>
#include <functional>

class QPushButton;
class QStackedWidget;
class QTabBar;

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
    void ApplyScheme();

private:
    Client& client_;
    chat::ChannelWindow& window_;
    ChatViewWidget* topic_;
    ChatViewWidget* view_;
    ChatInput* input_;
};

class ChatPage : public QWidget {
    Q_OBJECT
public:
    ChatPage(Client& client, std::function<void(const QUrl&)> openUrl, QWidget* parent = nullptr);
    ChatWindowPage* PersonalPage() const { return personal_; }
    QTabBar* Tabs() const { return tabs_; }
    QPushButton* RoomsButton() const { return rooms_; }
    QPushButton* LeaveButton() const { return leave_; }

private:
    Client& client_;
    QStackedWidget* stack_;
    ChatWindowPage* personal_;
    QTabBar* tabs_;
    QPushButton* rooms_;
    QPushButton* leave_;
};

}  // namespace tandril::gui
