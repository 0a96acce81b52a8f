#pragma once
// The channels part on its own: a runtime, the chat windows and a recorder in place of the server
// link, for tests that look at what is sent and what is shown without a network.

#include <string>
#include <utility>
#include <vector>

#include "base/runtime.h"
#include "chat/channels.h"
#include "chat/chat_windows.h"
#include "chat/color_scheme.h"
#include "protocol/frame_sender.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

namespace tandril::test {

struct RecordingSender : protocol::FrameSender {
    std::vector<std::pair<int, std::string>> frames;
    int SendFrame(protocol::MessageType type, std::string_view payload) override {
        frames.emplace_back(static_cast<int>(type), std::string(payload));
        return 1;
    }
};

struct ChatFixture {
    TestProfile profile;
    ScriptedUi ui;
    Runtime rt{ui, profile.path()};
    chat::ColorSchemes schemes;
    chat::ChatWindows windows{schemes, rt.gui, [] { return false; }};
    RecordingSender sent;
    chat::Channels channels{rt, sent, windows};

    void Connect() {
        rt.state.EditAccount()->userName = "me";
        rt.state.connected = true;
    }
    // The last line of a window's chat view as shown, or "" when it has none.
    static std::string LastLine(const chat::ChannelWindow& window) {
        const auto& lines = window.chatView.Lines();
        if (lines.empty()) return "";
        return lines.back().plain.trimmed().toStdString();
    }
};

}  // namespace tandril::test
