#include "devserver/resume_search.h"

#include "base/wire_text.h"
#include "protocol/resume_messages.h"

namespace tandril::devserver {

std::vector<std::pair<int, std::string>> AnswerResumeSearch(const ShareIndex& shares, const std::map<std::string, UserLine>& users,
                                                            const std::string& asker, const std::string& payload) {
    std::vector<std::pair<int, std::string>> out;
    auto query = protocol::FindSources::Decode(payload);
    if (!query) return out;
    for (const auto& [user, line] : users) {
        if (user == asker) continue;
        for (const SharedFile& file : shares.FilesOf(user)) {
            if (file.hash != query->checksum || file.size != query->size) continue;
            protocol::SourceFound source{user,      line.address, static_cast<std::uint32_t>(line.dataPort), ToWireText(file.virtualName),
                                         file.hash, file.size,    static_cast<std::uint32_t>(line.lineSpeed)};
            out.emplace_back(static_cast<int>(protocol::MessageType::SourceFound), source.Encode());
        }
    }
    out.emplace_back(static_cast<int>(protocol::MessageType::SourcesEnd), protocol::SourcesEnd{query->checksum, query->size}.Encode());
    return out;
}

}  // namespace tandril::devserver
