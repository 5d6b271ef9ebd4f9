#include "stream/BassStream.h"

#include "base/ThreadName.h"
#include "stream/AudioOutput.h"
#include "stream/HttpSource.h"
#include "stream/PcmConverter.h"
#include "stream/Playlist.h"

#include <QUrl>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Network reads give up after this long without data; the station notices a
// silent server earlier, through its falling buffer.
constexpr int kReadTimeoutMs = 10000;
// Enough of a body without a named type to tell an HLS play list.
constexpr int kHlsSniffBytes = 4096;
// Only network protocols: a hostile play list must not reach local files.
constexpr const char* kProtocols = "http,https,tls,tcp,crypto";
constexpr int kMaxPlaylistBytes = 64 * 1024;
// Looking up, connecting and finding the format of one address (the play list, then
// each entry) may take this long in all, however slowly the server answers.
constexpr auto kOpenTimeout = std::chrono::seconds(10);
// Playback runs at most kPacingSlack (and half the buffer) ahead of the wall clock,
// then waits until it is only kPacingLead ahead.
constexpr auto kPacingSlack = std::chrono::milliseconds(500);
constexpr auto kPacingLead = std::chrono::milliseconds(20);
// The buffer fill that playback steers to, below the refill mark so that data is read
// as it comes; how strongly and how far the pace follows; over how long the fill is
// averaged (microseconds of audio).
constexpr double kFillTarget = 0.8;
// At the live edge the network thread naps, so that a station's data is read in a few
// bunches a second rather than one wake-up per arriving segment; the socket holds what
// comes meanwhile. A read that waited longer than kLiveEdge found the edge.
constexpr auto kNetworkNap = std::chrono::milliseconds(500);
constexpr auto kLiveEdge = std::chrono::milliseconds(5);
constexpr double kFollowGain = 0.1;
constexpr double kMaxFollow = 0.02;
constexpr double kFillAverageUs = 3e6;

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
    av_dict_set(&opts, "rw_timeout", std::to_string(kReadTimeoutMs * 1000).c_str(), 0);
    av_dict_set(&opts, "protocol_whitelist", kProtocols, 0);
    // FFmpeg's keep-alive and parallel fetches work with its own protocol only.
    av_dict_set(&opts, "http_persistent", "0", 0);
    av_dict_set(&opts, "http_multiple", "0", 0);
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

// The demuxer for a Content-Type that names an audio format; null (probe) for others.
const AVInputFormat* DemuxerForMime(const QByteArray& mime) {
    static const std::pair<const char*, const char*> kinds[] = {
        {"audio/mpeg", "mp3"},  {"audio/mp3", "mp3"}, {"audio/x-mpeg", "mp3"},
        {"audio/mpeg3", "mp3"}, {"audio/aac", "aac"}, {"audio/aacp", "aac"},
        {"audio/x-aac", "aac"}, {"audio/ogg", "ogg"}, {"application/ogg", "ogg"},
        {"audio/flac", "flac"},
    };
    const QByteArray type = mime.split(';').first().trimmed().toLower();
    for (const auto& [name, demuxer] : kinds)
        if (type == name)
            return av_find_input_format(demuxer);
    return nullptr;
}

} // namespace

std::unique_ptr<BassStream> BassStream::Open(const QString& url, bool hls, const Settings& settings,
                                             int* error) {
    std::unique_ptr<BassStream> stream(new BassStream);
    stream->settings_ = settings;
    stream->outputDevice_ = settings.outputDevice;
    *error = !hls && IsPlaylistUrl(url) ? stream->openList(url) : stream->openMedia(url, hls);
    stream->openDeadline_ = 0;
    // From here on only the stream's own threads use the interrupt callback.
    stream->settings_.cancelled = nullptr;
    if (*error != BASS_OK)
        return nullptr;
    stream->readHeaders();
    stream->network_ = std::thread(&BassStream::networkLoop, stream.get());
    stream->playback_ = std::thread(&BassStream::playbackLoop, stream.get());
    return stream;
}

int BassStream::openList(const QString& url) {
    restartDeadline();
    int avError = 0;
    const std::unique_ptr<HttpSource> source = HttpSource::Open(httpRequest(url), &avError);
    if (!source)
        return errorFromAv(avError);
    std::vector<unsigned char> buf(kMaxPlaylistBytes);
    const int n = avio_read(source->Io(), buf.data(), kMaxPlaylistBytes);
    const QByteArray text(reinterpret_cast<const char*>(buf.data()), std::max(n, 0));
    if (IsHlsPlaylist(text))
        return settings_.hlsAvailable ? openMedia(url, true) : BASS_ERROR_FILEFORM;
    int error = BASS_ERROR_FILEOPEN;
    for (const QString& entry : PlaylistEntries(text, url)) {
        if (IsPlaylistUrl(entry))
            continue; // one level of play lists only
        if (stop_ || (settings_.cancelled && settings_.cancelled()))
            return BASS_ERROR_TIMEOUT;
        // Each entry has the whole time-out to itself, so a dead mirror is passed over.
        error = openMedia(entry, settings_.hlsAvailable);
        if (error == BASS_OK)
            break;
    }
    return error;
}

HttpSource::Request BassStream::httpRequest(const QString& url) {
    return {url, settings_.userAgent.toUtf8(), kReadTimeoutMs,
            [this] { return interrupted(this) != 0; }};
}

void BassStream::restartDeadline() {
    openDeadline_ = (Clock::now() + kOpenTimeout).time_since_epoch().count();
}

int BassStream::interrupted(void* self) {
    const auto* stream = static_cast<BassStream*>(self);
    if (stream->stop_)
        return 1;
    const qint64 deadline = stream->openDeadline_;
    if (deadline == 0)
        return 0;
    if (stream->settings_.cancelled && stream->settings_.cancelled())
        return 1;
    return Clock::now().time_since_epoch().count() > deadline ? 1 : 0;
}

void BassStream::closeMedia() {
    avcodec_free_context(&decoder_);
    // The demuxer leaves a reader handed to it for us to close.
    avformat_close_input(&format_);
    source_.reset();
}

// `hls` allows HLS content even without the HLS call.
int BassStream::openMedia(const QString& url, bool hls) {
    closeMedia();
    restartDeadline();
    int avError = 0;
    source_ = HttpSource::Open(httpRequest(url), &avError);
    if (!source_)
        return errorFromAv(avError);
    // A named type opens with its own demuxer, which finds the frame sync by itself
    // even when the server's burst starts in the middle of a frame.
    const AVInputFormat* demuxer = DemuxerForMime(source_->Header("content-type"));
    if (!demuxer && IsHlsPlaylist(source_->Peek(kHlsSniffBytes)))
        demuxer = av_find_input_format("hls");
    allocFormat();
    format_->pb = source_->Io();
    AVDictionary* opts = networkOptions(settings_);
    // The address after redirects, against which HLS resolves its segments.
    const int r =
        avformat_open_input(&format_, source_->Url().toUtf8().constData(), demuxer, &opts);
    av_dict_free(&opts);
    if (r < 0)
        return errorFromAv(r);
    // Without the HLS call an HLS play list is a format the stream cannot play.
    if (!hls && !settings_.hlsAvailable && std::string_view(format_->iformat->name) == "hls")
        return BASS_ERROR_FILEFORM;
    return openDecoder();
}

// HLS fetches its play lists and segments itself: through our reader too, so that
// their headers are bounded and their look-ups can be given up.
void BassStream::allocFormat() {
    format_ = avformat_alloc_context();
    format_->interrupt_callback = {&BassStream::interrupted, this};
    format_->opaque = this;
    ffmpegOpen_ = format_->io_open;
    ffmpegClose_ = format_->io_close2;
    format_->io_open = &BassStream::openFetch;
    format_->io_close2 = &BassStream::closeFetch;
    // Enough to know the format without waiting seconds for a live stream.
    format_->format_probesize = 32 * 1024;
    format_->probesize = 64 * 1024;
    format_->max_analyze_duration = 500000;
}

int BassStream::openFetch(AVFormatContext* s, AVIOContext** pb, const char* url, int flags,
                          AVDictionary** options) {
    auto* self = static_cast<BassStream*>(s->opaque);
    const QString address = QString::fromUtf8(url);
    const QString scheme = QUrl(address).scheme().toLower();
    // Encrypted segments ("crypto+http://...") stay with FFmpeg's protocols.
    if ((scheme != "http" && scheme != "https") || (flags & AVIO_FLAG_WRITE))
        return self->ffmpegOpen_(s, pb, url, flags, options);
    HttpSource::Request request = self->httpRequest(address);
    const AVDictionary* given = options ? *options : nullptr;
    const AVDictionaryEntry* offset = av_dict_get(given, "offset", nullptr, 0);
    const AVDictionaryEntry* end = av_dict_get(given, "end_offset", nullptr, 0);
    request.offset = offset ? std::atoll(offset->value) : 0;
    request.endOffset = end ? std::atoll(end->value) : -1;
    int error = 0;
    std::unique_ptr<HttpSource> source = HttpSource::Open(request, &error);
    if (!source)
        return error;
    *pb = source.release()->Io(); // owned by FFmpeg until closeFetch
    return 0;
}

int BassStream::closeFetch(AVFormatContext* s, AVIOContext* pb) {
    if (HttpSource* source = HttpSource::Owning(pb)) {
        delete source;
        return 0;
    }
    return static_cast<BassStream*>(s->opaque)->ffmpegClose_(s, pb);
}

int BassStream::openDecoder() {
    // A live stream is never sought, so the demuxer's seek index would only grow, by a
    // megabyte per stream at most, and cost a reallocation now and then.
    format_->max_index_size = 0;
    int r = avformat_find_stream_info(format_, nullptr);
    if (r < 0)
        return errorFromAv(r);
    const AVCodec* codec = nullptr;
    audioIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (audioIndex_ < 0)
        return errorFromAv(audioIndex_);
    // The floating-point MP3 decoder has FFmpeg's SIMD paths and costs about 40 % less
    // than the fixed-point one; its 16-bit output differs by at most one step.
    if (codec->id == AV_CODEC_ID_MP3)
        if (const AVCodec* simd = avcodec_find_decoder_by_name("mp3float"))
            codec = simd;
    decoder_ = avcodec_alloc_context3(codec);
    if (!decoder_ ||
        avcodec_parameters_to_context(decoder_, format_->streams[audioIndex_]->codecpar) < 0 ||
        avcodec_open2(decoder_, codec, nullptr) < 0)
        return BASS_ERROR_CODEC;
    const int rate = decoder_->sample_rate;
    if (rate <= 0)
        return BASS_ERROR_FILEFORM;
    setFormat(rate, std::clamp(decoder_->ch_layout.nb_channels, 1, 2));
    fallbackPacketMs_ = decoder_->frame_size > 0 ? qint64(decoder_->frame_size) * 1000 / rate : 0;
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        format_->streams[i]->discard = int(i) == audioIndex_ ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    return BASS_OK;
}

void BassStream::setFormat(int rate, int channels) {
    pcmFormat_ = quint64(rate) << 8 | quint64(channels);
}

BASS_CHANNELINFO BassStream::Info() const {
    const quint64 format = pcmFormat_;
    return {quint32(format >> 8), quint32(format & 0xFF)};
}

void BassStream::readHeaders() {
    QByteArray icy;
    QList<QByteArray> http;
    if (source_) {
        http = source_->HeaderLines();
        http.prepend(source_->StatusLine());
        for (const QByteArray& line : source_->HeaderLines())
            if (line.toLower().startsWith("icy-"))
                icy += line + '\n';
    } else {
        // FFmpeg keeps no other response headers; the status and type are what it knows.
        icy = avOption(format_->pb, "icy_metadata_headers");
        http = {"HTTP/1.0 200 OK"};
        const QByteArray mime = avOption(format_->pb, "mime_type");
        if (!mime.isEmpty())
            http += "Content-Type: " + mime;
    }
    const std::lock_guard lock(tagMutex_);
    icyTags_ = headerRun(icy);
    httpTags_ = http.join('\0') + '\0' + '\0';
    updateMeta();
}

void BassStream::Detach() {
    {
        const std::lock_guard lock(queueMutex_);
        stop_ = true;
    }
    queueChanged_.notify_all();
    const std::lock_guard lock(callbackMutex_);
    dsps_.clear();
    syncs_.clear();
}

void BassStream::Close() {
    Detach();
    if (network_.joinable())
        network_.join();
    if (playback_.joinable())
        playback_.join();
}

BassStream::~BassStream() {
    Close();
    for (Packet& p : queue_)
        av_packet_free(&p.packet);
    closeMedia();
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
    QByteArray meta = source_ ? source_->IcyMetadata() : QByteArray();
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
    NameThread("tw-network");
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
        const auto readStart = Clock::now();
        const int r = av_read_frame(format_, packet);
        const bool atLiveEdge = Clock::now() - readStart > kLiveEdge;
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
        if (ms <= 0)
            ms = fallbackPacketMs_;
        qint64 queued;
        {
            const std::lock_guard lock(queueMutex_);
            queue_.push_back({packet, std::max<qint64>(ms, 1)});
            queued = queuedMs_ += queue_.back().ms;
        }
        queueChanged_.notify_all();
        if (atLiveEdge)
            napWithAudioLeft(queued);
    }
    {
        // Under the lock, so a waiting reader cannot miss the change.
        const std::lock_guard lock(queueMutex_);
        connected_ = false;
    }
    queueChanged_.notify_all();
}

void BassStream::napWithAudioLeft(qint64 queuedMs) {
    // Only while playback has plenty left, so the nap never starves it.
    const auto nap =
        std::min<Clock::duration>(kNetworkNap, std::chrono::milliseconds(queuedMs / 4));
    // One sleep: freeing the stream joins its threads in the background, so a nap
    // holds nobody up, and steps would only add wake-ups.
    std::this_thread::sleep_for(nap);
}

qint64 BassStream::refillBelow() const {
    return settings_.bufferMs - std::min(250, settings_.bufferMs / 5);
}

bool BassStream::takePacket(Packet* out) {
    bool wake;
    {
        std::unique_lock lock(queueMutex_);
        queueChanged_.wait(lock, [&] { return stop_ || !queue_.empty() || !connected_; });
        if (queue_.empty())
            return false;
        *out = queue_.front();
        queue_.pop_front();
        wake = queuedMs_ > refillBelow();
        queuedMs_ -= out->ms;
        queuedSeen_ = queuedMs_;
        wake = wake && queuedMs_ <= refillBelow();
    }
    // Told after unlocking, so the woken network thread does not at once block on the
    // lock and cost a second switch.
    if (wake)
        queueChanged_.notify_all();
    return true;
}

void BassStream::playbackLoop() {
    NameThread("tw-playback");
    {
        std::unique_lock lock(queueMutex_);
        queueChanged_.wait(lock, [&] { return stop_ || playing_; });
    }
    PcmConverter converter;
    AVFrame* frame = av_frame_alloc();
    std::vector<qint16> pcm;
    fillAverage_ = kFillTarget; // as if the buffer were where playback steers it
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
            // FFmpeg's MP3 decoder labels a frame with the rate before it reads the
            // frame's header; its own figure is the frame's by now.
            if (decoder_->sample_rate > 0)
                frame->sample_rate = decoder_->sample_rate;
            if (!converter.Convert(frame, &pcm))
                continue;
            // Set before the DSPs run, so that they can ask for the block's format.
            setFormat(converter.Rate(), converter.Channels());
            deliver(pcm, converter.Rate(), converter.Channels());
        }
    }
    output_.reset();
    av_frame_free(&frame);
}

void BassStream::deliver(std::vector<qint16>& pcm, int rate, int channels) {
    const qint64 frames = qint64(pcm.size()) / channels;
    level_ = PeakLevel(pcm, channels);
    {
        const std::lock_guard lock(callbackMutex_);
        for (const Dsp& d : dsps_)
            d.proc(d.handle, handle_, pcm.data(), quint32(pcm.size() * sizeof(qint16)), d.user);
    }
    play(pcm, frames, rate, channels);
}

void BassStream::play(const std::vector<qint16>& pcm, qint64 frames, int rate, int channels) {
    const float volume = volume_;
    const int device = outputDevice_;
    const bool audible = volume > 0.0f && device > 0;
    const quint64 format = pcmFormat_;
    if (!audible || device != outputOpenedFor_ || format != outputFormat_) {
        if (output_)
            underrun_ = true;
        output_.reset();
        outputOpenedFor_ = audible ? device : 0;
        outputFormat_ = format;
        if (audible)
            output_ = AudioOutput::OpenStream(device, rate, channels);
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
    pace(frames, rate);
}

double BassStream::followSource(qint64 blockUs) {
    // A source whose clock runs slow or fast shows as a buffer that shrinks or grows
    // steadily; the pace follows it a little, so the buffer settles instead of running
    // dry or over. Only the timing changes, never the audio.
    const double fill = double(queuedSeen_) / settings_.bufferMs;
    fillAverage_ += (fill - fillAverage_) * std::min(1.0, double(blockUs) / kFillAverageUs);
    return std::clamp(1.0 + kFollowGain * (fillAverage_ - kFillTarget), 1.0 - kMaxFollow,
                      1.0 + kMaxFollow);
}

void BassStream::pace(qint64 frames, int rate) {
    const auto now = Clock::now();
    if (underrun_) {
        clockStart_ = now - std::chrono::microseconds(playedUs_);
        underrun_ = false;
    }
    // Counted in time rather than frames, since the rate may change on the way.
    const qint64 blockUs = frames * 1000000 / rate;
    playedUs_ += qint64(double(blockUs) / followSource(blockUs));
    const auto due = clockStart_ + std::chrono::microseconds(playedUs_);
    // Blocks are handed over a little ahead of time and in bunches: one wake-up per
    // several blocks keeps many streams cheap, and over time the pace is exact.
    const auto slack = std::min<Clock::duration>(
        kPacingSlack, std::chrono::milliseconds(settings_.bufferMs / 2));
    if (due - now < slack)
        return;
    // One sleep: freeing the stream joins this thread in the background.
    std::this_thread::sleep_until(due - kPacingLead);
}
