// Internal state of the preview player, shared by its files: packet and
// picture queues, the per-input state, the screen and the routines one part
// of the player calls in another.
#pragma once

#include "ffplay.h"

#include <SDL/SDL.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
#include <libavutil/time.h>
#include <libswresample/swresample.h>
}

#include "CmdFFplay.h"
#include "EngineGlobals.h"
#include "EngineLog.h"
#include "VXMMediaBase.h"
#include "VXMMessages.h"
#include "VXMUtils.h"
#include "ffplay_host.h"
#include "ffplay_options.h"
#include "ffplay_snapshot.h"
#include "platform/messages.h"

namespace ffplay_detail {

constexpr const char* kLogCategory = "?ffplay_play@@YAHPAXPAVCCmdFFplay@@@Z";
constexpr size_t kMaxQueueBytes = 15 * 1024 * 1024;
constexpr int kMinFrames = 25;
constexpr int kPictureQueueSize = 3;
constexpr double kSyncThresholdMax = 0.1;
constexpr double kNoSyncThreshold = 10.0;

inline double Now() { return av_gettime_relative() / 1000000.0; }

// ---------------------------------------------------------------- queues

// Packets of one stream. A flush bumps the serial: what was queued before is
// dropped, and decoders reset when they meet the new serial.
class CPacketQueue {
public:
    ~CPacketQueue() { Flush(); }
    void Put(AVPacket* pkt)   // takes the packet
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bytes += pkt->size + sizeof(*pkt);
        m_packets.push_back({pkt, m_serial});
        m_cond.notify_all();
    }
    void PutNull(int index)
    {
        AVPacket* pkt = av_packet_alloc();
        pkt->stream_index = index;
        Put(pkt);
    }
    // Waits for a packet; false on abort.
    bool Get(AVPacket** pkt, int* serial, const std::atomic<bool>& abort)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_cond.wait_for(lock, std::chrono::milliseconds(10), [&] { return abort.load() || !m_packets.empty(); });
        if (abort.load() || m_packets.empty()) return false;
        *pkt = m_packets.front().pkt;
        *serial = m_packets.front().serial;
        m_bytes -= (*pkt)->size + sizeof(**pkt);
        m_packets.pop_front();
        return true;
    }
    void Flush()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        for (auto& p : m_packets) av_packet_free(&p.pkt);
        m_packets.clear();
        m_bytes = 0;
        m_serial++;
        m_cond.notify_all();
    }
    void Wake() { m_cond.notify_all(); }
    size_t Bytes() { std::lock_guard<std::mutex> lock(m_lock); return m_bytes; }
    size_t Count() { std::lock_guard<std::mutex> lock(m_lock); return m_packets.size(); }
    int Serial() { std::lock_guard<std::mutex> lock(m_lock); return m_serial; }

private:
    struct Entry { AVPacket* pkt; int serial; };
    std::mutex m_lock;
    std::condition_variable m_cond;
    std::deque<Entry> m_packets;
    size_t m_bytes = 0;
    int m_serial = 0;
};

struct CPicture {
    AVFrame* frame = nullptr;   // YUV 4:2:0
    double pts = 0.0;
    double duration = 0.0;
    int serial = 0;
};

// Decoded audio ready for the device: S16 interleaved at the device's rate.
struct CAudioChunk {
    std::vector<uint8_t> data;
    size_t offset = 0;
    double pts = NAN;
    int serial = 0;
};

// A decoded picture subtitle and the times (seconds) it is shown.
struct CSubtitle {
    AVSubtitle sub{};
    double start = 0.0;
    double end = 0.0;
    int serial = 0;
};

// ---------------------------------------------------------------- the player

struct CVideoState {
    CCmdFFplay* runner = nullptr;
    CToolContext* ctx = nullptr;
    FFplayOptions* opts = nullptr;
    std::string filename;
    bool audio_only = false;          // the second ("extaudio") input
    std::atomic<bool> abort_request{false};
    std::atomic<bool> failed{false};  // a thread of the play failed: the play ends
    std::atomic<bool> paused{false};
    std::atomic<bool> eof{false};

    AVFormatContext* ic = nullptr;
    std::mutex ic_lock;
    int64_t read_end = INT64_MAX;     // AV_TIME_BASE; a CD input is read up to there
    bool read_end_reached = false;    // read thread only

    int video_stream = -1, audio_stream = -1, subtitle_stream = -1;
    AVCodecContext* sdec = nullptr;
    CPacketQueue subtitleq;
    std::mutex sub_lock;
    std::deque<CSubtitle> subs;       // decoded picture subtitles, in time order
    AVFrame* blended = nullptr;       // the shown picture with its subtitle
    AVCodecContext* vdec = nullptr;
    AVCodecContext* adec = nullptr;
    CPacketQueue videoq, audioq;
    std::atomic<bool> video_finished{false}, audio_finished{false};

    // seek request from the event loop
    std::mutex seek_lock;
    bool seek_req = false;
    int64_t seek_pos = 0;
    std::condition_variable continue_read;

    // pictures
    std::mutex pict_lock;
    std::condition_variable pict_cond;
    std::deque<CPicture> pictq;

    // audio
    std::mutex audio_lock;
    std::condition_variable audio_cond;
    std::deque<CAudioChunk> audioq_out;
    size_t audio_bytes = 0;
    int audio_rate = 44100, audio_channels = 2;
    bool audio_open = false;
    double audio_buffer_seconds = 0.0;   // what the device takes per callback
    std::atomic<double> audio_clock{NAN};
    std::atomic<double> audio_clock_time{0.0};

    // external/video clock
    double clock_base = NAN;          // media time at clock_start
    double clock_start = 0.0;
    double paused_at = 0.0;
    std::atomic<double> seek_clock{NAN};   // set by the read thread after a seek
    // Decoded pictures and samples before this time (seconds) are dropped, so
    // a seek lands where it was asked and not on the keyframe before it.
    std::atomic<double> skip_until{NAN};
    std::atomic<double> video_clock{NAN};
    // Serial of the pictures of the last seek until its first one is shown:
    // that one shows even while paused, and the paused clock stands at it.
    std::atomic<int> seek_serial{-1};

    std::thread read_tid, video_tid, audio_tid, subtitle_tid;

    // display
    SDL_Overlay* overlay = nullptr;
    SDL_Overlay* overlay2 = nullptr;  // adjusted picture of the compare view
    SDL_Rect last_rect{0, 0, 0, 0};
    bool force_refresh = true;
    CPicture shown;                   // the picture on screen
    CSnapshotWriters snapshots;       // writers of requested still pictures
    double last_status = 0.0;
};

struct CScreen {
    SDL_Surface* surface = nullptr;
    std::shared_ptr<IPlayerHost> host;
    SDL_Rect window{0, 0, 0, 0};
};

// Process-wide: one player at a time.
extern FFplayRect g_rects[2];   // compare view: left and right picture
extern float g_aspect;          // display aspect ratio of the shown picture

// clocks and pause (ffplay_play.cpp)
double MasterClock(CVideoState* is);
void SetExternalClock(CVideoState* is, double pts);
void TogglePause(CVideoState* is);
// audio (ffplay_audio.cpp)
int OpenAudioDevice(CVideoState* is);
void AudioCallback(void* opaque, Uint8* stream, int len);
void AudioThread(CVideoState* is);
// video (ffplay_video.cpp)
void VideoThread(CVideoState* is);
// subtitles (ffplay_subtitle.cpp)
void SubtitleThread(CVideoState* is);
// The next packet of a decoding thread's queue, or null when none came. A
// packet of a new serial (after a seek) flushes `dec` first and clears
// `finished` when given. The caller frees the packet.
AVPacket* NextPacket(CVideoState* is, CPacketQueue& q, AVCodecContext* dec, int& serial,
                     std::atomic<bool>* finished);
// Sends the queue's next packet (null data: the drain) to `dec`; false when
// none came or the decoder refused it.
bool SendNextPacket(CVideoState* is, CPacketQueue& q, AVCodecContext* dec, int& serial, std::atomic<bool>& finished);
// The next decoded frame of `dec`; false when it wants a packet, failed or
// reached the end (which sets `finished`).
bool ReceiveFrame(AVCodecContext* dec, AVFrame* frame, std::atomic<bool>& finished);
const AVFrame* SubtitledPicture(CVideoState* is);
// input (ffplay_stream.cpp): open starts the threads, close joins them
int StreamOpen(CVideoState* is);
void StreamClose(CVideoState* is);
// screen (ffplay_display.cpp)
void Present(CScreen& sc, const SDL_Rect& r);
void FillRect(CScreen& sc, SDL_Rect r, Uint32 color);
void BuildTable(FFplayAdjustTable& t);
void DisplayPicture(CVideoState* is, CScreen& sc);
void VideoRefresh(CVideoState* is, CScreen& sc);

}  // namespace ffplay_detail
