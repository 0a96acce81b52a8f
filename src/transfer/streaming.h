#pragma once
// Streaming: a download whose bytes go to the built-in player as they arrive, and no file is kept.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace tandril::player {
class Player;
class StreamDecoder;
}  // namespace tandril::player

namespace tandril::transfer {

struct Transfers;
struct TransferRecord;

// The player that streams play in, and the streams that play now, by row: a cancel or a delete
// silences its stream at once and wakes its worker, whatever it was waiting for.
class Streams {
public:
    // Set by the client before any download starts; nullptr: streams cannot play.
    void SetPlayer(player::Player* player) { player_ = player; }
    player::Player* Player() const { return player_; }

    void Add(std::uint32_t rowId, std::shared_ptr<player::StreamDecoder> decoder, int socket);
    void Remove(std::uint32_t rowId);
    // Silences the row's stream, if one plays, and shuts its connection so that a wait on the
    // peer returns. Any thread; no list lock held.
    void Stop(std::uint32_t rowId);

private:
    struct Entry {
        std::shared_ptr<player::StreamDecoder> decoder;
        int socket = -1;
    };
    std::atomic<player::Player*> player_{nullptr};
    std::mutex lock_;  // a leaf lock
    std::map<std::uint32_t, Entry> playing_;
};

// The data phase of a streaming download, on its worker's thread, after the size reply was read:
// reads blocks of 4096 bytes and feeds each to a stream decoder of the player before reading the
// next. The caller closes the connection afterwards.
void StreamToPlayer(Transfers& c, TransferRecord& r, int socket);

}  // namespace tandril::transfer
