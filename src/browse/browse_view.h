#pragma once
// What the file browser of the "&Favoris" page shows: the browsed user's files, or one status text
// in their place ("Populating list for user: ...", "No Files Shared.", a failure). Kept in the core
// so that the skin and the tests read the same thing. Changes come from any thread; the rows are
// handed over whole, as one shared block, so that a list of a hundred thousand files reaches the
// view in one step and is never copied.

#include <QObject>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/server_messages.h"

namespace tandril::browse {

// One file of the browsed user, as its share line gave it.
using BrowseRecord = protocol::SharedEntry;
using BrowseRecords = std::shared_ptr<const std::vector<BrowseRecord>>;

// The texts of a row, in the form of the library view's rows.
std::string BrowseSizeText(const BrowseRecord& r);    // digits grouped with ','
std::string BrowseValueText(std::int32_t value);      // "DRM" for -1
std::string BrowseLengthText(const BrowseRecord& r);  // "m:ss", or "DRM"

class BrowseView : public QObject {
    Q_OBJECT
public:
    // Empties the view and shows `text` alone.
    void ShowStatus(const std::string& text);
    // Shows the records (the status goes).
    void ShowRecords(BrowseRecords records);
    void Clear() { ShowStatus({}); }

    std::string Status() const;
    // Never null.
    BrowseRecords Records() const;

Q_SIGNALS:
    // Any change; the receiver reads Status() and Records() again.
    void changed();

private:
    mutable std::mutex lock_;
    std::string status_;
    BrowseRecords records_ = std::make_shared<const std::vector<BrowseRecord>>();
};

}  // namespace tandril::browse
