#include "player/player.h"

#include <algorithm>
#include <cctype>

#include "player/engine_codes.h"
#include "player/ffmpeg_decoder.h"
#include "player/mpg123_decoder.h"
#include "player/playback_control.h"

namespace tandril::player {

namespace {

// The playback an engine thread runs, or nullptr on any other thread. An engine thread never
// waits for another engine thread: two handlers stopping each other's tracks would otherwise
// wait on each other for ever.
thread_local PlaybackControl* tl_engineControl = nullptr;
thread_local const Player* tl_enginePlayer = nullptr;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Headers, tags and the frames a gapless decoder skips give no sound; a file that gives none in
// this many steps has none to give.
constexpr int kMaxSilentStepsAtStart = 100000;

}  // namespace

EngineKind EngineForPath(std::string_view path) {
    auto dot = path.rfind('.');
    std::string_view extension = dot == std::string_view::npos ? path : path.substr(dot + 1);
    if (EqualsNoCase(extension, "mp3") || EqualsNoCase(extension, "mp2")) return EngineKind::kMpeg;
    if (EqualsNoCase(extension, "wma")) return EngineKind::kFfmpeg;
    return EngineKind::kNone;
}

Player::Player(SinkFactory makeSink) : makeSink_(std::move(makeSink)) {}

Player::~Player() {
    {
        std::scoped_lock lock(mutex_);
        closing_ = true;
    }
    StopCurrent();
    // A handler that was running while the current session stopped may have retired more.
    for (;;) {
        {
            std::scoped_lock lock(mutex_);
            if (retired_.empty() && !session_) break;
        }
        StopCurrent();
        JoinRetired();
    }
}

void Player::RunEngine(Player* owner, std::shared_ptr<PlaybackControl> control, std::shared_ptr<Decoder> decoder,
                       std::vector<int16_t> firstPiece) {
    tl_engineControl = control.get();
    tl_enginePlayer = owner;
    int code = control->Deliver(firstPiece, decoder->Format());
    std::vector<int16_t> pcm;
    while (code == kEngineOk) {
        if (control->StopRequested()) {
            code = kEngineStopped;
            break;
        }
        code = decoder->Decode(pcm);
        control->PublishInfo(decoder->Info());
        if (code == kEngineOk) code = control->Deliver(pcm, decoder->Format());
    }
    if (code == kEngineEndOfStream) control->sink().Drain();
    control->sink().Close();
    control->MarkFinished();
    if (code != kEngineStopped && !control->StopRequested()) {
        owner->NotifyTrackEnd(code == kEngineEndOfStream   ? TrackEnd::kFinished
                              : code == kEngineDeviceError ? TrackEnd::kDeviceError
                                                           : TrackEnd::kDecodeError);
    }
    tl_engineControl = nullptr;
    tl_enginePlayer = nullptr;
    control->MarkExited();
}

void Player::NotifyTrackEnd(TrackEnd end) {
    std::function<void(TrackEnd)> handler;
    {
        std::scoped_lock lock(mutex_);
        handler = endHandler_;
    }
    if (handler) handler(end);
}

void Player::EndSession(std::unique_ptr<Session> session) {
    if (!session) return;
    session->control->RequestStop();
    if (session->decoder) session->decoder->Interrupt();
    if (session->thread.joinable() && (tl_engineControl || session->thread.get_id() == std::this_thread::get_id())) {
        std::scoped_lock lock(mutex_);
        retired_.push_back(std::move(session));
        return;
    }
    // `session` goes here: its jthread joins.
}

void Player::JoinRetired() {
    std::vector<std::unique_ptr<Session>> done;
    {
        std::scoped_lock lock(mutex_);
        // An engine thread joins only threads that have finished, which wait on nothing.
        auto joinable = [](const std::unique_ptr<Session>& s) {
            return s->thread.get_id() != std::this_thread::get_id() && (!tl_engineControl || s->control->Exited());
        };
        auto keep = std::stable_partition(retired_.begin(), retired_.end(), [&](const auto& s) { return !joinable(s); });
        std::move(keep, retired_.end(), std::back_inserter(done));
        retired_.erase(keep, retired_.end());
    }
    // `done` joins as it goes.
}

PlaybackControl* Player::OwnEngineControl() const {
    return tl_enginePlayer == this ? tl_engineControl : nullptr;
}

bool Player::CountUserCall() {
    std::scoped_lock lock(mutex_);
    if (closing_) return false;
    if (auto* own = OwnEngineControl()) return own->userEpoch == userEpoch_;
    ++userEpoch_;
    return true;
}

void Player::StopCurrent() {
    std::unique_ptr<Session> session;
    {
        std::scoped_lock lock(mutex_);
        session = std::move(session_);
    }
    EndSession(std::move(session));
}

bool Player::Install(std::unique_ptr<Session>& session, std::vector<int16_t>* firstPiece, std::unique_ptr<Session>& replaced) {
    std::scoped_lock lock(mutex_);
    auto* own = OwnEngineControl();
    if (closing_ || (own && own->userEpoch != userEpoch_)) return false;
    session->control->userEpoch = userEpoch_;
    // Started under the lock, so that no Stop can see the session before its thread exists.
    if (firstPiece) session->thread = std::jthread(&Player::RunEngine, this, session->control, session->decoder, std::move(*firstPiece));
    replaced = std::move(session_);
    session_ = std::move(session);
    return true;
}

PlayResult Player::Play(const std::filesystem::path& file, std::string_view name) {
    const EngineKind kind = name.empty() ? EngineForPath(file.string()) : EngineForPath(name);
    if (kind == EngineKind::kNone) return {PlayStatus::kNotPlayable, "not an MP3, MP2 or WMA file"};
    if (!CountUserCall()) return {PlayStatus::kCancelled, "cancelled"};
    StopCurrent();
    JoinRetired();

    std::string error;
    std::shared_ptr<Decoder> decoder;
    if (kind == EngineKind::kMpeg) {
        decoder = Mpg123Decoder::OpenFile(file, error);
    } else {
        decoder = FfmpegDecoder::OpenFile(file, error);
    }
    if (!decoder) return {PlayStatus::kCannotOpenFile, error};
    // The first sound tells the format the output is opened with.
    std::vector<int16_t> first;
    int code = kEngineOk;
    for (int step = 0; code == kEngineOk && first.empty() && step < kMaxSilentStepsAtStart; ++step) code = decoder->Decode(first);
    if (code != kEngineOk || first.empty()) {
        return {PlayStatus::kCannotOpenFile,
                code == kEngineOk || code == kEngineEndOfStream ? "no audio in the file" : decoder->LastErrorText()};
    }

    std::unique_ptr<AudioSink> sink = makeSink_ ? makeSink_() : nullptr;
    if (!sink) return {PlayStatus::kDeviceError, "no sound output"};
    auto control = std::make_shared<PlaybackControl>(std::move(sink), Volume());
    if (control->OpenSink(decoder->Format()) != kEngineOk) return {PlayStatus::kDeviceError, control->SinkError()};
    control->PublishInfo(decoder->Info());

    auto session = std::make_unique<Session>();
    session->control = control;
    session->decoder = decoder;
    std::unique_ptr<Session> replaced;
    if (!Install(session, &first, replaced)) return {PlayStatus::kCancelled, "cancelled"};
    EndSession(std::move(replaced));
    return {};
}

std::unique_ptr<StreamDecoder> Player::CreateStreamDecoder(std::string& error) {
    if (!CountUserCall()) {
        error = "cancelled";
        return nullptr;
    }
    StopCurrent();
    JoinRetired();
    auto decoder = Mpg123Decoder::OpenFeed(error);
    if (!decoder) return nullptr;
    std::unique_ptr<AudioSink> sink = makeSink_ ? makeSink_() : nullptr;
    if (!sink) {
        error = "no sound output";
        return nullptr;
    }
    auto session = std::make_unique<Session>();
    session->control = std::make_shared<PlaybackControl>(std::move(sink), Volume());
    auto stream = std::make_unique<StreamDecoder>(session->control, std::move(decoder));
    std::unique_ptr<Session> replaced;
    if (!Install(session, nullptr, replaced)) {
        error = "cancelled";
        return nullptr;
    }
    EndSession(std::move(replaced));
    return stream;
}

std::shared_ptr<PlaybackControl> Player::Current() const {
    std::scoped_lock lock(mutex_);
    return session_ ? session_->control : nullptr;
}

void Player::Pause() {
    if (auto control = Current()) control->SetPaused(true);
}

void Player::Resume() {
    if (auto control = Current()) control->SetPaused(false);
}

void Player::Stop() {
    if (!CountUserCall()) return;
    StopCurrent();
    JoinRetired();
}

void Player::SetVolume(int percent) {
    std::scoped_lock lock(mutex_);
    volume_ = std::clamp(percent, 0, 100);
    if (session_) session_->control->SetVolume(volume_);
}

int Player::Volume() const {
    std::scoped_lock lock(mutex_);
    return volume_;
}

PlayerState Player::State() const {
    std::scoped_lock lock(mutex_);
    if (!session_ || session_->control->Finished() || session_->control->StopRequested()) return PlayerState::kIdle;
    return session_->control->Paused() ? PlayerState::kPaused : PlayerState::kPlaying;
}

std::chrono::milliseconds Player::Position() const {
    std::scoped_lock lock(mutex_);
    return session_ ? session_->control->Position() : std::chrono::milliseconds(0);
}

StreamInfo Player::Info() const {
    std::scoped_lock lock(mutex_);
    return session_ ? session_->control->Info() : StreamInfo{};
}

void Player::SetEndOfTrackHandler(std::function<void(TrackEnd)> handler) {
    std::scoped_lock lock(mutex_);
    endHandler_ = std::move(handler);
}

}  // namespace tandril::player
