#pragma once
// The instant-message windows: one per conversation partner, each with its display (the
// conversation) and its input line's history. The core keeps the records; the skin draws a
// top-level window for each, from the signals. Look-ups by partner name ignore letter case; at
// most one window exists per partner. GUI thread.

#include <QObject>
#include <functional>
#include <list>
#include <string>
#include <string_view>

#include "chat/chat_view.h"
#include "chat/color_scheme.h"
#include "chat/input_history.h"

namespace tandril::chat {

inline constexpr std::size_t kMaxPeerName = 19;

struct InstantMessageWindow {
    explicit InstantMessageWindow(std::string peerName) : peer(std::move(peerName)) {}
    std::string peer;  // at most 19 characters
    ChatView display;
    InputHistory history;
    // Chosen when the window opened: the ignore button offers "&Unignore User" when the partner
    // was ignored then, and the hot-list button is disabled when the partner was on the hot list.
    bool peerIgnored = false;
    bool peerOnHotList = false;
};

class InstantMessages : public QObject {
    Q_OBJECT
public:
    // `swearFilter` tells, when a line is drawn, whether the filter setting is on.
    InstantMessages(const ColorSchemes& schemes, std::function<bool()> swearFilter);

    InstantMessageWindow* Find(std::string_view peer);
    // The partner's window, or a new one at the end of the list (the name cut to 19 characters).
    InstantMessageWindow& Open(const std::string& peer, bool peerIgnored, bool peerOnHotList);
    // Removes every record of the partner; the skin's window goes with it.
    void Close(std::string_view peer);
    const std::list<InstantMessageWindow>& Windows() const { return windows_; }
    // One line in a window's display, addresses not marked.
    void AppendLine(InstantMessageWindow& window, std::string_view item, const std::string& text);

Q_SIGNALS:
    // A window was made; the skin shows it.
    void windowOpened(tandril::chat::InstantMessageWindow* window);
    // An existing window was asked for again; the skin brings it to the front.
    void windowRaised(tandril::chat::InstantMessageWindow* window);
    // A window is about to go.
    void windowClosing(tandril::chat::InstantMessageWindow* window);

private:
    const ColorSchemes& schemes_;
    std::function<bool()> swearFilter_;
    std::list<InstantMessageWindow> windows_;
};

}  // namespace tandril::chat
