#pragma once
// What this client knows of the ignore list the server keeps: the users ignored during this run
// through the menus (`IgnoredUsers`, so that buttons can offer the opposite action; never
// stored), and the rows of the ignore-list dialog while it is open. The server's list is the
// authority; nothing is filtered here.

#include <QObject>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tandril::chat {

inline constexpr const char* kPopulatingRow = "Populating list...";
inline constexpr const char* kEmptyListRow = "Ignore list is empty!";

class IgnoreList : public QObject {
    Q_OBJECT
public:
    // ---- IgnoredUsers (any thread) ----
    bool IsIgnored(const std::string& user) const;
    void Remember(const std::string& user);
    void Forget(const std::string& user);

    // ---- The dialog's rows (GUI thread) ----
    bool DialogOpen() const { return open_; }
    // Opened: the single row "Populating list...".
    void OpenDialog();
    void CloseDialog();
    // A name for the list (a 321 entry, or one just ignored): nothing while the dialog is closed
    // or for an empty name; the placeholder row goes; a name already there (any letter case) is
    // not added twice.
    void AddRow(const std::string& user);
    void RemoveRow(const std::string& user);
    void ClearRows();
    // The server's list ended: when nothing came, the placeholder says the list is empty.
    void OnListEnd();
    const std::vector<std::string>& Rows() const { return rows_; }

Q_SIGNALS:
    void rowsChanged();

private:
    mutable std::mutex lock_;  // guards ignored_
    std::set<std::string> ignored_;
    bool open_ = false;
    std::vector<std::string> rows_;
};

}  // namespace tandril::chat
