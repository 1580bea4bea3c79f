// Read-only views of the stream records of a media object. The records are
// owned by the media object (or DVD title) that hands them out; a view is
// never deleted through these interfaces. Texts come back by value.
#pragma once
#include <string>

class IVXMVideo {
public:
    virtual std::wstring GetCodecName() const = 0;
    virtual double GetBitrate() const = 0;      // kbit/s
    virtual double GetFrameRate() const = 0;    // above 0: the stream has pictures
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual std::wstring GetInfoText() const = 0;
    virtual int GetStreamIndex() const = 0;
    virtual std::wstring GetInfoText2() const = 0;
    virtual std::wstring GetInfoText3() const = 0;
    virtual std::wstring GetInfoText4() const = 0;
    virtual std::wstring GetInfoText5() const = 0;
    virtual std::wstring GetInfoText6() const = 0;

protected:
    IVXMVideo() = default;
    IVXMVideo(const IVXMVideo&) = default;
    IVXMVideo& operator=(const IVXMVideo&) = default;
    ~IVXMVideo() = default;
};

class IVXMAudio {
public:
    virtual int GetId() const = 0;              // stream index, -1 for an external file
    virtual std::wstring GetLanguage() const = 0;
    virtual std::wstring GetDescription() const = 0;
    virtual std::wstring GetLanguageText() const = 0;
    virtual std::wstring GetCodecName() const = 0;  // upper case
    virtual int GetBitrate() const = 0;         // bit/s
    virtual int GetSampleRate() const = 0;      // Hz
    virtual std::wstring GetInfoText() const = 0;
    virtual int GetChannels() const = 0;
    virtual int GetInfoValue() const = 0;
    virtual std::wstring GetInfoText2() const = 0;
    virtual std::wstring GetDisplayName() const = 0;

protected:
    IVXMAudio() = default;
    IVXMAudio(const IVXMAudio&) = default;
    IVXMAudio& operator=(const IVXMAudio&) = default;
    ~IVXMAudio() = default;
};

class IVXMSubtitle {
public:
    virtual int GetId() const = 0;              // stream index, -1 for an external file
    virtual std::wstring GetLanguage() const = 0;
    virtual std::wstring GetDescription() const = 0;
    virtual std::wstring GetLanguageText() const = 0;
    virtual std::wstring GetInfoText() const = 0;
    virtual std::wstring GetDisplayName() const = 0;

protected:
    IVXMSubtitle() = default;
    IVXMSubtitle(const IVXMSubtitle&) = default;
    IVXMSubtitle& operator=(const IVXMSubtitle&) = default;
    ~IVXMSubtitle() = default;
};

class IVXMDVDChapter {
public:
    virtual int GetNumber() const = 0;
    virtual float GetStartTime() const = 0;
    virtual int GetCellIndex() const = 0;

protected:
    IVXMDVDChapter() = default;
    IVXMDVDChapter(const IVXMDVDChapter&) = default;
    IVXMDVDChapter& operator=(const IVXMDVDChapter&) = default;
    ~IVXMDVDChapter() = default;
};

class IVXMCell {
public:
    virtual float GetTime() const = 0;

protected:
    IVXMCell() = default;
    IVXMCell(const IVXMCell&) = default;
    IVXMCell& operator=(const IVXMCell&) = default;
    ~IVXMCell() = default;
};
