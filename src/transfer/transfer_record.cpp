#include "transfer/transfer_record.h"

#include "base/text.h"

namespace tandril::transfer {

TransferRecord::TransferRecord(bool outbound, std::string nick, std::string remoteName, std::string checksum, std::uint32_t fileSize,
                               std::uint32_t peerAddress, std::uint32_t peerPort, std::uint32_t rowId, std::int64_t now)
    : remoteName(CutText(remoteName, 349)),
      nick(CutText(nick, 19)),
      checksum(CutText(checksum, 49)),
      fileSize(fileSize),
      rowId(rowId),
      requestTime(now),
      peerAddress(peerAddress),
      peerPort(peerPort),
      outbound(outbound) {}

bool IsTransferFinished(const TransferRecord& r) {
    return r.state == TransferState::Error || r.state == TransferState::Complete || r.state == TransferState::Cancelled;
}

std::string TransferStatusText(const TransferRecord& r, TransferState state, bool outbound) {
    if (state == TransferState::Error && r.state == TransferState::Resuming && r.sources.empty()) return "Indisponible";
    if (state == TransferState::Error && r.timedOut) return "Timed out!";
    if (state == TransferState::Connecting && outbound) return "Attente...";
    if (state == TransferState::Transferring && outbound) return "Trans. en cours";
    if (state == TransferState::Transferring && r.streaming) return "Streaming...";
    static const char* const kTexts[] = {"Erreur Transf.!", "Connexion....", "Téléchargement", "File Complete!",
                                         "Resuming...",     "Annulé ! ",     "Queued...",      "Remotely Queued..."};
    const auto code = static_cast<std::uint32_t>(state);
    return code < std::size(kTexts) ? kTexts[code] : "Connexion....";
}

void AddRateSample(TransferRecord& r, std::int64_t now) {
    if (r.sampleCount > 0 && r.sampleTime[r.sampleCount - 1] == now) {
        r.sampleBytes[r.sampleCount - 1] = r.position;
        return;
    }
    if (r.sampleCount == r.sampleTime.size()) {
        std::move(r.sampleTime.begin() + 1, r.sampleTime.end(), r.sampleTime.begin());
        std::move(r.sampleBytes.begin() + 1, r.sampleBytes.end(), r.sampleBytes.begin());
        r.sampleCount -= 1;
    }
    r.sampleTime[r.sampleCount] = now;
    r.sampleBytes[r.sampleCount] = r.position;
    r.sampleCount += 1;
}

double TransferRate(const TransferRecord& r) {
    if (r.sampleCount < 2) return 0;
    const std::size_t last = r.sampleCount - 1;
    const double bytes = static_cast<double>(r.sampleBytes[last]) - static_cast<double>(r.sampleBytes[0]);
    const double seconds = static_cast<double>(r.sampleTime[last] - r.sampleTime[0]);
    return seconds > 0 ? bytes * 0.001 / seconds : 0;
}

std::string TimeLeftText(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    return Format(64, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
}

}  // namespace tandril::transfer
