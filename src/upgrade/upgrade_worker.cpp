#include "upgrade/upgrade_worker.h"

#include <fcntl.h>
#include <unistd.h>

#include <QProcess>
#include <QStringList>

#include "base/runtime.h"
#include "base/settings.h"
#include "base/text.h"
#include "platform/atomic_file.h"
#include "platform/unique_fd.h"
#include "upgrade/http_get.h"
#include "upgrade/signature.h"

namespace tandril::upgrade {

namespace {

constexpr std::size_t kMaxSignatureFile = 4096;
constexpr const char* kConnectFailed = "Error while auto upgrading.  Please restart your client.";
constexpr const char* kFailed = "Auto Upgrading Failed!!";

bool LaunchDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    QStringList args;
    for (const std::string& a : arguments) args << QString::fromStdString(a);
    return QProcess::startDetached(QString::fromStdString(program.string()), args);
}

std::filesystem::path OwnProgram() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : path;
}

struct Run {
    Runtime& rt;
    const UpgradeSetup& setup;
    std::filesystem::path file;

    void Clear() {
        rt.dialog.SetProgress(0, 100);
        rt.SetStatusText(0, "");
        rt.SetStatusText(1, "");
    }
    // The client stays offline; the user closes the dialog.
    void EndOffline(const std::string& alert) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        rt.ui.ShowAlert(AlertKind::Modal, alert);
        rt.main.SetPagesVisible(true);
        rt.dialog.PostClose(0);
    }
    // The download went wrong after it started: nothing runs, the file goes, the client ends.
    void Refuse(const std::string& reason) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        rt.ui.ShowAlert(AlertKind::Modal, std::string(kFailed) + "\n" + reason);
        rt.dialog.PostClose(0);
        rt.RequestApplicationExit();
    }
    std::string ObtainLatestText() const {
        return Format(511, "Unable to auto upgrade.  Please obtain the latest version of the client from %s",
                      rt.state.web.download.c_str());
    }
};

std::string OutcomeReason(const HttpResult& r, std::uint64_t maxSize) {
    switch (r.outcome) {
        case HttpResult::Outcome::SinkFailed:
            return "The new program could not be written to disk.";
        case HttpResult::Outcome::TooLarge:
            return Format(255, "The new program is larger than %llu bytes.", static_cast<unsigned long long>(maxSize));
        case HttpResult::Outcome::Stalled:
            return "The server stopped sending.";
        default:
            return "The connection failed.";
    }
}

}  // namespace

UpgradeHosts ReadUpgradeHosts(const ConfigStore& store) {
    UpgradeHosts hosts;
    if (auto host = ReadStoredHost(store, "DownloadHost")) hosts.downloadHost = *host;
    if (auto host = ReadStoredHost(store, "UpgradeHost")) hosts.upgradeHost = *host;
    if (auto port = ReadStoredPort(store, "UpgradePort")) hosts.port = *port;
    return hosts;
}

UpgradeLocation SplitUpgradeLocation(std::string_view location, const std::string& defaultHost) {
    UpgradeLocation l;
    auto colon = location.find(':');
    if (colon == std::string_view::npos) {
        l.path = std::string(Trim(location));
    } else {
        l.host = std::string(Trim(location.substr(0, colon)));
        l.path = std::string(Trim(location.substr(colon + 1)));
    }
    if (l.host.empty()) l.host = defaultHost;
    return l;
}

bool IsAllowedUpgradeHost(const std::string& host, const UpgradeHosts& hosts) {
    return EqualsNoCase(host, hosts.downloadHost) || EqualsNoCase(host, hosts.upgradeHost);
}

UpgradeSetup DefaultUpgradeSetup() {
    UpgradeSetup setup;
    setup.publicKeyPem = BuiltInUpgradeKey();
    return setup;
}

void UpgradeWorker(Runtime& rt, const UpgradeSetup& setup, const protocol::UpgradeOffer& offer) {
    const UpgradeHosts hosts = ReadUpgradeHosts(rt.store);
    const UpgradeLocation where = SplitUpgradeLocation(offer.location, hosts.downloadHost);
    Run run{rt, setup, rt.state.profileFolder / kUpgradeFileName};
    if (!IsAllowedUpgradeHost(where.host, hosts)) {
        // Nothing to tell: the offer did not come from where upgrades come from.
        rt.main.SetPagesVisible(true);
        rt.dialog.PostClose(0);
        return;
    }
    rt.dialog.SetStatus("Auto Upgrading Client...");
    rt.dialog.SetSecondLine(Format(255, "(%s) => (%s)", kVersionText, offer.version.c_str()));
    rt.SetStatusText(0, Format(255, "Auto Upgrading to %s.", offer.version.c_str()));

    // A name that does not resolve is tried again, but not for ever.
    std::optional<std::uint32_t> address;
    for (int attempt = 1; attempt <= setup.maxLookupAttempts && !rt.state.quitting; ++attempt) {
        address = platform::ResolveHostBlocking(where.host);
        if (address) break;
        rt.ui.ShowAlert(AlertKind::Modal, Format(511, "Unable to resolve address: %s", where.host.c_str()));
        if (attempt < setup.maxLookupAttempts) rt.Sleep(setup.lookupRetryDelay);
    }
    if (!address || rt.state.quitting) {
        run.Clear();
        run.EndOffline(kConnectFailed);
        return;
    }
    HttpRequest request{
        {*address, static_cast<std::uint16_t>(hosts.port)}, where.host, where.path, setup.readTimeout, setup.maxProgramSize};

    // Only the owner may read or write the file, and it is not a program until it is verified.
    std::error_code ec;
    std::filesystem::remove(run.file, ec);
    platform::UniqueFd out(::open(run.file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.valid()) {
        run.Clear();
        run.EndOffline(kConnectFailed);
        return;
    }
    rt.dialog.SetProgress(0, 100);
    auto sink = [&out](std::string_view block) {
        while (!block.empty()) {
            ssize_t n = ::write(out.get(), block.data(), block.size());
            if (n <= 0) return false;
            block.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    };
    auto progress = [&rt](std::uint64_t received, std::optional<std::int64_t> expected) {
        if (expected && *expected > 0) {
            rt.dialog.SetProgress(static_cast<int>(received * 100 / static_cast<std::uint64_t>(*expected)), 100);
            rt.SetStatusText(1, Format(99, "Read %d of %d bytes.", static_cast<int>(received), static_cast<int>(*expected)));
        } else {
            rt.SetStatusText(1, Format(99, "Read %d bytes.", static_cast<int>(received)));
        }
    };
    HttpResult body = HttpGetBlocking(rt, request, sink, progress);
    const bool closed = out.closeChecked();
    run.Clear();

    switch (body.outcome) {
        case HttpResult::Outcome::ConnectFailed:
            run.EndOffline(kConnectFailed);
            return;
        case HttpResult::Outcome::HeadFailed:
            run.EndOffline(run.ObtainLatestText());
            return;
        case HttpResult::Outcome::Complete:
            break;
        default:
            run.Refuse(OutcomeReason(body, setup.maxProgramSize));
            return;
    }
    if (!closed) return run.Refuse("The new program could not be written to disk.");
    if (!body.Success()) return run.Refuse(Format(255, "The server answered \"%s\".", body.statusLine.c_str()));
    if (body.expectedLength && static_cast<std::int64_t>(body.received) != *body.expectedLength) {
        return run.Refuse(Format(255, "Read %llu of %lld bytes.", static_cast<unsigned long long>(body.received),
                                 static_cast<long long>(*body.expectedLength)));
    }

    // The signature, from the same host.
    std::string signature;
    HttpRequest sigRequest = request;
    sigRequest.path = where.path + ".sig";
    sigRequest.maxBody = kMaxSignatureFile;
    HttpResult sig = HttpGetBlocking(rt, sigRequest, [&signature](std::string_view block) {
        signature.append(block);
        return true;
    });
    if (sig.outcome != HttpResult::Outcome::Complete || !sig.Success() ||
        (sig.expectedLength && static_cast<std::int64_t>(sig.received) != *sig.expectedLength)) {
        return run.Refuse("The new program has no signature.");
    }
    auto program = platform::ReadWholeFile(run.file);
    if (!program || !VerifyUpgradeSignature(setup.publicKeyPem, *program, signature)) {
        return run.Refuse("The new program's signature is not valid.");
    }
    std::filesystem::permissions(run.file, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace, ec);
    if (ec) return run.Refuse("The new program could not be made executable.");

    const std::filesystem::path own = setup.programPath.empty() ? OwnProgram() : setup.programPath;
    const auto& launch = setup.launch ? setup.launch : LaunchDetached;
    if (!launch(run.file, {"UPGRADE", own.string()})) return run.Refuse("The new program could not be started.");
    // The new program ends this instance and takes the place of its program file.
}

}  // namespace tandril::upgrade
