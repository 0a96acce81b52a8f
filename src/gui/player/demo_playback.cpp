#include "gui/player/demo_playback.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtEndian>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>

#include "app/client.h"

namespace tandril::gui {

namespace {

class PacedSink : public player::AudioSink {
public:
    player::SinkResult Connect() override { return {}; }
    player::SinkResult Open(const player::AudioFormat& format) override {
        format_ = format;
        return {};
    }
    bool Write(std::span<const int16_t> samples) override {
        const auto frames = static_cast<long long>(samples.size()) / std::max(1, format_.channels);
        const auto lasts = std::chrono::microseconds(frames * 1'000'000 / std::max(1, format_.sampleRate));
        std::unique_lock lock(mutex_);
        stopped_.wait_for(lock, lasts, [&] { return aborted_; });
        return !aborted_;
    }
    bool Drain() override { return true; }
    void SetPaused(bool) override {}
    void Abort() override {
        std::scoped_lock lock(mutex_);
        aborted_ = true;
        stopped_.notify_all();
    }
    void Close() override {}

private:
    player::AudioFormat format_;
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool aborted_ = false;
};

// Ten seconds of a chord, 16-bit stereo at 44.1 kHz, as a WAV file.
bool WriteChord(const QString& path) {
    constexpr int kRate = 44100, kSeconds = 10;
    QByteArray data;
    data.reserve(kRate * kSeconds * 4);
    for (int i = 0; i < kRate * kSeconds; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double v = 0.2 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277.2 * t) + std::sin(2 * M_PI * 329.6 * t));
        const auto s = qToLittleEndian(static_cast<qint16>(v * 32767 / 1.2));
        data.append(reinterpret_cast<const char*>(&s), 2).append(reinterpret_cast<const char*>(&s), 2);
    }
    QByteArray header("RIFF");
    auto u32 = [&](quint32 v) { v = qToLittleEndian(v), header.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](quint16 v) { v = qToLittleEndian(v), header.append(reinterpret_cast<const char*>(&v), 2); };
    u32(36 + data.size());
    header.append("WAVEfmt ");
    u32(16), u16(1), u16(2), u32(kRate), u32(kRate * 4), u16(4), u16(16);
    header.append("data");
    u32(data.size());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(header + data) == header.size() + data.size();
}

}  // namespace

std::unique_ptr<player::AudioSink> DemoSink() {
    return std::make_unique<PacedSink>();
}

bool PlayDemoPlaylist(Client& client, const QString& folder) {
    QDir dir(folder);
    const QString wav = dir.filePath(QStringLiteral("chord.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("Harbour Lights.mp3"));
    if (!WriteChord(wav)) return false;
    QProcess lame;
    lame.start(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("192"), wav, mp3});
    if (!lame.waitForFinished(30000) || lame.exitCode() != 0) return false;
    client.panel.AddToPlaylist({mp3.toStdString(), "/home/demo/Music/Nova Drift/Low Tide.mp3",
                                "/home/demo/Music/Quiet Hours/Paper Boats.mp3", "/home/demo/Music/Ember & Oak/Kindling.mp3"});
    client.panel.Select({0}, 0);
    client.panel.PlayFromPlaylist();
    QElapsedTimer waited;
    waited.start();
    while (client.panel.Elapsed() < "00:00:02" && waited.elapsed() < 10000) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    QCoreApplication::processEvents();
    return client.panel.State() == player::PlayerState::kPlaying;
}

}  // namespace tandril::gui
