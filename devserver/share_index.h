#pragma once
// What each logged-in user shares, as the index server learns it from 870 (a batch of one
// folder), 100 (one file) and 102 (withdraw one file, the bare virtual name as the payload).

#include <cstdint>
#include <list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "protocol/server_messages.h"

namespace tandril::devserver {

struct SharedFile {
    std::string virtualName;  // "n:\n\folder\file.mp3", UTF-8
    std::string hash;
    std::uint32_t size = 0;
    int bitrate = 0;
    int frequency = 0;
    int length = 0;
    bool operator==(const SharedFile&) const = default;
};

// What a user logged in with, for the results of other users' searches.
struct UserLine {
    std::uint32_t address = 0;  // IPv4 as the results carry it (the bytes of the address in memory order)
    int lineSpeed = 0;
    int dataPort = 0;  // 0: firewalled
};

class ShareIndex {
public:
    // Payloads as sent (Windows-1252). A malformed file entry ends the batch; those before it stay.
    void ShareBatch(const std::string& user, const std::string& payload);
    void ShareOne(const std::string& user, const std::string& payload);
    // False when the user shares no file of that name (answered with 404 "Not sharing that file").
    bool Unshare(const std::string& user, const std::string& payload);
    // A user who left shares nothing.
    void KeepOnly(const std::set<std::string>& onlineUsers);

    // In the order they were shared.
    std::vector<SharedFile> FilesOf(const std::string& user) const;
    // The 201 payloads (Windows-1252) of the matching files, users in name order.
    std::vector<std::string> Search(const protocol::SearchRequest& query, const std::map<std::string, UserLine>& users) const;
    // Every user's count of files and their total size in bytes.
    std::pair<std::uint64_t, std::uint64_t> Totals() const;
    // The file `user` shares under that virtual name (case ignored).
    const SharedFile* Find(const std::string& user, const std::string& virtualName) const;

private:
    // One user's files in the order they were shared, and by name (case ignored), so that taking
    // in or withdrawing a file costs the same however many the user shares.
    struct UserFiles {
        std::list<SharedFile> files;
        std::unordered_map<std::string, std::list<SharedFile>::iterator> byName;
    };
    void Add(const std::string& user, SharedFile file);
    std::map<std::string, UserFiles> files_;
};

}  // namespace tandril::devserver
