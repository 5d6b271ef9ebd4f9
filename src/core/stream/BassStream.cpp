#include "stream/BassStream.h"

#include "stream/AudioOutput.h"
#include "stream/Playlist.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

using Clock = std::chrono::steady_clock;

// Network reads give up after this long without data; the station notices a
// silent server earlier, through its falling buffer.
constexpr const char* kReadTimeoutUs = "10000000";
// Only network protocols: a hostile play list must not reach local files.
constexpr const char* kProtocols = "http,https,tls,tcp,crypto";
constexpr int kMaxPlaylistBytes = 64 * 1024;
// Connecting and finding the format may take this long in all, however slowly the
// server answers.
constexpr auto kOpenTimeout = std::chrono::seconds(10);
// Playback runs at most kPacingSlack ahead of the wall clock, then waits until it is
// only kPacingLead ahead.
constexpr auto kPacingSlack = std::chrono::milliseconds(120);
constexpr auto kPacingLead = std::chrono::milliseconds(20);

int errorFromAv(int err) {
    if (err == AVERROR(ETIMEDOUT) || err == AVERROR_EXIT)
        return BASS_ERROR_TIMEOUT;
    if (err == AVERROR_INVALIDDATA || err == AVERROR_STREAM_NOT_FOUND)
        return BASS_ERROR_FILEFORM;
    if (err == AVERROR_DECODER_NOT_FOUND)
        return BASS_ERROR_CODEC;
    if (err == AVERROR(ENOMEM))
        return BASS_ERROR_MEM;
    return BASS_ERROR_FILEOPEN;
}

AVDictionary* networkOptions(const BassStream::Settings& s) {
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "icy", "1", 0);
    av_dict_set(&opts, "user_agent", s.userAgent.toUtf8().constData(), 0);
    av_dict_set(&opts, "rw_timeout", kReadTimeoutUs, 0);
    av_dict_set(&opts, "protocol_whitelist", kProtocols, 0);
    return opts;
}

// "key: value\n" lines as FFmpeg reports them, to "key:value" texts each ended by a
// zero byte, the run ended by an empty text.
QByteArray headerRun(const QByteArray& lines) {
    QByteArray run;
    for (const QByteArray& line : lines.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        run += line.left(colon + 1) + line.mid(colon + 1).trimmed() + '\0';
    }
    return run.isEmpty() ? run : run + '\0';
}

QByteArray avOption(void* object, const char* name) {
    uint8_t* value = nullptr;
    if (!object || av_opt_get(object, name, AV_OPT_SEARCH_CHILDREN, &value) < 0 || !value)
        return {};
    const QByteArray text(reinterpret_cast<const char*>(value));
    av_free(value);
    return text;
}

} // namespace

std::unique_ptr<BassStream> BassStream::Open(const QString& url, bool hls, const Settings& settings,
                                             int* error) {
    std::unique_ptr<BassStream> stream(new BassStream);
    stream->settings_ = settings;
    stream->openDeadline_ = (Clock::now() + kOpenTimeout).time_since_epoch().count();
    stream->outputDevice_ = settings.outputDevice;
    *error = BASS_ERROR_FILEOPEN;
    if (!hls && IsPlaylistUrl(url)) {
        QByteArray text;
        AVIOContext* io = nullptr;
        AVDictionary* opts = networkOptions(settings);
        const AVIOInterruptCB cb = {&BassStream::interrupted, stream.get()};
        const int r = avio_open2(&io, url.toUtf8().constData(), AVIO_FLAG_READ, &cb, &opts);
        av_dict_free(&opts);
        if (r < 0) {
            *error = errorFromAv(r);
            return nullptr;
        }
        std::vector<unsigned char> buf(kMaxPlaylistBytes);
        const int n = avio_read(io, buf.data(), kMaxPlaylistBytes);
        avio_closep(&io);
        text = QByteArray(reinterpret_cast<const char*>(buf.data()), std::max(n, 0));
        for (const QString& entry : PlaylistEntries(text, url)) {
            if (IsPlaylistUrl(entry))
                continue; // one level of play lists only
            *error = stream->openMedia(entry, false);
            if (*error == BASS_OK)
                break;
        }
    } else {
        *error = stream->openMedia(url, hls);
    }
    if (*error != BASS_OK)
        return nullptr;
    stream->openDeadline_ = 0;
    stream->readHeaders();
    stream->network_ = std::thread(&BassStream::networkLoop, stream.get());
    stream->playback_ = std::thread(&BassStream::playbackLoop, stream.get());
    return stream;
}

int BassStream::interrupted(void* self) {
    const auto* stream = static_cast<BassStream*>(self);
    if (stream->stop_)
        return 1;
    const qint64 deadline = stream->openDeadline_;
    return deadline != 0 && Clock::now().time_since_epoch().count() > deadline ? 1 : 0;
}

int BassStream::openMedia(const QString& url, bool hls) {
    avformat_close_input(&format_);
    avcodec_free_context(&decoder_);
    format_ = avformat_alloc_context();
    format_->interrupt_callback = {&BassStream::interrupted, this};
    // Enough to know the format without waiting seconds for a live stream.
    format_->format_probesize = 32 * 1024;
    format_->probesize = 64 * 1024;
    format_->max_analyze_duration = 500000;
    AVDictionary* opts = networkOptions(settings_);
    int r = avformat_open_input(&format_, url.toUtf8().constData(), nullptr, &opts);
    av_dict_free(&opts);
    if (r < 0)
        return errorFromAv(r);
    // Without the HLS call an HLS play list is a format the stream cannot play.
    if (!hls && std::string_view(format_->iformat->name) == "hls")
        return BASS_ERROR_FILEFORM;
    if ((r = avformat_find_stream_info(format_, nullptr)) < 0)
        return errorFromAv(r);
    const AVCodec* codec = nullptr;
    audioIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (audioIndex_ < 0)
        return errorFromAv(audioIndex_);
    // The fixed-point MP3 decoder is the cheaper of FFmpeg's two.
    if (codec->id == AV_CODEC_ID_MP3)
        if (const AVCodec* fixed = avcodec_find_decoder_by_name("mp3"))
            codec = fixed;
    decoder_ = avcodec_alloc_context3(codec);
    if (!decoder_ ||
        avcodec_parameters_to_context(decoder_, format_->streams[audioIndex_]->codecpar) < 0 ||
        avcodec_open2(decoder_, codec, nullptr) < 0)
        return BASS_ERROR_CODEC;
    rate_ = decoder_->sample_rate;
    channels_ = std::clamp(decoder_->ch_layout.nb_channels, 1, 2);
    if (rate_ <= 0)
        return BASS_ERROR_FILEFORM;
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        format_->streams[i]->discard = int(i) == audioIndex_ ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    return BASS_OK;
}

void BassStream::readHeaders() {
    const QByteArray icy = avOption(format_->pb, "icy_metadata_headers");
    // FFmpeg keeps no other response headers; the status and type are what it knows.
    QByteArray http = QByteArray("HTTP/1.0 200 OK") + '\0';
    const QByteArray mime = avOption(format_->pb, "mime_type");
    if (!mime.isEmpty())
        http += "Content-Type: " + mime + '\0';
    const std::lock_guard lock(tagMutex_);
    icyTags_ = headerRun(icy);
    httpTags_ = http + '\0';
    updateMeta();
}

BassStream::~BassStream() {
    {
        const std::lock_guard lock(queueMutex_);
        stop_ = true;
    }
    queueChanged_.notify_all();
    if (network_.joinable())
        network_.join();
    if (playback_.joinable())
        playback_.join();
    for (Packet& p : queue_)
        av_packet_free(&p.packet);
    avcodec_free_context(&decoder_);
    avformat_close_input(&format_);
}

QByteArray BassStream::Tags(int type) const {
    const std::lock_guard lock(tagMutex_);
    switch (type) {
    case BASS_TAG_HTTP:
        return httpTags_;
    case BASS_TAG_ICY:
        return icyTags_;
    case BASS_TAG_META:
        return metaText_.isEmpty() ? QByteArray() : metaText_ + '\0';
    default:
        return {};
    }
}

quint64 BassStream::FilePosition(int mode) const {
    switch (mode) {
    case BASS_FILEPOS_END:
        return quint64(settings_.bufferMs);
    case BASS_FILEPOS_BUFFER: {
        const std::lock_guard lock(queueMutex_);
        return quint64(std::min<qint64>(queuedMs_, settings_.bufferMs));
    }
    case BASS_FILEPOS_CONNECTED:
        return connected_ ? 1 : 0;
    default:
        return quint64(-1);
    }
}

HSYNC BassStream::AddSync(int type, SYNCPROC proc, void* user) {
    const std::lock_guard lock(callbackMutex_);
    const HSYNC handle = nextCallbackHandle_++;
    // Only stream titles change here; the WMA kinds never fire.
    if (type == BASS_SYNC_META)
        syncs_.push_back({handle, proc, user});
    return handle;
}

HDSP BassStream::AddDSP(DSPPROC proc, void* user) {
    const std::lock_guard lock(callbackMutex_);
    const HDSP handle = nextCallbackHandle_++;
    dsps_.push_back({handle, proc, user});
    return handle;
}

bool BassStream::RemoveDSP(HDSP dsp) {
    // Taking the lock waits for a running DSP call to end.
    const std::lock_guard lock(callbackMutex_);
    const auto it =
        std::find_if(dsps_.begin(), dsps_.end(), [&](const Dsp& d) { return d.handle == dsp; });
    if (it == dsps_.end())
        return false;
    dsps_.erase(it);
    return true;
}

void BassStream::Play() {
    {
        const std::lock_guard lock(queueMutex_);
        playing_ = true;
    }
    queueChanged_.notify_all();
}

bool BassStream::updateMeta() {
    QByteArray meta = avOption(format_->pb, "icy_metadata_packet");
    if (meta.isEmpty()) {
        // HLS carries titles as ID3 tags, which FFmpeg reports as stream metadata.
        const AVDictionaryEntry* title =
            av_dict_get(format_->streams[audioIndex_]->metadata, "title", nullptr, 0);
        if (!title)
            title = av_dict_get(format_->metadata, "title", nullptr, 0);
        if (title)
            meta = "StreamTitle='" + QByteArray(title->value) + "';";
    }
    if (meta.isEmpty() || meta == metaText_)
        return false;
    metaText_ = meta;
    return true;
}

void BassStream::networkLoop() {
    while (!stop_) {
        {
            std::unique_lock lock(queueMutex_);
            // Refill only once there is room for a bunch of packets: the socket holds
            // what arrives meanwhile, and the thread wakes a few times a second only.
            if (queuedMs_ >= settings_.bufferMs)
                queueChanged_.wait(lock, [&] { return stop_ || queuedMs_ <= refillBelow(); });
        }
        if (stop_)
            break;
        AVPacket* packet = av_packet_alloc();
        const int r = av_read_frame(format_, packet);
        if (r < 0) {
            av_packet_free(&packet);
            if (r == AVERROR(EAGAIN)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            break;
        }
        bool changed;
        {
            const std::lock_guard lock(tagMutex_);
            changed = updateMeta();
        }
        if (changed) {
            const std::lock_guard lock(callbackMutex_);
            for (const Sync& s : syncs_)
                s.proc(s.handle, handle_, 0, s.user);
        }
        if (packet->stream_index != audioIndex_) {
            av_packet_free(&packet);
            continue;
        }
        const AVRational tb = format_->streams[audioIndex_]->time_base;
        qint64 ms = packet->duration > 0 ? av_rescale_q(packet->duration, tb, {1, 1000}) : 0;
        if (ms <= 0 && decoder_->frame_size > 0)
            ms = qint64(decoder_->frame_size) * 1000 / rate_;
        const std::lock_guard lock(queueMutex_);
        queue_.push_back({packet, std::max<qint64>(ms, 1)});
        queuedMs_ += queue_.back().ms;
        queueChanged_.notify_all();
    }
    {
        // Under the lock, so a waiting reader cannot miss the change.
        const std::lock_guard lock(queueMutex_);
        connected_ = false;
    }
    queueChanged_.notify_all();
}

qint64 BassStream::refillBelow() const {
    return settings_.bufferMs - std::min(250, settings_.bufferMs / 5);
}

bool BassStream::takePacket(Packet* out) {
    std::unique_lock lock(queueMutex_);
    queueChanged_.wait(lock, [&] { return stop_ || !queue_.empty() || !connected_; });
    if (queue_.empty())
        return false;
    *out = queue_.front();
    queue_.pop_front();
    const bool wake = queuedMs_ > refillBelow();
    queuedMs_ -= out->ms;
    if (wake && queuedMs_ <= refillBelow())
        queueChanged_.notify_all();
    return true;
}

void BassStream::playbackLoop() {
    {
        std::unique_lock lock(queueMutex_);
        queueChanged_.wait(lock, [&] { return stop_ || playing_; });
    }
    SwrContext* swr = nullptr;
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, channels_);
    if (swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, rate_, &decoder_->ch_layout,
                            decoder_->sample_fmt, decoder_->sample_rate, 0, nullptr) < 0 ||
        swr_init(swr) < 0) {
        swr_free(&swr);
        return;
    }
    AVFrame* frame = av_frame_alloc();
    std::vector<qint16> pcm;
    clockStart_ = Clock::now();
    while (!stop_) {
        Packet packet{};
        if (!takePacket(&packet)) {
            if (!connected_ && !stop_)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            underrun_ = true; // the clock restarts when data comes again
            continue;
        }
        avcodec_send_packet(decoder_, packet.packet);
        av_packet_free(&packet.packet);
        while (!stop_ && avcodec_receive_frame(decoder_, frame) == 0) {
            const int capacity = swr_get_out_samples(swr, frame->nb_samples);
            pcm.resize(size_t(std::max(capacity, 0)) * size_t(channels_));
            uint8_t* out[] = {reinterpret_cast<uint8_t*>(pcm.data())};
            const int frames =
                swr_convert(swr, out, capacity, const_cast<const uint8_t**>(frame->extended_data),
                            frame->nb_samples);
            if (frames > 0) {
                pcm.resize(size_t(frames) * size_t(channels_));
                deliver(pcm);
            }
        }
    }
    output_.reset();
    av_frame_free(&frame);
    swr_free(&swr);
}

void BassStream::deliver(std::vector<qint16>& pcm) {
    const qint64 frames = qint64(pcm.size()) / channels_;
    int left = 0, right = 0;
    for (size_t i = 0; i < pcm.size(); i += size_t(channels_)) {
        left = std::max(left, std::abs(int(pcm[i])));
        right = std::max(right, std::abs(int(pcm[i + size_t(channels_) - 1])));
    }
    level_ = quint32(std::min(left, 32768)) | (quint32(std::min(right, 32768)) << 16);
    {
        const std::lock_guard lock(callbackMutex_);
        for (const Dsp& d : dsps_)
            d.proc(d.handle, handle_, pcm.data(), quint32(pcm.size() * sizeof(qint16)), d.user);
    }
    play(pcm, frames);
}

void BassStream::play(const std::vector<qint16>& pcm, qint64 frames) {
    const float volume = volume_;
    const int device = outputDevice_;
    const bool audible = volume > 0.0f && device > 0;
    if (!audible || device != outputOpenedFor_) {
        if (output_)
            underrun_ = true;
        output_.reset();
        outputOpenedFor_ = audible ? device : 0;
        if (audible)
            output_ = AudioOutput::OpenStream(device, rate_, channels_);
    }
    if (output_) {
        std::vector<qint16> scaled(pcm);
        for (qint16& s : scaled)
            s = qint16(std::lround(s * std::min(volume, 1.0f)));
        if (output_->Write(scaled.data(), frames))
            return;
        output_.reset(); // the device went away: go on in real time without sound
        underrun_ = true;
    }
    pace(frames);
}

void BassStream::pace(qint64 frames) {
    const auto now = Clock::now();
    if (underrun_) {
        clockStart_ = now - std::chrono::microseconds(playedFrames_ * 1000000 / rate_);
        underrun_ = false;
    }
    playedFrames_ += frames;
    const auto due = clockStart_ + std::chrono::microseconds(playedFrames_ * 1000000 / rate_);
    // Blocks are handed over a little ahead of time and in bunches: one wake-up per
    // several blocks keeps many streams cheap, and over time the pace is exact.
    if (due - now < kPacingSlack)
        return;
    const auto until = due - kPacingLead;
    // Sleep in short steps so that freeing the stream is never held up.
    while (!stop_ && Clock::now() < until)
        std::this_thread::sleep_for(
            std::min<Clock::duration>(until - Clock::now(), std::chrono::milliseconds(50)));
}
