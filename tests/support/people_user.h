#pragma once
// A user on a shared devserver with what the people tests look at: the chat windows' lines, the
// instant-message windows' lines, and the frames the server got from them.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "chat/chat_commands.h"
#include "chat/instant_messages.h"
#include "support/network_user.h"

namespace tandril::test {

struct PeopleUser : NetworkUser {
    PeopleUser(devserver::DevServer& server, const std::string& name) : NetworkUser(server, name, 8), server_(server) {}

    session::Session& session() { return client->session; }
    void SetInstantMessaging(bool on) { client->state.EditSettings()->instantMessaging = on; }

    void Type(const std::string& window, const std::string& text) {
        chat::ChannelWindow* w = client->chat.Find(window);
        ASSERT_NE(w, nullptr) << window;
        chat::RunChatLine(client->channels, *w, text);
    }
    std::vector<std::string> ChatLines(const std::string& window) {
        std::vector<std::string> lines;
        if (chat::ChannelWindow* w = client->chat.Find(window)) {
            for (const auto& line : w->chatView.Lines()) lines.push_back(line.plain.trimmed().toStdString());
        }
        return lines;
    }
    chat::InstantMessageWindow* ImWindow(const std::string& peer) { return client->instantMessages.Find(peer); }
    std::vector<std::string> ImLines(const std::string& peer) {
        std::vector<std::string> lines;
        if (chat::InstantMessageWindow* w = ImWindow(peer)) {
            for (const auto& line : w->display.Lines()) lines.push_back(line.plain.trimmed().toStdString());
        }
        return lines;
    }
    static bool Has(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool ShowsInChat(const std::string& window, const std::string& line) {
        bool shown = RunUntil([&] { return Has(ChatLines(window), line); });
        if (!shown) {
            for (const auto& l : ChatLines(window)) ADD_FAILURE() << window << ": " << l;
        }
        return shown;
    }
    bool ShowsInWindow(const std::string& peer, const std::string& line) {
        bool shown = RunUntil([&] { return Has(ImLines(peer), line); });
        if (!shown) {
            for (const auto& l : ImLines(peer)) ADD_FAILURE() << "(" << peer << "): " << l;
        }
        return shown;
    }
    // The frames of `type` the server has taken from this user.
    std::vector<std::string> FramesSent(int type) {
        std::vector<std::string> payloads;
        for (const auto& f : server_.FramesFrom(name)) {
            if (f.type == type) payloads.push_back(f.payload);
        }
        return payloads;
    }
    // Waits until the server has taken `count` frames of `type` from this user (and so has passed
    // on what they carry).
    bool ServerTook(int type, std::size_t count) {
        return RunUntil([&] { return FramesSent(type).size() >= count; });
    }

private:
    devserver::DevServer& server_;
};

}  // namespace tandril::test
