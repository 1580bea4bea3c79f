// A DVD title for the list tests: every media operation answers zero or
// empty unless a test sets the values below.
#pragma once
#include "support/fake_media.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class CFakeDVDTitle : public CStubDVDTitle {
public:
    int GetMediaKind() const override { return 1; }
    std::wstring GetSourceTitle() const override { return L"Disc"; }
    std::wstring GetDisplayFormat() const override { return L"16:9"; }
    int GetAngleCount() const override { return angles; }
    int SetAngle(int angle) override
    {
        chosenAngle = angle;
        return 0;
    }
    int MakeThumbnail(int, int, int) override
    {
        ++thumbnails;
        return 0;
    }
    IVXMVideo* GetVideoStream() override { return &video; }
    int angles = 1;
    int chosenAngle = -1;
    std::atomic<int> thumbnails{0};
    struct CVideo : IVXMVideo {
        std::wstring GetCodecName() const override { return L"mpeg2video"; }
        double GetBitrate() const override { return 0; }
        double GetFrameRate() const override { return 25; }
        int GetWidth() const override { return 720; }
        int GetHeight() const override { return 576; }
        std::wstring GetInfoText() const override { return {}; }
        int GetStreamIndex() const override { return 0; }
        std::wstring GetInfoText2() const override { return {}; }
        std::wstring GetInfoText3() const override { return {}; }
        std::wstring GetInfoText4() const override { return {}; }
        std::wstring GetInfoText5() const override { return {}; }
        std::wstring GetInfoText6() const override { return {}; }
    } video;
};
