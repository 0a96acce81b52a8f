#include "chat/instant_messages.h"

#include "base/text.h"
#include "chat/chat_line.h"

namespace tandril::chat {

InstantMessages::InstantMessages(const ColorSchemes& schemes, std::function<bool()> swearFilter)
    : schemes_(schemes), swearFilter_(std::move(swearFilter)) {}

InstantMessageWindow* InstantMessages::Find(std::string_view peer) {
    std::string name = CutText(peer, kMaxPeerName);
    for (auto& w : windows_) {
        if (EqualsNoCase(w.peer, name)) return &w;
    }
    return nullptr;
}

InstantMessageWindow& InstantMessages::Open(const std::string& peer, bool peerIgnored, bool peerOnHotList) {
    if (InstantMessageWindow* existing = Find(peer)) {
        Q_EMIT windowRaised(existing);
        return *existing;
    }
    InstantMessageWindow& window = windows_.emplace_back(CutText(peer, kMaxPeerName));
    window.peerIgnored = peerIgnored;
    window.peerOnHotList = peerOnHotList;
    Q_EMIT windowOpened(&window);
    return window;
}

void InstantMessages::Close(std::string_view peer) {
    // A copy: the name may be the closing window's own, which goes with it.
    const std::string name(peer);
    while (InstantMessageWindow* window = Find(name)) {
        Q_EMIT windowClosing(window);
        windows_.remove_if([window](const InstantMessageWindow& w) { return &w == window; });
    }
}

void InstantMessages::AppendLine(InstantMessageWindow& window, std::string_view item, const std::string& text) {
    AppendChatLine(window.display, schemes_.Current(), item, text, {false, swearFilter_ && swearFilter_()});
}

}  // namespace tandril::chat
