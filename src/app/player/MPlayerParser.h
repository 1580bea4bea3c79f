// Reads the standard output of the media player running in slave mode: cuts
// it into lines, turns the answers that matter into WM_VXM_MPLAYER_EVENT
// messages for NotifyWindow, and keeps the track, title and chapter tables the
// player announces.
//
// WriteStdOut and ParseLine run on one reader thread; the tables and the two
// counters may be read from any thread.
#pragma once
#include "MPlayerEvents.h"
#include "platform/types.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

using CMplayerTable = std::map<int32_t, std::wstring>;

enum class EMplayerTable { SubtitleTracks, SubtitleFiles, DvdTitles, AudioTracks, Chapters };

class CMPlayerParser {
public:
    // A line longer than this without a line break is dropped.
    static constexpr size_t kMaxLineBytes = 1024 * 1024;
    // Longer lines only get the fixed-text tests (the pattern search keeps
    // 16 bytes per character while it runs).
    static constexpr size_t kMaxPatternLine = 64 * 1024;

    explicit CMPlayerParser(HWND notifyWindow = nullptr);
    CMPlayerParser(const CMPlayerParser&) = delete;
    CMPlayerParser& operator=(const CMPlayerParser&) = delete;

    void SetNotifyWindow(HWND hwnd) { m_notifyWindow.store(hwnd); }
    HWND GetNotifyWindow() const { return m_notifyWindow.load(); }

    // One chunk of output, split anywhere (inside a line or a UTF-8 sequence).
    // Lines end at CR or LF; text after the last line break waits for the next chunk.
    void WriteStdOut(const char* chunk);
    void WriteStdOut(std::string_view chunk);

    // One complete line without its line break: posts at most one event and
    // changes at most one table.
    void ParseLine(const std::wstring& line);

    // Copies of the tables, ordered by key.
    CMplayerTable GetSubtitleTracks() const;
    CMplayerTable GetSubtitleFiles() const;
    CMplayerTable GetDvdTitles() const;
    CMplayerTable GetAudioTracks() const;
    CMplayerTable GetChapters() const;
    int32_t GetCurrentDvdTitle() const { return m_currentDvdTitle.load(); }
    int32_t GetBlurayChapterCount() const { return m_blurayChapterCount.load(); }

    // Bytes held after the last line break.
    size_t GetPendingSize() const { return m_pendingLine.size(); }

private:
    void AppendPending(std::string_view piece);
    bool ParseFixedText(const std::wstring& line);
    void ParsePatterns(const std::wstring& line);
    void PostValue(EMplayerEvent code, LPARAM value);
    void PostRecord(EMplayerEvent code, std::unique_ptr<CMplayerEventPayload> payload);
    CMplayerTable& Table(EMplayerTable table);
    const CMplayerTable& Table(EMplayerTable table) const;
    void Insert(EMplayerTable table, int32_t key, const std::wstring& value);
    void Replace(EMplayerTable table, int32_t key, const std::wstring& value);
    CMplayerTable Copy(EMplayerTable table) const;

    std::string m_pendingLine;      // bytes after the last line break
    bool m_discardingLine = false;  // inside an overlong line, until its break
    std::atomic<HWND> m_notifyWindow;
    std::atomic<int32_t> m_currentDvdTitle{0};
    std::atomic<int32_t> m_blurayChapterCount{0};

    mutable std::mutex m_tablesLock;
    CMplayerTable m_subtitleTracks;
    CMplayerTable m_subtitleFiles;
    CMplayerTable m_dvdTitles;
    CMplayerTable m_audioTracks;
    CMplayerTable m_chapters;
};

// Number readers for the player's answers, independent of the locale.
// Integer: optional blanks and sign, then the leading decimal digits (0 when
// none), held to the int32 range. Real: optional blanks and sign, then the
// leading decimal number with an optional fraction and exponent (0 when none
// or not finite).
int32_t MplayerReadInt(std::wstring_view text);
double MplayerReadReal(std::wstring_view text);
// The texts of the output patterns, in the order they are tried.
std::vector<std::wstring_view> MplayerOutputPatterns();
// Seconds as "hh:mm:ss" (truncated).
std::wstring MplayerFormatSeconds(double seconds);
