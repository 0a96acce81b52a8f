#include "transfer/streaming.h"

#include <sys/socket.h>

#include <chrono>
#include <vector>

#include "base/text.h"
#include "platform/socket.h"
#include "player/engine_codes.h"
#include "player/player.h"
#include "player/stream_decoder.h"
#include "transfer/download_queue.h"
#include "transfer/transfers.h"

namespace tandril::transfer {

using namespace std::chrono_literals;

void Streams::Add(std::uint32_t rowId, std::shared_ptr<player::StreamDecoder> decoder, int socket) {
    std::scoped_lock lock(lock_);
    playing_[rowId] = {std::move(decoder), socket};
}

void Streams::Remove(std::uint32_t rowId) {
    std::scoped_lock lock(lock_);
    playing_.erase(rowId);
}

void Streams::Stop(std::uint32_t rowId) {
    std::shared_ptr<player::StreamDecoder> decoder;
    {
        std::scoped_lock lock(lock_);
        auto it = playing_.find(rowId);
        if (it == playing_.end()) return;
        decoder = it->second.decoder;
        // The worker removes its entry before it closes the socket: the descriptor is still its own.
        ::shutdown(it->second.socket, SHUT_RDWR);
    }
    decoder->Stop();
}

namespace {

constexpr std::size_t kStreamBlock = 4096;
// How often a wait for the peer looks at a cancel, a delete and the client's exit.
constexpr auto kStopCheck = 250ms;

enum class ReadEnd { kData, kEnded, kStopAsked };

std::uint32_t StopRequestOf(Transfers& c, TransferRecord& r) {
    ListLock lock = c.lists.Take(false);
    return r.stopRequest;
}

// Up to one block. A peer silent for the download's data wait counts as gone: a stalled uploader
// never holds the stream (or the client's exit) for longer.
ReadEnd ReadBlock(Transfers& c, TransferRecord& r, int fd, std::vector<std::byte>& block, std::size_t& count) {
    const auto giveUp = std::chrono::steady_clock::now() + c.rt.Scaled(20s);
    for (;;) {
        if (c.rt.state.quitting || StopRequestOf(c, r) != 0) return ReadEnd::kStopAsked;
        const platform::WaitResult ready = platform::WaitReadable(fd, kStopCheck);
        if (ready == platform::WaitResult::Failed) return ReadEnd::kEnded;
        if (ready == platform::WaitResult::TimedOut) {
            if (std::chrono::steady_clock::now() >= giveUp) return ReadEnd::kEnded;
            continue;
        }
        const ssize_t n = ::recv(fd, block.data(), block.size(), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return StopRequestOf(c, r) != 0 ? ReadEnd::kStopAsked : ReadEnd::kEnded;
        count = static_cast<std::size_t>(n);
        return ReadEnd::kData;
    }
}

// Takes the row's stream out of the registry for as long as the worker holds it.
struct Registration {
    Streams& streams;
    std::uint32_t rowId;
    ~Registration() { streams.Remove(rowId); }
};

}  // namespace

void StreamToPlayer(Transfers& c, TransferRecord& r, int fd) {
    std::uint32_t rowId = 0, fileSize = 0, position = 0;
    {
        ListLock lock = c.lists.Take(false);
        rowId = r.rowId;
        fileSize = r.fileSize;
        position = r.position;
    }
    // A stream that cannot begin leaves its record Connecting: the unanswered-request sweep ends it.
    std::string error;
    player::Player* player = c.streams.Player();
    std::shared_ptr<player::StreamDecoder> decoder;
    if (player) decoder = player->CreateStreamDecoder(error);
    if (!decoder) {
        c.rt.ui.ShowAlert(AlertKind::Modeless, "Unable to stream file!");
        SetTransferStateUnlocked(c, r, TransferState::Connecting);
        return;
    }
    if (const int code = decoder->Start(); code != player::kEngineOk) {
        decoder->Stop();
        c.rt.ui.ShowAlert(AlertKind::Modeless, "Failed to stream specified file!");
        SetTransferStateUnlocked(c, r, TransferState::Connecting);
        return;
    }
    c.streams.Add(rowId, decoder, fd);
    Registration registration{c.streams, rowId};

    std::vector<std::byte> block(kStreamBlock);
    TransferState end = TransferState::Error;
    bool remove = false;
    std::string engineError;
    for (;;) {
        std::size_t count = 0;
        const ReadEnd read = ReadBlock(c, r, fd, block, count);
        const std::uint32_t stop = read == ReadEnd::kStopAsked ? StopRequestOf(c, r) : 0;
        if (stop == 1) {
            end = TransferState::Cancelled;
            break;
        }
        if (stop == 2) {
            remove = true;
            break;
        }
        if (read != ReadEnd::kData) break;  // the peer closed, stalled, or the client quits
        // Bytes beyond the file's size are not the file's.
        const std::size_t keep = std::min<std::size_t>(count, fileSize - position);
        position += static_cast<std::uint32_t>(keep);
        {
            ListLock lock = c.lists.Take(false);
            r.position = position;
        }
        const int code = decoder->FeedAndDecode(std::span(block.data(), keep));
        if (code != player::kNeedMoreData && code != player::kEngineOk) {
            const std::uint32_t asked = StopRequestOf(c, r);
            if (asked == 2) {
                remove = true;
            } else if (asked == 1 || code == player::kEngineStopped) {
                // Cancelled, or the player was stopped or given another track: the stream is over.
                end = TransferState::Cancelled;
            } else {
                engineError = player::EngineErrorText(code);
            }
            break;
        }
        if (position >= fileSize) break;
    }
    if (end != TransferState::Cancelled && !remove && engineError.empty() && position >= fileSize) {
        end = TransferState::Complete;
        decoder->Finish();  // what was decoded plays out
    } else {
        decoder->Stop();
    }
    if (!engineError.empty())
        c.rt.ui.ShowAlert(AlertKind::Modeless, Format(600, "Unable to stream specified file: %s", engineError.c_str()));
    {
        ListLock lock = c.lists.Take(false);
        if (remove) {
            RemoveTransfer(c, lock, r);
        } else {
            SetTransferState(c, lock, r, end);
        }
    }
    StartNextQueuedDownload(c);
}

}  // namespace tandril::transfer
