// Stream records of a media object, filled by the probe, the DVD analysis
// and the external-file operations, owned by the media object's lists.
#pragma once
#include "IVXMStreams.h"
#include <cstdint>
#include <map>
#include <string>

struct VXM_VIDEO_STREAM : public IVXMVideo {
    std::wstring m_strCodecName;   // "mpeg2Video" for DVD titles
    double m_dBitrate = 0.0;       // kbit/s
    double m_dFrameRate = 0.0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    // The shape of one stored pixel as shown (width over height); 1:1 when unknown.
    int m_nPixelWidth = 1;
    int m_nPixelHeight = 1;
    std::wstring m_strInfoText;
    int m_nStreamIndex = 0;
    int m_nStreamIndex2 = -1;
    std::wstring m_strInfoText2;
    std::wstring m_strInfoText3;
    std::wstring m_strInfoText4;
    std::wstring m_strInfoText5;
    std::wstring m_strInfoText6;
    int m_nAux = 0;
    std::wstring m_strAux;

    std::wstring GetCodecName() const override { return m_strCodecName; }
    double GetBitrate() const override { return m_dBitrate; }
    double GetFrameRate() const override { return m_dFrameRate; }
    int GetWidth() const override { return m_nWidth; }
    int GetHeight() const override { return m_nHeight; }
    std::wstring GetInfoText() const override { return m_strInfoText; }
    int GetStreamIndex() const override { return m_nStreamIndex; }
    std::wstring GetInfoText2() const override { return m_strInfoText2; }
    std::wstring GetInfoText3() const override { return m_strInfoText3; }
    std::wstring GetInfoText4() const override { return m_strInfoText4; }
    std::wstring GetInfoText5() const override { return m_strInfoText5; }
    std::wstring GetInfoText6() const override { return m_strInfoText6; }
};

struct VXM_AUDIO_TRACK : public IVXMAudio {
    std::wstring m_strCodecName;   // upper case
    int m_nBitrate = 0;            // bit/s
    int m_nSampleRate = 0;         // Hz
    std::wstring m_strInfoText;
    int m_nChannels = 0;
    int m_nInfoValue = 0;
    std::wstring m_strInfoText2;
    int m_nId = -1;                // stream index
    int m_nId2 = -1;
    std::wstring m_strLanguage;
    std::wstring m_strDescription;
    std::wstring m_strLanguageText;
    std::wstring m_strDisplayName;
    int m_bExternal = 0;           // an audio file added beside the source
    std::wstring m_strFilePath;    // that file

    int GetId() const override { return m_nId; }
    std::wstring GetLanguage() const override { return m_strLanguage; }
    std::wstring GetDescription() const override { return m_strDescription; }
    std::wstring GetLanguageText() const override { return m_strLanguageText; }
    std::wstring GetCodecName() const override { return m_strCodecName; }
    int GetBitrate() const override { return m_nBitrate; }
    int GetSampleRate() const override { return m_nSampleRate; }
    std::wstring GetInfoText() const override { return m_strInfoText; }
    int GetChannels() const override { return m_nChannels; }
    int GetInfoValue() const override { return m_nInfoValue; }
    std::wstring GetInfoText2() const override { return m_strInfoText2; }
    std::wstring GetDisplayName() const override { return m_strDisplayName; }
};

struct VXM_SUBTITLE : public IVXMSubtitle {
    int m_nId = -1;                // stream index
    int m_nId2 = -1;
    std::wstring m_strLanguage;
    std::wstring m_strDescription;
    std::wstring m_strLanguageText;
    std::wstring m_strInfoText;
    std::wstring m_strDisplayName;
    int m_bExternal = 0;           // a subtitle file added beside the source
    std::wstring m_strFilePath;    // that file

    int GetId() const override { return m_nId; }
    std::wstring GetLanguage() const override { return m_strLanguage; }
    std::wstring GetDescription() const override { return m_strDescription; }
    std::wstring GetLanguageText() const override { return m_strLanguageText; }
    std::wstring GetInfoText() const override { return m_strInfoText; }
    std::wstring GetDisplayName() const override { return m_strDisplayName; }
};

struct VXM_DVD_CHAPTER : public IVXMDVDChapter {
    int m_nNumber = 0;
    float m_fStartTime = 0.0f;
    int m_nAux1 = 0;
    int m_nAux2 = 0;
    int m_nAux3 = 0;
    int m_nAux4 = 0;
    int m_nCellIndex = -1;

    int GetNumber() const override { return m_nNumber; }
    float GetStartTime() const override { return m_fStartTime; }
    int GetCellIndex() const override { return m_nCellIndex; }
};

struct VXM_DVD_CELL : public IVXMCell {
    float m_fTime = 0.0f;
    int m_nAux1 = 0;
    int m_nAux2 = 0;
    int m_nAux3 = 0;
    int m_nAux4 = 0;

    float GetTime() const override { return m_fTime; }
};

// One chapter found by the probe (audio CDs: one per track).
struct VXM_MEDIA_CHAPTER {
    std::int32_t m_nId = 0;
    std::int64_t m_llStart = 0;    // whole seconds
    std::int64_t m_llEnd = 0;      // whole seconds
    std::int64_t m_llStartMs = 0;  // the same bounds in milliseconds (CD track
    std::int64_t m_llEndMs = 0;    // bounds need more than whole seconds)
    std::map<std::wstring, std::wstring> m_mapMetadata;
};
