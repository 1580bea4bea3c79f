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
    CStubVideo video{L"mpeg2video", 0, 720, 576};
};
