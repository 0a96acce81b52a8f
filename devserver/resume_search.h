#pragma once
// The resume search as a server with resume support answers it: 215 "checksum size" gets one 216
// line for every other user who shares a file of exactly that checksum and size, then 217.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "devserver/share_index.h"

namespace tandril::devserver {

// The frames (type, payload) that answer `asker`'s 215 payload; none for a payload without its
// two fields.
std::vector<std::pair<int, std::string>> AnswerResumeSearch(const ShareIndex& shares, const std::map<std::string, UserLine>& users,
                                                            const std::string& asker, const std::string& payload);

}  // namespace tandril::devserver
