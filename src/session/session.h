#pragma once
// The session with the index server, above the parts it coordinates: logging in and registering,
// routing what the server sends, reconnecting, and what a disconnect or a refused password sets in
// motion. It owns nothing: the client (the composition root) hands it the parts.

#include <functional>
#include <vector>

#include "base/runtime.h"
#include "browse/browse.h"
#include "chat/channels.h"
#include "chat/chat_windows.h"
#include "chat/color_scheme.h"
#include "chat/hot_list.h"
#include "chat/ignore_list.h"
#include "chat/instant_messages.h"
#include "chat/user_info.h"
#include "library/library.h"
#include "link/server_link.h"
#include "playlist/player_panel.h"
#include "search/search_session.h"
#include "transfer/transfers.h"
#include "upgrade/upgrade_worker.h"

namespace tandril::session {

struct Session {
    Runtime& rt;
    link::ServerLink& link;
    chat::ColorSchemes& schemes;
    chat::ChatWindows& chat;
    chat::Channels& channels;
    library::Library& library;
    transfer::Transfers& transfers;
    search::SearchSession& search;
    playlist::PlayerPanel& panel;
    chat::HotList& hotList;
    chat::UserInfoWindows& userInfo;
    chat::InstantMessages& instantMessages;
    chat::IgnoreList& ignoreList;
    browse::Browse& browse;
    // The ports offered to the server's reachability test, in order.
    std::vector<int> dataPortCandidates;
    // How this client upgrades itself when the server offers a newer one.
    upgrade::UpgradeSetup upgrade = upgrade::DefaultUpgradeSetup();
};

// Opens the connecting dialog and runs `worker` on a thread of its own.
void RunConnectingDialog(Session& session, std::function<void(Session&)> worker);

// Online after a login: notifications armed, files announced, status bar, waiting transfers, and
// the channel list or the stored channels. Closes the connecting dialog.
void GoOnline(Session& session);

}  // namespace tandril::session
