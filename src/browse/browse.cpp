#include "browse/browse.h"

#include "base/text.h"
#include "chat/hot_list.h"
#include "library/library.h"
#include "search/icmp_ping.h"
#include "transfer/transfers.h"

namespace tandril::browse {

Browse::Browse(Runtime& runtime, protocol::FrameSender& serverLink, library::Library& lib, transfer::Transfers& transferPart,
               chat::HotList& hot)
    : rt(runtime),
      server(serverLink),
      library(lib),
      transfers(transferPart),
      hotList(hot),
      ping([](std::uint32_t address, std::chrono::milliseconds limit) { return search::PingHost(address, limit); }) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Browse::OnTimeout);
}

Browse::~Browse() = default;

std::string Browse::BrowsedUser() const {
    std::scoped_lock held(lock_);
    return browsed_;
}

bool Browse::Pending() const {
    std::scoped_lock held(lock_);
    return pending_;
}

void Browse::Start(const std::string& nick) {
    {
        std::scoped_lock held(lock_);
        browsed_ = CutText(nick, protocol::kNickWidth);
        pending_ = true;
        receivingDirect_ = false;
        finished_ = false;
        serverRecords_.clear();
    }
    timer_.start(rt.Scaled(kBrowseWait));
}

void Browse::OnTimeout() {
    FallBackToServer(true);
}

void Browse::FallBackToServer(bool fromTimer) {
    std::string nick;
    {
        std::scoped_lock held(lock_);
        // A list that arrives or arrived directly is not thrown away for the server's.
        if (finished_ || receivingDirect_ || browsed_.empty()) return;
        if (!fromTimer && !pending_) return;
        pending_ = false;
        nick = browsed_;
    }
    timer_.stop();
    if (fromTimer) view.ShowStatus("Direct browse failed. Requesting from server...");
    protocol::Send(server, protocol::BrowseThroughServer{nick});
}

void Browse::StopTimer() {
    timer_.stop();
}

bool Browse::Wants(const std::string& nick) const {
    std::scoped_lock held(lock_);
    return !finished_ && !browsed_.empty() && EqualsNoCase(nick, browsed_);
}

bool Browse::BeginDirectList(const std::string& nick) {
    std::scoped_lock held(lock_);
    if (finished_ || browsed_.empty() || !EqualsNoCase(nick, browsed_)) return false;
    receivingDirect_ = true;
    return true;
}

void Browse::AddServerRecord(const std::string& nick, const BrowseRecord& record) {
    std::scoped_lock held(lock_);
    if (finished_ || browsed_.empty() || !EqualsNoCase(nick, browsed_)) return;
    if (serverRecords_.size() < kMaxBrowseRecords) serverRecords_.push_back(record);
}

std::optional<std::vector<BrowseRecord>> Browse::TakeServerRecords(const std::string& nick) {
    std::scoped_lock held(lock_);
    if (finished_ || browsed_.empty() || !EqualsNoCase(nick, browsed_)) return std::nullopt;
    return std::exchange(serverRecords_, {});
}

void Browse::ShowStatusFor(const std::string& nick, const std::string& text) {
    {
        std::scoped_lock held(lock_);
        if (finished_ || !EqualsNoCase(nick, browsed_)) return;
    }
    view.ShowStatus(text);
}

bool Browse::Finish(const std::string& nick) {
    std::scoped_lock held(lock_);
    if (finished_ || browsed_.empty() || !EqualsNoCase(nick, browsed_)) return false;
    finished_ = true;
    return true;
}

bool Browse::EnterListSender() {
    std::unique_lock held(sendersLock_);
    if (senderPlaces_ < 0) senderPlaces_ = std::max(1, rt.state.settings().maxUploads);
    while (senderPlaces_ == 0) {
        if (rt.state.quitting) return false;
        // Woken by a sender that ends; the step lets a quitting client go.
        sendersFree_.wait_for(held, std::chrono::seconds(1));
    }
    --senderPlaces_;
    return true;
}

void Browse::LeaveListSender() {
    {
        std::scoped_lock held(sendersLock_);
        ++senderPlaces_;
    }
    sendersFree_.notify_one();
}

void ViewFiles(Browse& b, const std::string& rawNick) {
    const std::string nick = CutText(Trim(rawNick), protocol::kNickWidth);
    if (nick.empty()) return;
    b.view.ShowStatus(Format(128, "Populating list for user: %s ...", nick.c_str()));
    b.Start(nick);
    protocol::Send(b.server, protocol::DirectBrowse{nick, std::nullopt, std::nullopt});
    b.rt.main.ShowPage(MainViewModel::HotListPage);
    b.hotList.SetUserField(nick);
    b.hotList.ShowInfo("", "0", "N/A");
}

void OnDirectBrowseError(Browse& b, const protocol::DirectBrowseFailed& m) {
    if (!EqualsNoCase(m.user, b.BrowsedUser())) return;
    b.FallBackToServer(false);
}

void OnBrowseLine(Browse& b, const protocol::BrowseFile& m) {
    b.AddServerRecord(m.user, m.file);
}

void OnBrowseEnd(Browse& b, const protocol::BrowseEnd& m) {
    if (auto records = b.TakeServerRecords(m.user)) BrowseFinished(b, m.user, m.address, std::move(*records));
}

void BrowseFinished(Browse& b, const std::string& nick, std::uint32_t address, std::vector<BrowseRecord> records) {
    if (!b.Finish(nick)) return;
    // The timer is the GUI thread's; a list that came directly stops it there.
    b.rt.PostToGui([&b] { b.StopTimer(); });
    std::uint64_t bytes = 0;
    for (const BrowseRecord& r : records) bytes += r.size;
    const std::size_t count = records.size();
    if (count == 0) {
        b.view.ShowStatus("No Files Shared.");
    } else {
        b.view.ShowRecords(std::make_shared<const std::vector<BrowseRecord>>(std::move(records)));
    }
    const std::string user = nick;
    auto show = [&b, user](std::string files, std::string megabytes, std::string ping) {
        b.rt.PostToGui([&b, user, files, megabytes, ping] { b.hotList.ShowInfo(files, megabytes, ping, user); });
    };
    if (count == 0) return show("0", "0", "N/A");
    std::string files = GroupThousands(std::to_string(count));
    std::string megabytes = GroupThousands(std::to_string(bytes / 1048576));
    // The echo may take a second: never on the GUI thread, nor holding up the list's connection.
    b.rt.StartWorker([&b, address, show, files, megabytes] {
        const int ms = address == 0 ? -1 : b.ping(address, kBrowsePingLimit);
        show(files, megabytes, ms < 0 ? "N/A" : std::to_string(ms));
    });
}

}  // namespace tandril::browse
