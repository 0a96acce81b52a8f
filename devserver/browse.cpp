#include "devserver/browse.h"

#include "base/text.h"
#include "base/wire_text.h"
#include "protocol/browse_messages.h"

namespace tandril::devserver {

using protocol::MessageType;

namespace {

UserLine LineOf(const BrowseContext& context, const std::string& user) {
    auto it = context.lines.find(user);
    return it == context.lines.end() ? UserLine{} : it->second;
}

void DirectBrowse(const BrowseContext& context, const std::string& requester, const std::string& payload, std::vector<Delivery>& out) {
    auto m = protocol::DirectBrowse::Decode(payload);
    if (!m) return;
    const std::string browsed = context.onlineName(m->user);
    if (browsed.empty()) {
        out.push_back({requester, MessageType::DirectBrowseFailed, protocol::DirectBrowseFailed{m->user, "is not online"}.Encode()});
        return;
    }
    const UserLine b = LineOf(context, browsed), r = LineOf(context, requester);
    if (b.dataPort != 0) {
        out.push_back({browsed, MessageType::DirectBrowse, protocol::DirectBrowse{requester, std::nullopt, std::nullopt}.Encode()});
    } else if (r.dataPort != 0) {
        out.push_back({browsed, MessageType::DirectBrowse,
                       protocol::DirectBrowse{requester, r.address, static_cast<std::uint32_t>(r.dataPort)}.Encode()});
    } else {
        out.push_back({requester, MessageType::DirectBrowseFailed, protocol::DirectBrowseFailed{browsed, "both firewalled"}.Encode()});
    }
}

void Accepted(const BrowseContext& context, const std::string& browsed, const std::string& payload, std::vector<Delivery>& out) {
    auto m = protocol::DirectBrowseAccepted::Decode(payload);
    if (!m) return;
    const std::string requester = context.onlineName(m->user);
    if (requester.empty()) return;
    const UserLine b = LineOf(context, browsed);
    out.push_back({requester, MessageType::DirectBrowseAccepted,
                   protocol::DirectBrowseAccepted{browsed, b.address, static_cast<std::uint32_t>(b.dataPort), true}.Encode()});
}

void ServerList(const BrowseContext& context, const std::string& requester, const std::string& payload, std::vector<Delivery>& out) {
    auto m = protocol::BrowseThroughServer::Decode(payload);
    if (!m) return;
    const std::string browsed = context.onlineName(m->user);
    const std::string name = browsed.empty() ? m->user : browsed;
    if (!browsed.empty()) {
        for (const SharedFile& f : context.shares.FilesOf(browsed)) {
            protocol::BrowseFile line{browsed, {f.virtualName, f.hash, f.size, f.bitrate, f.frequency, f.length}};
            out.push_back({requester, MessageType::BrowseFile, ToWireText(line.Encode())});
        }
    }
    out.push_back(
        {requester, MessageType::BrowseEnd, protocol::BrowseEnd{name, browsed.empty() ? 0 : LineOf(context, browsed).address}.Encode()});
}

}  // namespace

bool HandleBrowse(const BrowseContext& context, const std::string& user, MessageType type, const std::string& payload,
                  std::vector<Delivery>& out) {
    switch (type) {
        case MessageType::DirectBrowse:
            if (context.directBrowse) DirectBrowse(context, user, payload, out);
            return true;
        case MessageType::DirectBrowseAccepted:
            Accepted(context, user, payload, out);
            return true;
        case MessageType::BrowseThroughServer:
            ServerList(context, user, payload, out);
            return true;
        default:
            return false;
    }
}

}  // namespace tandril::devserver
