#include "session/dispatcher.h"

#include "base/settings.h"
#include "base/text.h"
#include "browse/browse.h"
#include "chat/channel_list.h"
#include "protocol/browse_messages.h"
#include "protocol/chat_messages.h"
#include "protocol/hot_list_messages.h"
#include "protocol/ignore_messages.h"
#include "protocol/private_messages.h"
#include "protocol/resume_messages.h"
#include "protocol/server_messages.h"
#include "protocol/user_info_messages.h"
#include "search/search_session.h"
#include "session/account.h"
#include "session/account_changes.h"
#include "session/connectivity_probes.h"
#include "session/hot_list.h"
#include "session/ignore_list.h"
#include "session/instant_messages.h"
#include "session/invalid_password.h"
#include "session/server_disconnect.h"
#include "session/session.h"
#include "session/upgrade_offer.h"
#include "transfer/data_port.h"
#include "transfer/download.h"
#include "transfer/download_queue.h"
#include "transfer/push.h"
#include "transfer/resume.h"
#include "transfer/upload.h"

namespace tandril::session {

using namespace protocol;

namespace {

void OnError(Session& c, const ErrorText& error) {
    if (ContainsNoCase(error.text, "invalid password")) {
        ServerDisconnect(c, false);
        InvalidPasswordDialog(c);
        return;
    }
    c.rt.ui.ShowAlert(AlertKind::Modeless, error.text);
}

void OnServerStatistics(Session& c, const ServerStatistics& m) {
    c.rt.SetStatusText(1, Format(99, "Currently %s users sharing %s files (%s gigs)", GroupThousands(m.users).c_str(),
                                 GroupThousands(m.files).c_str(), GroupThousands(m.gigabytes).c_str()));
}

void OnImposedDataPort(Session& c, const ImposedDataPort& m) {
    transfer::SetDataPort(c.transfers, m.value);
    SaveAccount(c);
}

void OnImposedLineSpeed(Session& c, const ImposedLineSpeed& m) {
    c.rt.state.EditAccount()->lineSpeed = static_cast<int>(m.value);
    SaveAccount(c);
}

void OnMessageOfTheDay(Session& c, const MessageOfTheDay& m) {
    c.chat.AppendLine(c.chat.Current(), "MOTD", Format(chat::kMaxChatLine, "* %s", m.text.c_str()), true);
}

void OnUserPong(Session& c, const UserPong& m) {
    std::string name(Trim(m.text));
    c.chat.ShowInBothWindows(Format(255, "[%s] Pong from %s!", NowText().c_str(), name.c_str()));
}

void OnBothFirewalled(Session& c, const BothFirewalled& m) {
    if (c.rt.ui.AskBothFirewalled(m.user)) transfer::SetDataPort(c.transfers, 6699);
}

// Decodes the payload as `Message` and hands it on; a payload that lacks what the message needs is
// dropped.
template <typename Message, typename Handler>
void Route(const std::string& payload, Handler&& handler) {
    if (auto message = Message::Decode(payload)) handler(*message);
}

}  // namespace

void ServerDispatcher(Session& client, int number, const std::string& payload) {
    auto& c = client;
    const auto type = static_cast<MessageType>(number);
    switch (type) {
        case MessageType::Error:
            Route<ErrorText>(payload, [&](auto& m) { OnError(c, m); });
            break;
        case MessageType::Notice:
            c.rt.ui.ShowAlert(AlertKind::Modal, payload);
            break;
        case MessageType::SearchResult:
            Route<SearchResult>(payload, [&](auto& m) { search::OnSearchResult(c.search, m); });
            break;
        case MessageType::EndOfSearch:
            search::OnEndOfSearch(c.search);
            break;
        case MessageType::DownloadAddress:
            // An answer without its fields still ends the request: its slot passes on.
            if (auto m = DownloadAddress::Decode(payload)) {
                transfer::OnDownloadAddress(c.transfers, *m);
            } else {
                transfer::StartNextQueuedDownload(c.transfers);
            }
            break;
        case MessageType::DownloadFailed:
            Route<DownloadFailed>(payload, [&](auto& m) { transfer::OnDownloadRefused(c.transfers, m.user, m.fileName); });
            break;
        case MessageType::TransferFailed:
            Route<TransferFailed>(payload, [&](auto& m) { transfer::OnDownloadRefused(c.transfers, m.user, m.fileName); });
            break;
        case MessageType::ServerStatistics:
            transfer::TimeoutSweep(c.transfers);
            Route<ServerStatistics>(payload, [&](auto& m) { OnServerStatistics(c, m); });
            break;
        case MessageType::PushAsked:
            Route<PushAsked>(payload, [&](auto& m) { transfer::OnPushRequest(c.transfers, m); });
            break;
        case MessageType::UserLineSpeed:
            Route<UserLineSpeed>(payload, [&](auto& m) { transfer::OnLineSpeed(c.transfers, m); });
            break;
        case MessageType::SourceFound:
            Route<protocol::SourceFound>(payload, [&](auto& m) { transfer::OnResumeSource(c.transfers, m); });
            break;
        case MessageType::SourcesEnd:
            Route<protocol::SourcesEnd>(payload, [&](auto& m) { transfer::OnResumeSearchEnd(c.transfers, m); });
            break;
        case MessageType::RemoteQueueFull:
            Route<RemoteQueueFull>(payload, [&](auto& m) { transfer::OnRemoteQueueFull(c.transfers, m); });
            break;
        case MessageType::UploadRequest:
            Route<UploadRequest>(payload, [&](auto& m) { transfer::OnUploadRequest(c.transfers, m); });
            break;
        case MessageType::ServerText:
            c.chat.ShowInBothWindows(payload);
            break;
        case MessageType::ImposedDataPort:
            Route<ImposedDataPort>(payload, [&](auto& m) { OnImposedDataPort(c, m); });
            break;
        case MessageType::MessageOfTheDay:
            Route<MessageOfTheDay>(payload, [&](auto& m) { OnMessageOfTheDay(c, m); });
            break;
        case MessageType::ImposedLineSpeed:
            Route<ImposedLineSpeed>(payload, [&](auto& m) { OnImposedLineSpeed(c, m); });
            break;
        case MessageType::LoggedInElsewhere:
            c.rt.state.suppressReconnectOnce = true;
            break;
        case MessageType::ServerPing:
            Route<ServerPing>(payload, [&](auto& m) { c.channels.OnServerPong(m.text); });
            break;
        case MessageType::UserPing:
            Route<UserPing>(payload, [&](auto& m) { Send(c.link, UserPong{m.text}); });
            break;
        case MessageType::UserPong:
            Route<UserPong>(payload, [&](auto& m) { OnUserPong(c, m); });
            break;
        case MessageType::OutboundProbe:
        case MessageType::InboundProbe:
            StartConnectivityProbe(c, type, payload);
            break;
        case MessageType::BothFirewalled:
            Route<BothFirewalled>(payload, [&](auto& m) { OnBothFirewalled(c, m); });
            break;
        // Channels, chat commands, the channel list and invitations.
        case MessageType::PartChannel:
            Route<PartChannel>(payload, [&](auto& m) { c.channels.OnRemovedFromChannel(m); });
            break;
        case MessageType::ChannelMessage:
            Route<ChannelMessage>(payload, [&](auto& m) { c.channels.OnChannelMessage(m); });
            break;
        case MessageType::ChannelJoined:
            Route<ChannelJoined>(payload, [&](auto& m) { c.channels.OnChannelJoined(m); });
            break;
        case MessageType::ChannelUserJoined:
            Route<ChannelUserJoined>(payload, [&](auto& m) { c.channels.OnUserJoined(m); });
            break;
        case MessageType::ChannelUserLeft:
            Route<ChannelUserLeft>(payload, [&](auto& m) { c.channels.OnUserLeft(m); });
            break;
        case MessageType::ChannelUser:
            Route<ChannelUserEntry>(payload, [&](auto& m) { c.channels.OnUserEntry(m); });
            break;
        case MessageType::ChannelUsersEnd:
            Route<ChannelUsersEnd>(payload, [&](auto& m) { c.channels.OnUsersEnd(m); });
            break;
        case MessageType::ChannelTopic:
            Route<ChannelTopic>(payload, [&](auto& m) { c.channels.OnTopic(m); });
            break;
        case MessageType::ChannelEmote:
            Route<ChannelEmote>(payload, [&](auto& m) { c.channels.OnEmote(m); });
            break;
        case MessageType::OperatorMessage:
            Route<OperatorMessage>(payload, [&](auto& m) { c.channels.OnOperatorText("Opsay", "Admin", m.sender, m.text); });
            break;
        case MessageType::Announcement:
            Route<Announcement>(payload, [&](auto& m) { c.channels.OnOperatorText("Announcement", "Announcement", m.sender, m.text); });
            break;
        case MessageType::ChannelBanEntry:
            Route<ChannelBanEntry>(payload, [&](auto& m) { c.channels.OnChannelBanEntry(m); });
            break;
        case MessageType::ChannelBanList:
            c.channels.OnChannelBanListEnd();
            break;
        case MessageType::BanListEntry:
            c.channels.OnBanListEntry(payload);
            break;
        case MessageType::ChannelListEntry:
            Route<ChannelListEntry>(payload, [&](auto& m) { c.channels.list.AddEntry(m.channel, m.users, m.topic, 0); });
            break;
        case MessageType::FullChannelListEntry:
            Route<FullChannelListEntry>(payload, [&](auto& m) { c.channels.list.AddEntry(m.channel, m.users, m.topic, m.image); });
            break;
        case MessageType::ChannelInvitation:
            Route<Invitation>(payload, [&](auto& m) { chat::OnInvitation(c.channels, m); });
            break;
        // The hot list and users' information.
        case MessageType::HotListAdded:
            Route<HotListAdded>(payload, [&](auto& m) { OnHotListAdded(c, m); });
            break;
        case MessageType::HotListNoSuchUser:
            Route<HotListNoSuchUser>(payload, [&](auto& m) { OnHotListNoSuchUser(c, m); });
            break;
        case MessageType::HotListUserOnline:
            Route<HotListUserOnline>(payload, [&](auto& m) { OnHotListUserOnline(c, m); });
            break;
        case MessageType::HotListUserOffline:
            Route<HotListUserOffline>(payload, [&](auto& m) { OnHotListUserOffline(c, m); });
            break;
        case MessageType::UserInfoOnline:
            Route<UserInfoOnline>(payload, [&](auto& m) { c.userInfo.ShowOnline(m); });
            break;
        case MessageType::UserInfoOffline:
            Route<UserInfoOffline>(payload, [&](auto& m) { c.userInfo.ShowOffline(m); });
            break;
        // Private messages and the ignore list.
        case MessageType::PrivateMessage:
            Route<ReceivedPrivateMessage>(payload, [&](auto& m) { OnPrivateMessage(c, m); });
            break;
        case MessageType::IgnoreList:
            OnIgnoreListEnd(c);
            break;
        case MessageType::IgnoredUser:
            Route<IgnoredUserEntry>(payload, [&](auto& m) { OnIgnoredUserEntry(c, m); });
            break;
        case MessageType::IgnoreNoSuchUser:
            Route<IgnoreNoSuchUser>(payload, [&](auto& m) { OnIgnoreNoSuchUser(c, m); });
            break;
        case MessageType::IgnoreAlreadyIgnored:
            Route<IgnoreAlreadyIgnored>(payload, [&](auto& m) { OnIgnoreAlreadyIgnored(c, m); });
            break;
        case MessageType::LoginAccepted:
            break;  // a login acceptance outside a login changes nothing
        case MessageType::UpgradeOffer:
            OnUpgradeOffer(c, payload);
            break;
        case MessageType::DirectBrowse:
            Route<DirectBrowse>(payload, [&](auto& m) { browse::OnDirectBrowseRequest(c.browse, m); });
            break;
        case MessageType::DirectBrowseAccepted:
            Route<DirectBrowseAccepted>(payload, [&](auto& m) { browse::OnDirectBrowseAccepted(c.browse, m); });
            break;
        case MessageType::DirectBrowseFailed:
            Route<DirectBrowseFailed>(payload, [&](auto& m) { browse::OnDirectBrowseError(c.browse, m); });
            break;
        case MessageType::BrowseFile:
            Route<BrowseFile>(payload, [&](auto& m) { browse::OnBrowseLine(c.browse, m); });
            break;
        case MessageType::BrowseEnd:
            Route<BrowseEnd>(payload, [&](auto& m) { browse::OnBrowseEnd(c.browse, m); });
            break;
        default:
            break;  // nothing to do, or a type this client does not know
    }
}

}  // namespace tandril::session
