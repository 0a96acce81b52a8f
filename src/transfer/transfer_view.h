#pragma once
// The rows of the transfer page's two lists (downloads above, uploads below), kept in the core so
// that any thread may rewrite a cell; the page redraws from a snapshot when `changed` fires.

#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tandril::transfer {

// "Nom     ", "File Size", "User", "Status", "Vitesse", "Progress", "Rate", "Time Left".
inline constexpr int kTransferColumns = 8;
enum TransferColumn { kNameColumn, kSizeColumn, kUserColumn, kStatusColumn, kSpeedColumn, kProgressColumn, kRateColumn, kTimeLeftColumn };

struct TransferRow {
    std::uint32_t rowId = 0;
    std::array<std::string, kTransferColumns> cells;
    // Drawn as a bar in the progress column while the transfer runs; -1 draws nothing.
    int percent = -1;
};

class TransferView : public QObject {
    Q_OBJECT
public:
    // Index -1 appends.
    void Insert(bool outbound, int index, TransferRow row);
    void Remove(bool outbound, std::uint32_t rowId);
    // Runs `edit` on the row's cells; false (and nothing runs) when the row is gone.
    bool Edit(bool outbound, std::uint32_t rowId, const std::function<void(TransferRow&)>& edit);
    std::vector<TransferRow> Rows(bool outbound) const;

    // The two information lines under the lists.
    void SetInfo(const std::string& inbound, const std::string& outbound);
    std::pair<std::string, std::string> Info() const;
    // The sources of the downloads being resumed changed (called with no list lock held).
    void NotifySourcesChanged() { Q_EMIT sourcesChanged(); }

Q_SIGNALS:
    void changed(bool outbound);
    void infoChanged();
    void sourcesChanged();

private:
    mutable std::mutex lock_;
    std::array<std::vector<TransferRow>, 2> rows_;
    std::pair<std::string, std::string> info_;
};

}  // namespace tandril::transfer
