// Every decoder of the message layer over the same bytes: none may crash, and whatever decodes
// encodes again into something that decodes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/wire_text.h"
#include "protocol/browse_messages.h"
#include "protocol/chat_messages.h"
#include "protocol/hot_list_messages.h"
#include "protocol/ignore_messages.h"
#include "protocol/peer_messages.h"
#include "protocol/private_messages.h"
#include "protocol/resume_messages.h"
#include "protocol/server_messages.h"
#include "protocol/upgrade_messages.h"
#include "protocol/user_info_messages.h"

namespace {

using namespace tandril::protocol;

template <typename... Messages>
void DecodeAs(const std::string& payload) {
    (
        [&] {
            if (auto m = Messages::Decode(payload)) (void)Messages::Decode(m->Encode());
        }(),
        ...);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string wire(reinterpret_cast<const char*>(data), size);
    const std::string payload = tandril::FromWireText(wire);
    DecodeAs<ErrorText, Login, VersionCheck, Register, AccountCheck, PersonalData, DataPortCandidates, ShareFile, ShareFolder,
             SearchRequest, SearchResult, DownloadRequest, PushRequest, UploadAccepted, DownloadAddress, PushAsked, DownloadFailed,
             TransferFailed, UploadRequest, UploadLimitReached, RemoteQueueFull, LineSpeedQuery, UserLineSpeed, PeerUnreachable,
             ServerStatistics, ImposedDataPort, ImposedLineSpeed, OutboundProbe, InboundProbe, HotListAdd, UserInfoRequest, BothFirewalled,
             UpgradeOffer>(payload);
    DecodeAs<JoinChannel, PartChannel, ChannelJoined, ChannelUsersEnd, PublicMessage, ChannelMessage, ChannelUserJoined, ChannelUserLeft,
             ChannelUserEntry, ChannelTopic, EmoteRequest, ChannelEmote, PrivateMessage, KillUser, KickFromChannel, SetUserPassword,
             ServerPingRequest, OperatorMessage, Announcement, ChannelBanEntry, ChannelListEntry, FullChannelListEntry, InvitationRequest,
             Invitation, InvitationAccepted>(payload);
    DecodeAs<HotListRegister, HotListRemove, HotListAdded, HotListNoSuchUser, HotListUserOnline, HotListUserOffline, UserInfoOnline,
             UserInfoOffline>(payload);
    DecodeAs<ReceivedPrivateMessage, IgnoredUserEntry, IgnoreRequest, UnignoreRequest, IgnoreNoSuchUser, IgnoreAlreadyIgnored,
             IgnoreListRequest, IgnoreListEnd, IgnoreClearRequest>(payload);
    DecodeAs<FindSources, SourceFound, SourcesEnd>(payload);
    DecodeAs<DirectBrowse, DirectBrowseAccepted, DirectBrowseFailed, BrowseThroughServer, BrowseFile, BrowseEnd>(payload);
    (void)ParseListShareLine(wire);
    (void)ListNick(wire);
    ListLineSplitter splitter;
    splitter.Feed(wire, [](std::string) { return true; });
    (void)ParsePeerCommand(wire);
    (void)FileRequest::Decode(wire);
    (void)PushHeader::Decode(wire);
    (void)ParseSizeReply(wire);
    return 0;
}
