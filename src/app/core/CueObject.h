// Reads a cue sheet: the album's performer, title, date and genre, its audio file(s) and,
// per track, the title, performer, audio file and start and length.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CueObject {
public:
    // At most this many tracks are kept (an audio CD has at most 99).
    static constexpr int kMaxTracks = 128;
    // Larger files are refused: no cue sheet comes near this size.
    static constexpr std::uintmax_t kMaxFileSize = 4 * 1024 * 1024;

    struct CueTrack {
        int m_nNumber = 0;           // number given after TRACK
        int m_nStart = 0;            // seconds (frames dropped)
        int m_nLength = 0;           // seconds; 0 = up to the end of its audio file
        std::int64_t m_nStartMs = 0;
        std::int64_t m_nLengthMs = 0;  // 0 = up to the end of its audio file
        std::wstring m_strTitle;
        std::wstring m_strPerformer;   // the sheet's performer when the track names none
        std::wstring m_strAudioFile;   // the FILE in force at the track's INDEX 01, as a full path
        std::wstring m_strCuePath;
    };

    CueObject() = default;

    // Reads and parses the file. 0 when PERFORMER, TITLE and FILE were all
    // found, otherwise minus the number of them missing; -1 when the file
    // cannot be read (the object is then empty).
    int Load(const std::wstring& cuePath);
    // Parses a sheet already in memory (UTF-8 with or without BOM, UTF-16
    // with BOM, or a legacy code page: the one in which the sheet names an
    // audio file that is there, else Windows-1252); same result as Load. A
    // sheet with a NUL character before its end is refused (-1, empty).
    int Parse(std::string_view bytes, const std::wstring& cuePath);

    int GetTrackCount() const { return static_cast<int>(m_tracks.size()); }
    const CueTrack* GetTrack(int index) const;
    const std::vector<CueTrack>& GetTracks() const { return m_tracks; }
    const std::wstring& GetPerformer() const { return m_strPerformer; }
    const std::wstring& GetTitle() const { return m_strTitle; }
    // The sheet's REM DATE and REM GENRE; empty when it has none.
    const std::wstring& GetDate() const { return m_strDate; }
    const std::wstring& GetGenre() const { return m_strGenre; }
    const std::wstring& GetCuePath() const { return m_strCuePath; }
    const std::wstring& GetAudioFile() const { return m_strAudioFile; }
    const std::wstring& GetText() const { return m_strText; }

private:
    void Clear();
    std::wstring ResolveAudioFile(const std::wstring& name) const;
    void ComputeLengths();

    std::vector<CueTrack> m_tracks;
    std::wstring m_strPerformer;
    std::wstring m_strTitle;
    std::wstring m_strCuePath;
    std::wstring m_strAudioFile;
    std::wstring m_strText;
    std::wstring m_strDate;
    std::wstring m_strGenre;
};
