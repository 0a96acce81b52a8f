#include "app/url_protocol.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "app/client.h"
#include "base/text.h"
#include "platform/atomic_file.h"
#include "search/search_session.h"

namespace tandril {

namespace {

// Splits at `separator` outside double quotes; runs of separators count as one.
std::vector<std::string_view> Pieces(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '"') quoted = !quoted;
        if (i == text.size() || (text[i] == separator && !quoted)) {
            if (i > start) pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return pieces;
}

// A text that begins with a double quote runs to the next one, without the quotes.
std::string_view Unquoted(std::string_view text) {
    if (text.empty() || text.front() != '"') return text;
    text.remove_prefix(1);
    return text.substr(0, text.find('"'));
}

void RunSearchLink(Client& c, const std::string& text) {
    auto artist = GetUrlParameter(text, "ARTIST", 128);
    auto title = GetUrlParameter(text, "TITLE", 128);
    if (!artist && !title) return;
    auto bitrate = GetUrlParameter(text, "BITRATE", 56);
    search::SearchFields fields;
    fields.artist = artist.value_or("");
    fields.title = title.value_or("");
    if (bitrate) {
        for (const std::string& choice : search::BitrateChoices()) {
            if (choice.starts_with(*bitrate)) {
                fields.bitrateComparison = search::kAtMost;
                fields.bitrate = choice;
                break;
            }
        }
    }
    c.search.SetForm(fields);
    if (!c.search.Idle()) search::CancelSearch(c.search);
    c.main.ShowPage(MainViewModel::SearchPage);
    search::StartSearch(c.search, fields);
}

}  // namespace

std::string DecodeUrl(std::string_view link) {
    std::string decoded;
    for (std::size_t i = 0; i < link.size(); ++i) {
        auto hex = [](char h) {
            return std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : (std::tolower(static_cast<unsigned char>(h)) - 'a' + 10);
        };
        if (link[i] == '%' && i + 2 < link.size() && std::isxdigit(static_cast<unsigned char>(link[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(link[i + 2]))) {
            decoded += static_cast<char>(hex(link[i + 1]) * 16 + hex(link[i + 2]));
            i += 2;
        } else {
            decoded += link[i];
        }
    }
    return CutText(decoded, 2047);
}

std::optional<std::string> GetUrlParameter(std::string_view text, std::string_view name, std::size_t capacity) {
    std::size_t question = text.find('?');
    std::string_view parameters = question == std::string_view::npos ? text : text.substr(question + 1);
    for (std::string_view piece : Pieces(parameters, '&')) {
        piece = piece.substr(0, 1023);
        // A quoted name may hold '=': the name's end is looked for after its closing quote.
        std::size_t nameEnd = 0;
        if (piece.front() == '"') nameEnd = std::min(piece.find('"', 1), piece.size());
        std::size_t equals = piece.find('=', nameEnd);
        std::string_view pieceName = Unquoted(piece.substr(0, equals)).substr(0, 511);
        if (!EqualsNoCase(pieceName, name)) continue;
        std::string_view value = equals == std::string_view::npos ? std::string_view() : Unquoted(piece.substr(equals + 1));
        std::string cut = capacity == 0 ? std::string() : CutText(value, capacity - 1);
        if (cut.empty()) return std::nullopt;
        return cut;
    }
    return std::nullopt;
}

void HandleCommandLine(Client& client, const std::vector<std::string>& arguments) {
    if (arguments.size() >= 2 && EqualsNoCase(CutText(arguments[0], 127), "-P")) HandleProtocolUrl(client, CutText(arguments[1], 1023));
}

void HandleProtocolUrl(Client& client, const std::string& link) {
    Q_EMIT client.linkReceived(QString::fromStdString(link));
    std::string text = DecodeUrl(link);
    for (char& ch : text) {
        if (ch == '+') ch = ' ';
    }
    std::size_t colon = text.find(':');
    std::size_t start = colon == std::string::npos ? 0 : colon + 1;
    std::size_t question = text.find('?', start);
    if (question == std::string::npos) return;
    std::string command = text.substr(start, question - start);
    if (command.size() > 511) return;
    if (EqualsNoCase(command, "SEARCH")) RunSearchLink(client, text);
    // DOWNLOAD, MESSAGE and HOSTLISTADD carry parameters that nothing acts on.
}

bool RegisterUrlProtocol(const std::string& program, const std::string& dataHome) {
    std::filesystem::path folder = std::filesystem::path(dataHome) / "applications";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string entry = "[Desktop Entry]\nType=Application\nName=Tandril\nComment=URL:Tandril Protocol\nExec=\"" + program +
                              "\" -p %u\nIcon=" + program + "\nTerminal=false\nNoDisplay=true\nMimeType=x-scheme-handler/tdl;\n";
    if (!platform::WriteFileAtomically(folder / "tandril-tdl.desktop", entry)) return false;
    // The desktop's default for the scheme, where the tool for it is installed.
    std::system("command -v xdg-mime >/dev/null 2>&1 && xdg-mime default tandril-tdl.desktop x-scheme-handler/tdl >/dev/null 2>&1");
    return true;
}

}  // namespace tandril
