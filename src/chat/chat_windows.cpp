#include "chat/chat_windows.h"

#include <algorithm>

#include "base/text.h"

namespace tandril::chat {

ChannelWindow::ChannelWindow(std::string windowName) : name(std::move(windowName)) {
    if (!IsPersonal()) users = std::make_unique<ChannelUsers>();
}

ChatWindows::ChatWindows(const ColorSchemes& schemes, ThreadQueue& gui, std::function<bool()> swearFilter)
    : schemes_(schemes), gui_(gui), swearFilter_(std::move(swearFilter)) {
    windows_.emplace_back(kPrivateWindow);
    current_ = &windows_.front();
    SetTopic(Personal(), "Personal Messages");
}

ChannelWindow* ChatWindows::Find(std::string_view name) {
    for (auto& w : windows_) {
        if (EqualsNoCase(w.name, name)) return &w;
    }
    return nullptr;
}

void ChatWindows::Activate(ChannelWindow& window) {
    current_ = &window;
    Q_EMIT currentChanged();
}

ChannelWindow& ChatWindows::Create(const std::string& name) {
    ChannelWindow& window = windows_.emplace_back(CutText(name, kMaxChannelName));
    ShowUserCount(window);
    current_ = &window;
    Q_EMIT windowCreated(&window);
    Q_EMIT currentChanged();
    return window;
}

void ChatWindows::Close(ChannelWindow& window) {
    if (&window == &Personal()) return;
    auto it = std::find_if(windows_.begin(), windows_.end(), [&](const ChannelWindow& w) { return &w == &window; });
    if (it == windows_.end()) return;
    ChannelWindow* next = current_ == &window ? &*std::prev(it) : nullptr;
    Q_EMIT windowClosing(&window);
    if (next) current_ = next;
    windows_.erase(it);
    if (next) Q_EMIT currentChanged();
}

void ChatWindows::ShowUserCount(ChannelWindow& window) {
    if (!window.users) return;
    std::size_t count = window.users->Count();
    ClearChatControl(window.userCountView);
    AppendChatLine(window.userCountView, schemes_.Current(), "number of channel users",
                   Format(kMaxChatLine, "%s user%s in channel.", GroupThousands(std::to_string(count)).c_str(), count == 1 ? "" : "s"),
                   {false, false});
}

void ChatWindows::RedrawTopicsAndCounts() {
    for (auto& window : windows_) {
        if (!window.topic.empty() || !window.topicView.Lines().empty()) SetTopic(window, window.topic);
        ShowUserCount(window);
    }
}

void ChatWindows::OnGuiThread(std::function<void()> fn) {
    gui_.RunOrPost(std::move(fn));
}

void ChatWindows::AppendLine(ChannelWindow& window, std::string_view item, const std::string& text, bool markAddresses) {
    AppendChatLine(window.chatView, schemes_.Current(), item, text, {markAddresses, swearFilter_ && swearFilter_()});
    Q_EMIT lineShown(QString::fromStdString(window.name), window.chatView.Lines().back().plain.trimmed());
}

void ChatWindows::ShowSystemLine(const std::string& windowName, const std::string& text) {
    OnGuiThread([this, windowName, text] {
        if (ChannelWindow* window = Find(windowName))
            AppendLine(*window, "System message", Format(kMaxChatLine, "* %s", text.c_str()), true);
    });
}

void ChatWindows::ShowInBothWindows(const std::string& text) {
    OnGuiThread([this, text] {
        ShowSystemLine(kPrivateWindow, text);
        if (current_ != &Personal()) ShowSystemLine(current_->name, text);
    });
}

void ChatWindows::SetTopic(ChannelWindow& window, const std::string& topic) {
    window.topic = CutText(topic, 99);
    ClearChatControl(window.topicView);
    AppendChatLine(window.topicView, schemes_.Current(), "Topic",
                   Format(kMaxChatLine, "%s:   %s", window.name.c_str(), window.topic.c_str()), {true, swearFilter_ && swearFilter_()});
}

}  // namespace tandril::chat
