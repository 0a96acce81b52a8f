#pragma once
// Browsing another user's files. A browse first asks for a direct exchange with the user (640):
// this side connects and asks "GETLIST" (641), or the user connects back and sends "SENDLIST". When
// that does not succeed within 20 seconds, or the server says it cannot (642), the server's copy of
// the list is asked for instead (211, answered by 212 lines and 213). The first whole list that
// arrives for the browsed user fills the browse view; anything for another user is dropped.
//
// The browse lock guards the browsed user, the flags and the server's lines; it is a list lock
// (base/lock_order.h): no network I/O and no question under it. The browse timer lives on the GUI
// thread, as do the handlers of the server's messages.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/runtime.h"
#include "browse/browse_view.h"
#include "protocol/browse_messages.h"
#include "protocol/frame_sender.h"

namespace tandril::chat {
class HotList;
}
namespace tandril::library {
struct Library;
}
namespace tandril::transfer {
struct Transfers;
}

namespace tandril::browse {

inline constexpr std::chrono::milliseconds kBrowseWait{20000};
inline constexpr std::chrono::milliseconds kBrowsePingLimit{1000};
// A list that runs on past this many files is cut there: a peer cannot make this side hold an
// endless list.
inline constexpr std::size_t kMaxBrowseRecords = 250000;

class Browse : public QObject {
    Q_OBJECT
public:
    Browse(Runtime& runtime, protocol::FrameSender& server, library::Library& library, transfer::Transfers& transfers,
           chat::HotList& hotList);
    ~Browse() override;

    Runtime& rt;
    protocol::FrameSender& server;
    library::Library& library;
    transfer::Transfers& transfers;
    chat::HotList& hotList;
    BrowseView view;
    // The round-trip time to an address (the server's byte order) within the limit, in ms; -1 when
    // none came. The ICMP echo of the result pings unless a test puts something else here.
    std::function<int(std::uint32_t address, std::chrono::milliseconds limit)> ping;

    std::string BrowsedUser() const;
    // A direct browse was asked for and has not fallen back to the server.
    bool Pending() const;
    // The browse timer runs.
    bool TimerActive() const { return timer_.isActive(); }

    // The steps below hold the browse lock themselves; none may be called with it held.

    // Starts a browse of `nick` (GUI thread): everything of the previous one is dropped.
    void Start(const std::string& nick);
    // The timer ran out (`fromTimer`), or the server cannot arrange a direct browse (642, which
    // counts only while the direct browse is pending): the server's list is asked for (211).
    void FallBackToServer(bool fromTimer);
    // The direct browse was accepted: the timer stops, the pending flag stays.
    void StopTimer();
    // True when lines of `nick` belong to the browse now and no list finished it yet.
    bool Wants(const std::string& nick) const;
    // A direct list for `nick` began to arrive: the timer no longer falls back.
    bool BeginDirectList(const std::string& nick);
    // One 212 line.
    void AddServerRecord(const std::string& nick, const BrowseRecord& record);
    // The server's list ended (213): its lines, when they are for the browsed user.
    std::optional<std::vector<BrowseRecord>> TakeServerRecords(const std::string& nick);
    // Shows `text` in the view when `nick` is still the browsed user.
    void ShowStatusFor(const std::string& nick, const std::string& text);
    // Marks the browse of `nick` finished; false when it is not the browsed user or a list already
    // finished it.
    bool Finish(const std::string& nick);

    // ListSender's bound: at most MaxUploads (as it is at the first list sent) at once. Waits for a
    // place, giving up only when the client ends (false).
    bool EnterListSender();
    void LeaveListSender();

private:
    void OnTimeout();

    mutable std::mutex lock_;  // the browse lock
    std::string browsed_;
    bool pending_ = false;
    bool receivingDirect_ = false;
    bool finished_ = false;
    std::vector<BrowseRecord> serverRecords_;
    QTimer timer_;

    std::mutex sendersLock_;
    std::condition_variable sendersFree_;
    int senderPlaces_ = -1;  // -1: not set up yet
};

// ViewFiles (GUI thread): empties the view with "Populating list for user: %s ...", starts the
// timer and the pending flag, sends 640, and brings the hot-list page forward with the user.
void ViewFiles(Browse& b, const std::string& nick);
// 642: falls back to the server when the direct browse is still pending.
void OnDirectBrowseError(Browse& b, const protocol::DirectBrowseFailed& m);
// 641: the browsed user waits for this side at an address: GetListWorker connects.
void OnDirectBrowseAccepted(Browse& b, const protocol::DirectBrowseAccepted& m);
// 640 from the server: someone wants this side's list. With the requester's address this side
// connects and pushes it (PushListWorker); without, it accepts (641) and waits for "GETLIST".
void OnDirectBrowseRequest(Browse& b, const protocol::DirectBrowse& m);
// 212 and 213.
void OnBrowseLine(Browse& b, const protocol::BrowseFile& m);
void OnBrowseEnd(Browse& b, const protocol::BrowseEnd& m);
// The browse of `nick` is complete with these records: the view shows them (or "No Files
// Shared."), and the information line follows once the ping to `address` (server byte order; 0
// for none) is measured on a worker.
void BrowseFinished(Browse& b, const std::string& nick, std::uint32_t address, std::vector<BrowseRecord> records);

}  // namespace tandril::browse
