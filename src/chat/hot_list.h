#pragma once
// The hot list: the user's favourite users, kept in notify.dat (one name a line) and shown on the
// hot-list page in two lists, "Online" and "Offline", as the server reports them signing on and
// off. Names compare without regard to case. The list and the page's rows are guarded by one
// mutex; every method may be called from any thread, and `changed` tells the skin to redraw.
// Nothing here talks to the server: the session sends 207, 208 and 303 around these calls.

#include <QObject>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chat/chat_view.h"
#include "chat/color_scheme.h"

namespace tandril::chat {

inline constexpr const char* kHotListFile = "notify.dat";
inline constexpr const char* kHotListScratchFile = "notify.tmp";
inline constexpr std::size_t kHotListNameWidth = 19;

// The names of notify.dat in file order: each line ends at its first line end or NUL, is trimmed
// of blanks and cut to 19 characters; blank lines, names with a blank or a control character
// inside, and repeats (any case) are skipped. A missing or unreadable file reads as no names.
std::vector<std::string> ReadHotListFile(const std::filesystem::path& folder);
// Appends "name\n" in one write (after a line end when the file lacks its last one). False when
// the file cannot be opened or written.
bool AppendHotListFile(const std::filesystem::path& folder, std::string_view name);
// Rewrites the file with `names`, through a scratch file renamed over it.
bool WriteHotListFile(const std::filesystem::path& folder, const std::vector<std::string>& names);

// The row image of a line-speed index: 2 below 4, 1 from 4 to 6, 0 from 7; none (-1) when the
// speed is negative.
int HotListSpeedImage(int lineSpeed);

struct HotListRow {
    std::string name;
    int image = -1;  // -1: no image
};

class HotList : public QObject {
    Q_OBJECT
public:
    explicit HotList(ColorSchemes& schemes);

    // Reads notify.dat from `folder` (what was listed before is replaced), every user offline.
    void Load(const std::filesystem::path& folder);
    // The listed names, in list order.
    std::vector<std::string> Names() const;
    bool Contains(std::string_view user) const;
    bool IsOnline(std::string_view user) const;

    // 301: the server took the user. The name is appended to notify.dat and listed offline; when
    // the file cannot be written nothing changes (false). A name already listed is not listed twice.
    bool Add(const std::filesystem::path& folder, const std::string& user);
    // 209: a listed user signed on (unlisted names are ignored); a user already online keeps one row.
    void ShowOnline(std::string_view user, int lineSpeed);
    // 210: a listed user signed off.
    void ShowOffline(std::string_view user);
    // The connection is gone: no one is online any more.
    void ShowAllOffline();
    // Removes the users (any case) and rewrites notify.dat with the others in list order. Returns
    // the names removed, as listed. False in `written` when the file could not be rewritten.
    std::vector<std::string> Remove(const std::filesystem::path& folder, const std::vector<std::string>& users, bool* written = nullptr);

    // The page's two lists.
    std::vector<HotListRow> OnlineRows() const;
    std::vector<HotListRow> OfflineRows() const;

    // The page's user-name field: the user whose files the browser shows (read by the user prompts).
    std::string UserField() const;
    void SetUserField(const std::string& user);
    // The one-line information view (item "Hot List Info"); GUI thread.
    ChatView& InfoView() { return info_; }
    // Fills the information line; with a user, the user-name field is set too. GUI thread.
    void ShowInfo(const std::string& files, const std::string& megabytes, const std::string& ping, const std::string& user = {});

Q_SIGNALS:
    // The lists or the user-name field changed.
    void changed();
    // The user whose files were shown went offline or was removed: the browser empties.
    void browserCleared();

private:
    struct Entry {
        std::string name;
        bool online = false;
    };
    // These take the lock they need held.
    Entry* Find(const std::lock_guard<std::mutex>& held, std::string_view user);
    void MarkOffline(const std::lock_guard<std::mutex>& held, Entry& entry, bool& clearBrowser);

    ColorSchemes& schemes_;
    mutable std::mutex lock_;
    std::vector<Entry> entries_;
    std::vector<HotListRow> online_;
    std::vector<HotListRow> offline_;
    std::string userField_;
    ChatView info_;
};

}  // namespace tandril::chat
