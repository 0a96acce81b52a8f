#pragma once
// The chat windows: the personal-messages window "Private", always first, and one window per
// joined channel. Lines are drawn on the GUI thread; other threads' lines are handed over to it.

#include <QObject>
#include <QString>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/thread_queue.h"
#include "chat/channel_users.h"
#include "chat/chat_line.h"
#include "chat/chat_view.h"
#include "chat/color_scheme.h"
#include "chat/input_history.h"

namespace tandril::chat {

inline constexpr const char* kPrivateWindow = "Private";
inline constexpr std::size_t kMaxInputLine = 199;
inline constexpr std::size_t kMaxChannelName = 24;

class ChannelWindow {
public:
    explicit ChannelWindow(std::string windowName);
    bool IsPersonal() const { return name == kPrivateWindow; }

    std::string name;   // at most 24 characters
    std::string topic;  // at most 99 characters
    ChatView topicView;
    ChatView chatView;
    // A channel's users and the line that counts them; "Private" has neither.
    std::unique_ptr<ChannelUsers> users;
    ChatView userCountView;

    // The input line's history: every non-empty line typed, oldest first.
    InputHistory input;
    void RememberTyped(const std::string& line) { input.RememberTyped(line); }
    const std::vector<std::string>& History() const { return input.Entries(); }
};

class ChatWindows : public QObject {
    Q_OBJECT
public:
    // `swearFilter` tells, when a line is drawn, whether the filter setting is on.
    ChatWindows(const ColorSchemes& schemes, ThreadQueue& gui, std::function<bool()> swearFilter);

    ChannelWindow& Personal() { return windows_.front(); }
    ChannelWindow& Current() { return *current_; }
    ChannelWindow* Find(std::string_view name);
    const std::list<ChannelWindow>& Windows() const { return windows_; }
    std::list<ChannelWindow>& Windows() { return windows_; }
    void Activate(ChannelWindow& window);
    // A new channel window at the end of the list, made current. GUI thread.
    ChannelWindow& Create(const std::string& name);
    // Removes a channel window ("Private" stays); when it was current, the window before it
    // becomes current. GUI thread.
    void Close(ChannelWindow& window);
    // True while a channel window exists besides "Private" (the tab strip and "Quitter Salle").
    bool HasChannels() const { return windows_.size() > 1; }

    // "* text" in the "System message" look, addresses marked. From any thread.
    void ShowSystemLine(const std::string& windowName, const std::string& text);
    void ShowSystemLine(const std::string& text) { ShowSystemLine(kPrivateWindow, text); }
    // The personal-messages window, and the current window too when that is another one.
    void ShowInBothWindows(const std::string& text);
    // One line in a window's chat view; GUI thread.
    void AppendLine(ChannelWindow& window, std::string_view item, const std::string& text, bool markAddresses);
    // The topic line: "%s:   %s" with the window's name, addresses marked.
    void SetTopic(ChannelWindow& window, const std::string& topic);
    // The user-count line: "%s user%s in channel.", the count grouped in thousands.
    void ShowUserCount(ChannelWindow& window);
    // The colour scheme changed: every topic and count line is drawn again in its colours.
    void RedrawTopicsAndCounts();

Q_SIGNALS:
    void lineShown(const QString& window, const QString& line);
    void currentChanged();
    // A channel window was made (it is current already), or is about to go.
    void windowCreated(tandril::chat::ChannelWindow* window);
    void windowClosing(tandril::chat::ChannelWindow* window);
    // The current colour scheme changed: views take its background and colours.
    void schemeApplied();

private:
    void OnGuiThread(std::function<void()> fn);

    const ColorSchemes& schemes_;
    ThreadQueue& gui_;
    std::function<bool()> swearFilter_;
    std::list<ChannelWindow> windows_;
    ChannelWindow* current_;
};

}  // namespace tandril::chat
