#include "transfer/web_download.h"

#include <sys/socket.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <vector>

#include "base/text.h"
#include "link/proxy_client.h"
#include "platform/socket.h"
#include "transfer/download.h"
#include "transfer/download_queue.h"
#include "transfer/resume.h"
#include "transfer/transfers.h"

namespace tandril::transfer {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr std::size_t kHeaderLineLimit = 2047;
constexpr std::size_t kHeaderLinesLimit = 200;  // a head that never ends is no answer
constexpr std::size_t kBlock = 64 * 1024;

bool WriteAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads header lines up to the empty line; the bytes after it (the body's start) stay in `rest`.
std::optional<std::vector<std::string>> ReadHead(Transfers& c, int fd, std::string& rest) {
    std::vector<std::string> lines;
    std::string buffer;
    char block[4096];
    for (;;) {
        std::size_t end;
        while ((end = buffer.find('\n')) != std::string::npos) {
            std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            while (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty()) {
                rest = std::move(buffer);
                return lines;
            }
            if (lines.size() >= kHeaderLinesLimit) return std::nullopt;
            lines.push_back(CutText(line, kHeaderLineLimit));
        }
        // A line longer than the limit keeps only its start.
        if (buffer.size() > kHeaderLineLimit) buffer.erase(kHeaderLineLimit, buffer.size() - kHeaderLineLimit);
        if (!WaitForData(c, fd, c.rt.Scaled(20s))) return std::nullopt;
        ssize_t n = ::recv(fd, block, sizeof block, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        buffer.append(block, static_cast<std::size_t>(n));
    }
}

void Fail(Transfers& c, TransferRecord& r, const std::string& status = {}) {
    {
        ListLock lock = c.lists.Take(false);
        SetTransferState(c, lock, r, TransferState::Error);
        if (!status.empty()) c.view.Edit(false, r.rowId, [&](TransferRow& row) { row.cells[kStatusColumn] = status; });
    }
    StartNextQueuedDownload(c);
}

// The data phase of a web download: the body (its first bytes already read with the head) into
// the download's file, to Content-Length, or to the end of the connection when there is none.
void ReceiveBody(Transfers& c, TransferRecord& r, int fd, const std::string& start) {
    std::string localPath, checksum;
    std::uint32_t fileSize = 0;
    ExistingFileAction action;
    {
        ListLock lock = c.lists.Take(false);
        localPath = r.localPath;
        fileSize = r.fileSize;
        checksum = r.checksum;
        action = r.existingFileAction == ExistingFileAction::Undecided ? ExistingFileAction::Overwrite : r.existingFileAction;
    }
    DownloadFile download = OpenDownloadFile(c, localPath, action);
    if (!download.file.valid()) return Fail(c, r);
    platform::UniqueFd file = std::move(download.file);
    const std::string writtenPath = download.path;
    {
        ListLock lock = c.lists.Take(false);
        if (r.stopRequest == 0) {
            r.startOffset = r.position = 0;
            r.startTime = TransferNow();
            SetTransferState(c, lock, r, TransferState::Transferring);
        }
    }
    const bool sizeKnown = fileSize != 0;
    std::uint32_t position = 0;
    auto partial = [&] { return PartialDownload{writtenPath, localPath, fileSize, checksum}; };
    auto take = [&](const char* data, std::size_t n) {
        const std::size_t keep = sizeKnown ? std::min<std::size_t>(n, fileSize - position) : n;
        if (!WriteAll(file.get(), data, keep)) return false;
        position += static_cast<std::uint32_t>(keep);
        ListLock lock = c.lists.Take(false);
        r.position = position;
        return true;
    };
    auto stopped = [&] {
        std::uint32_t stop = 0;
        {
            ListLock lock = c.lists.Take(false);
            stop = r.stopRequest;
        }
        if (stop == 0) return false;
        file.reset();
        SaveIncomplete(c, partial());
        {
            ListLock lock = c.lists.Take(false);
            if (stop == 1) {
                SetTransferState(c, lock, r, TransferState::Cancelled);
            } else {
                RemoveTransfer(c, lock, r);
            }
        }
        StartNextQueuedDownload(c);
        return true;
    };
    bool ok = start.empty() || take(start.data(), start.size());
    if (stopped()) return;
    if (ok && start.empty() && !WaitForData(c, fd, c.rt.Scaled(20s))) {
        if (c.rt.state.quitting) return;
        ok = false;
    }
    std::vector<char> block(kBlock);
    while (ok && (!sizeKnown || position < fileSize)) {
        platform::WaitResult ready;
        bool stalled = false;
        while ((ready = platform::WaitReadable(fd, std::chrono::milliseconds(1000))) == platform::WaitResult::TimedOut) {
            if (c.rt.state.quitting || stopped()) return;
            if (!RefreshTransferProgress(c, r)) {
                stalled = true;
                break;
            }
        }
        if (stalled || ready == platform::WaitResult::Failed) break;
        ssize_t n = ::recv(fd, block.data(), block.size(), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (c.rt.state.quitting || stopped()) return;
        if (!take(block.data(), static_cast<std::size_t>(n))) break;
        if (!RefreshTransferProgress(c, r)) break;
    }
    bool written = file.closeChecked();
    ::shutdown(fd, SHUT_RDWR);
    // Without a size from the server or the result, the end of the connection ends the file.
    const std::uint32_t expected = sizeKnown ? fileSize : position;
    if (!sizeKnown) {
        ListLock lock = c.lists.Take(false);
        r.fileSize = position;
    }
    const bool complete = written && expected > 0 && position >= expected;
    if (complete && writtenPath != localPath && ::rename(writtenPath.c_str(), localPath.c_str()) != 0) {
        c.rt.ui.ShowAlert(AlertKind::Modeless,
                          Format(800, "Unable to save file %s to %s.", localPath.c_str(), fs::path(localPath).parent_path().c_str()));
    } else if (complete) {
        return CompleteDownload(c, r);
    }
    if (position == 0) {
        std::error_code ec;
        fs::remove(writtenPath, ec);  // nothing arrived: nothing to keep
    } else {
        SaveIncomplete(c, partial());
    }
    Fail(c, r);
}

}  // namespace

bool IsWebName(std::string_view name) {
    return name.size() >= 5 && EqualsNoCase(std::string(name.substr(0, 5)), "web:\\");
}

std::optional<WebAddress> ParseWebName(std::string_view name) {
    if (!IsWebName(name)) return std::nullopt;
    const std::size_t hostStart = name.find('\\') + 1;
    const std::size_t second = name.find('\\', hostStart);
    if (second == std::string_view::npos || second == hostStart) return std::nullopt;
    WebAddress web{CutText(std::string(name.substr(hostStart, second - hostStart)), 255), CutText(std::string(name.substr(second)), 349)};
    // Blanks, control bytes and bytes beyond ASCII would break the request line: they travel
    // percent-encoded, as a web server reads them.
    std::string path;
    for (char ch : web.path) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '\\') {
            path += '/';
        } else if (byte <= 0x20 || byte >= 0x7F) {
            path += Format(4, "%%%02X", byte);
        } else {
            path += ch;
        }
    }
    web.path = std::move(path);
    // A host with blanks or control bytes names no host.
    const bool cleanHost =
        std::none_of(web.host.begin(), web.host.end(), [](char ch) { return static_cast<unsigned char>(ch) <= 0x20 || ch == '/'; });
    if (web.path.size() < 2 || !cleanHost) return std::nullopt;
    return web;
}

WebResponseHead ParseResponseHead(const std::vector<std::string>& lines) {
    WebResponseHead head;
    if (!lines.empty() && lines[0].size() >= 12 && lines[0].compare(0, 5, "HTTP/") == 0) {
        const std::string& status = lines[0];
        const std::size_t blank = status.find(' ');
        if (blank != std::string::npos && blank + 4 <= status.size()) {
            int code = 0;
            auto [end, ec] = std::from_chars(status.data() + blank + 1, status.data() + blank + 4, code);
            if (ec == std::errc() && end == status.data() + blank + 4) {
                head.status = code;
                head.statusText = std::string(Trim(status.substr(blank + 1)));
            }
        }
    }
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() < 15 || !EqualsNoCase(line.substr(0, 15), "Content-Length:")) continue;
        auto value = GetField(line, 2, 16);
        std::uint32_t size = 0;
        if (!value) continue;
        auto [end, ec] = std::from_chars(value->data(), value->data() + value->size(), size);
        if (ec == std::errc() && end == value->data() + value->size()) head.contentLength = size;
    }
    return head;
}

void WebFetchWorker(Transfers& c, TransferRecord& r) {
    std::string remoteName, localPath;
    bool decide = false;
    {
        ListLock lock = c.lists.Take(false);
        r.attached = true;
        remoteName = r.remoteName;
        localPath = r.localPath;
        decide = r.existingFileAction == ExistingFileAction::Undecided;
    }
    // A file of the same name is the user's: asked about as for a download from a user, before
    // anything is fetched.
    if (decide) {
        std::optional<FileChoice> choice = ChooseFileName(c, localPath);
        {
            ListLock lock = c.lists.Take(false);
            if (choice) {
                r.existingFileAction = choice->action;
                r.localPath = choice->localPath;
            } else if (r.stopRequest == 2) {
                RemoveTransfer(c, lock, r);  // deleted by the user while asked: this worker frees it
            } else {
                SetTransferState(c, lock, r, TransferState::Cancelled);
            }
        }
        if (!choice) return StartNextQueuedDownload(c);
    }
    auto web = ParseWebName(remoteName);
    if (!web) return Fail(c, r);
    auto address = platform::ResolveHostBlocking(web->host);
    if (!address) {
        Fail(c, r);
        c.rt.ui.ShowAlert(AlertKind::Modal, Format(400, "Unable to resolve address: %s", web->host.c_str()));
        return;
    }
    link::ProxyOutcome connection = link::ConnectThroughProxy(c.rt, {*address, c.webPort}, true);
    if (connection.status != 1) return Fail(c, r);
    const int fd = connection.socket.fd();
    platform::SetBuffers(fd, 65536);
    const std::string request = "GET " + web->path + " HTTP/1.0\n" + "Host: " + web->host + "\n\n";
    if (!platform::SendAllBlocking(fd, request)) return Fail(c, r);
    std::string bodyStart;
    auto lines = ReadHead(c, fd, bodyStart);
    if (!lines) return Fail(c, r);
    const WebResponseHead head = ParseResponseHead(*lines);
    // An error page is no music file: nothing is saved, and the row says what the server said.
    if (head.status < 200 || head.status > 299) {
        return Fail(c, r, head.status == 0 ? std::string("Erreur HTTP") : CutText("Erreur HTTP " + head.statusText, 60));
    }
    if (head.contentLength) {
        ListLock lock = c.lists.Take(false);
        r.fileSize = *head.contentLength;
    }
    ReceiveBody(c, r, fd, bodyStart);
}

}  // namespace tandril::transfer
