#pragma once
// One file transfer in either direction: its state, the texts its row shows, and how its rate
// and time left are measured from the last ten progress samples.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tandril::transfer {

enum class TransferState : std::uint32_t {
    Error = 0,
    Connecting = 1,
    Transferring = 2,
    Complete = 3,
    Resuming = 4,
    Cancelled = 5,
    Queued = 6,
    RemotelyQueued = 7,
};

// What to do with a local file that exists already when a download starts.
enum class ExistingFileAction : std::uint32_t { Overwrite = 0, Append = 1, NewName = 2, Undecided = 4 };

struct TransferRecord {
    TransferRecord(bool outbound, std::string nick, std::string remoteName, std::string checksum, std::uint32_t fileSize,
                   std::uint32_t peerAddress, std::uint32_t peerPort, std::uint32_t rowId, std::int64_t now);

    std::string remoteName;  // at most 349 characters; with nick, the key of the transfer
    std::string localPath;   // at most 349
    std::string nick;        // at most 19
    std::string checksum;    // at most 49
    std::uint32_t fileSize = 0;
    std::int32_t pingMs = 9999;
    std::uint32_t rowId = 0;
    std::int64_t startTime = 0, requestTime = 0, lastUpdate = 0;
    TransferState state = TransferState::Connecting;
    ExistingFileAction existingFileAction = ExistingFileAction::Undecided;
    std::uint32_t idleUpdates = 0;
    bool attached = false;
    bool timedOut = false;
    std::uint32_t startOffset = 0;
    std::uint32_t peerAddress = 0;
    std::uint32_t peerPort = 0;  // 0: the peer is firewalled
    std::uint32_t sampleCount = 0;
    std::array<std::int64_t, 10> sampleTime{};
    std::array<std::uint32_t, 10> sampleBytes{};
    std::uint32_t stopRequest = 0;  // 1 cancel, 2 remove
    std::uint32_t peerLineSpeed = 0;
    bool outbound = false;
    bool streaming = false;
    // Both sides were firewalled and the user set a data port: asked for again once it listens.
    bool firewallConflict = false;
    std::uint32_t position = 0;
    // A resuming download's alternative sources and the one being tried.
    std::vector<std::unique_ptr<TransferRecord>> sources;
    TransferRecord* currentSource = nullptr;
    // A resume search (215) was sent for it and its end (217) has not come yet.
    bool awaitingSources = false;
};

// Error, Complete and Cancelled.
bool IsTransferFinished(const TransferRecord& record);
// The text of the status column for `state` (the record still holds its previous state).
std::string TransferStatusText(const TransferRecord& record, TransferState state, bool outbound);

// Records `position` at second `now`; a second sample in the same second overwrites the first.
void AddRateSample(TransferRecord& record, std::int64_t now);
// Kilobytes (1000 bytes) per second over the samples; 0 with fewer than two.
double TransferRate(const TransferRecord& record);
// "hh:mm:ss" with at least two digits each.
std::string TimeLeftText(std::int64_t seconds);

}  // namespace tandril::transfer
