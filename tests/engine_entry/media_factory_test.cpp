// Media objects from the factory: kinds, and copies that live on their own.
#include "EngineHooks.h"
#include "VXMMediaExports.h"
#include "VXMMediaImpl.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

CVXMMediaBase* DataOf(IVXMMedia* media)
{
    return dynamic_cast<CVXMMediaBase*>(media);
}

SDL_Surface* MakeSurface(Uint32 fill)
{
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 4, 32, 0x00FF0000, 0x0000FF00, 0x000000FF,
                                                0xFF000000);
    SDL_FillRect(surface, nullptr, fill);
    return surface;
}

Uint32 FirstPixel(SDL_Surface* surface)
{
    Uint32 pixel = 0;
    std::memcpy(&pixel, surface->pixels, sizeof(pixel));
    return pixel;
}

// A source with something in every kind of field that a copy must duplicate.
IVXMMedia* MakeFilledSource()
{
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    CVXMMediaBase* data = DataOf(media);
    media->SetSourcePath(L"/videos/holiday.mp4");
    data->m_nDuration = 60000;
    auto video = std::make_unique<VXM_VIDEO_STREAM>();
    video->m_nWidth = 640;
    video->m_nHeight = 480;
    video->m_dFrameRate = 25.0;
    data->m_lstVideo.push_back(std::move(video));
    data->AddAudioTrack("eng", nullptr, "aac", nullptr, nullptr, 2, 0, nullptr, 1, -1, 128000, 44100);
    data->AddSubtitle(nullptr, "fre", nullptr, 2, -1);
    data->m_lstClipSegments.push_back({1000, 2000});
    data->SetStreamSelection(0, 1, 0, std::make_unique<VXM_PARAM_OVERRIDES>());
    data->m_wmText.m_strText = L"mark";
    data->m_wmText.m_nFontSize = 30;
    data->m_pImageWatermark = MakeSurface(0x80112233);
    data->m_pTextWatermark = MakeSurface(0x40445566);
    data->m_pImageWatermarkScaled = MakeSurface(0x10101010);
    data->m_nWatermarkTransparency = 40;
    data->m_bDoubleLength = 1;
    data->m_nProtected = 0;
    data->m_bBurnNaming = 1;
    data->m_bNoAudio = 1;
    data->m_strAux8 = L"kept here";
    data->m_lstChapters.push_back(std::make_unique<VXM_MEDIA_CHAPTER>());
    return media;
}

TEST(MediaFactory, NullSourceGivesAnEmptyFileMedia)
{
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    ASSERT_NE(media, nullptr);
    CVXMMediaBase* data = DataOf(media);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(media->GetMediaKind(), 0);
    EXPECT_EQ(media->GetVideoStreamCount(), 0);
    EXPECT_EQ(media->GetAudioTrackCount(), 0);
    EXPECT_EQ(media->GetSubtitleCount(), 0);
    EXPECT_EQ(media->GetAudioTrackId(), -1);
    EXPECT_EQ(media->GetSubtitleId(), -1);
    EXPECT_EQ(media->GetAudioTrack(), nullptr);
    EXPECT_EQ(media->GetSelectedAudioStream(), -1);
    ASSERT_NE(data->m_hPauseEvent, nullptr);
    EXPECT_TRUE(data->m_hPauseEvent->IsSet());
    EXPECT_TRUE(data->m_lstJoin.empty());
    EXPECT_EQ(data->m_bHasJoinList, 0);
    EXPECT_EQ(data->m_n3DMode, 10);
    EXPECT_EQ(data->m_n3DOutput, -1);
    EXPECT_EQ(data->m_wmText.m_nFontSize, -1);
    EXPECT_TRUE(data->m_wmImage.m_hSwapEvent->IsSet());
    media->Release();
}

TEST(MediaFactory, CopyDuplicatesRecordsAndSurfaces)
{
    IVXMMedia* source = MakeFilledSource();
    IVXMMedia* copy = CreateVXMMediaObject(source);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, source);
    CVXMMediaBase* s = DataOf(source);
    CVXMMediaBase* c = DataOf(copy);

    EXPECT_EQ(copy->GetSourcePath(), L"/videos/holiday.mp4");
    EXPECT_EQ(copy->GetSourceTitle(), L"holiday");
    ASSERT_EQ(copy->GetAudioTrackCount(), 1);
    EXPECT_NE(copy->GetAudioTrackAt(0), source->GetAudioTrackAt(0));
    EXPECT_EQ(copy->GetAudioTrackAt(0)->GetDisplayName(), L"AAC 44 KHz 128 Kbps 2 CH");
    ASSERT_EQ(copy->GetVideoStreamCount(), 1);
    EXPECT_NE(copy->GetVideoStreamAt(0), source->GetVideoStreamAt(0));
    EXPECT_EQ(copy->GetVideoStreamAt(0)->GetWidth(), 640);
    ASSERT_EQ(copy->GetSubtitleCount(), 1);
    EXPECT_NE(copy->GetSubtitleAt(0), source->GetSubtitleAt(0));

    ASSERT_EQ(c->m_lstClipSegments.size(), 1u);
    EXPECT_NE(&c->m_lstClipSegments.front(), &s->m_lstClipSegments.front());
    EXPECT_EQ(c->m_lstClipSegments.front().m_nEnd, 2000);

    ASSERT_NE(c->m_pSelection, nullptr);
    EXPECT_NE(c->m_pSelection.get(), s->m_pSelection.get());
    EXPECT_EQ(copy->GetSelectedAudioStream(), 1);
    ASSERT_NE(c->m_pSelection->m_pOverrides, nullptr);
    EXPECT_NE(c->m_pSelection->m_pOverrides.get(), s->m_pSelection->m_pOverrides.get());

    EXPECT_EQ(c->m_wmText.m_strText, L"mark");
    EXPECT_EQ(c->m_wmText.m_nFontSize, 30);
    EXPECT_NE(c->m_wmText.m_hSwapEvent.get(), s->m_wmText.m_hSwapEvent.get());
    ASSERT_NE(c->m_pImageWatermark, nullptr);
    EXPECT_NE(c->m_pImageWatermark, s->m_pImageWatermark);
    EXPECT_EQ(FirstPixel(c->m_pImageWatermark), FirstPixel(s->m_pImageWatermark));
    ASSERT_NE(c->m_pTextWatermark, nullptr);
    EXPECT_NE(c->m_pTextWatermark, s->m_pTextWatermark);
    EXPECT_EQ(c->m_pImageWatermarkScaled, nullptr);
    EXPECT_EQ(c->m_nWatermarkTransparency, 40);

    EXPECT_EQ(c->m_bDoubleLength, 1);
    EXPECT_EQ(c->m_nProtected, 0);
    EXPECT_EQ(c->m_bBurnNaming, 1);
    EXPECT_EQ(c->m_bNoAudio, 1);
    EXPECT_TRUE(c->m_strAux8.empty());
    EXPECT_TRUE(c->m_lstChapters.empty());
    copy->Release();
    source->Release();
}

TEST(MediaFactory, CopyHasItsOwnPauseEvent)
{
    IVXMMedia* source = CreateVXMMediaObject(nullptr);
    DataOf(source)->m_hPauseEvent->Reset();  // a paused conversion
    IVXMMedia* copy = CreateVXMMediaObject(source);
    EXPECT_NE(DataOf(copy)->m_hPauseEvent.get(), DataOf(source)->m_hPauseEvent.get());
    EXPECT_TRUE(DataOf(copy)->m_hPauseEvent->IsSet());
    EXPECT_FALSE(DataOf(source)->m_hPauseEvent->IsSet());
    copy->Release();
    source->Release();
}

TEST(MediaFactory, ReleasingTheCopyLeavesTheSourceIntact)
{
    IVXMMedia* source = MakeFilledSource();
    IVXMMedia* copy = CreateVXMMediaObject(source);
    copy->Release();
    CVXMMediaBase* s = DataOf(source);
    EXPECT_EQ(source->GetAudioTrackAt(0)->GetCodecName(), L"AAC");
    EXPECT_EQ(FirstPixel(s->m_pImageWatermark), 0x80112233u);
    EXPECT_EQ(s->m_pSelection->m_nAudio, 1);
    EXPECT_TRUE(s->m_wmText.m_hSwapEvent->IsSet());
    EXPECT_EQ(s->m_lstChapters.size(), 1u);
    source->Release();
}

TEST(MediaFactory, ReleasingTheSourceLeavesTheCopyIntact)
{
    IVXMMedia* source = MakeFilledSource();
    IVXMMedia* copy = CreateVXMMediaObject(source);
    source->Release();
    CVXMMediaBase* c = DataOf(copy);
    EXPECT_EQ(copy->GetAudioTrackAt(0)->GetCodecName(), L"AAC");
    EXPECT_EQ(copy->GetVideoStreamAt(0)->GetHeight(), 480);
    EXPECT_EQ(FirstPixel(c->m_pTextWatermark), 0x40445566u);
    EXPECT_EQ(c->m_pSelection->m_nVideo, 0);
    copy->Release();
}

TEST(MediaFactory, CopyStartsWithoutJoinMediaAndSaysSo)
{
    IVXMMedia* source = CreateVXMMediaObject(nullptr);
    IVXMMedia* joined = CreateVXMMediaObject(nullptr);
    source->AddJoinMedia(joined);
    ASSERT_EQ(DataOf(source)->m_bHasJoinList, 1);
    IVXMMedia* copy = CreateVXMMediaObject(source);
    EXPECT_TRUE(DataOf(copy)->m_lstJoin.empty());
    EXPECT_EQ(DataOf(copy)->m_bHasJoinList, 0);
    copy->Release();
    source->Release();
    joined->Release();
}

TEST(MediaFactory, CopyKeepsThePositionOffsetOfAFileMedia)
{
    auto* source = new CVXMMediaImpl();
    source->m_nPositionOffset = 12;
    IVXMMedia* copy = CreateVXMMediaObject(source);
    auto* file = dynamic_cast<CVXMMediaImpl*>(copy);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->m_nPositionOffset, 12);
    copy->Release();
    source->Release();
}

// Copies of DVD titles and CD tracks are made by their own classes.
int g_titleCopies = 0;
int g_trackCopies = 0;
IVXMMedia* FakeCopyTitle(IVXMMedia&) { ++g_titleCopies; return new CVXMMediaImpl(); }
IVXMMedia* FakeCopyTrack(IVXMMedia&) { ++g_trackCopies; return new CVXMMediaImpl(); }

class MediaFactoryKinds : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = g_EngineHooks;
        g_EngineHooks.pfnCopyDVDTitleMedia = &FakeCopyTitle;
        g_EngineHooks.pfnCopyDiscTrackMedia = &FakeCopyTrack;
        g_titleCopies = g_trackCopies = 0;
    }
    void TearDown() override { g_EngineHooks = m_saved; }
    VXM_ENGINE_HOOKS m_saved{};
};

TEST_F(MediaFactoryKinds, EachKindIsCopiedByItsOwnClass)
{
    auto* title = new CVXMMediaImpl();
    title->m_nMediaKind = 1;
    auto* track = new CVXMMediaImpl();
    track->m_nMediaKind = 2;
    IVXMMedia* titleCopy = CreateVXMMediaObject(title);
    IVXMMedia* trackCopy = CreateVXMMediaObject(track);
    EXPECT_EQ(g_titleCopies, 1);
    EXPECT_EQ(g_trackCopies, 1);
    titleCopy->Release();
    trackCopy->Release();
    title->Release();
    track->Release();
}

TEST_F(MediaFactoryKinds, AnUnknownKindGivesAnEmptyFileMedia)
{
    auto* odd = new CVXMMediaImpl();
    odd->m_nMediaKind = 7;
    odd->SetSourcePath(L"/a/b.mkv");
    IVXMMedia* made = CreateVXMMediaObject(odd);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetMediaKind(), 0);
    EXPECT_TRUE(made->GetSourcePath().empty());
    EXPECT_EQ(g_titleCopies + g_trackCopies, 0);
    made->Release();
    odd->Release();
}

TEST_F(MediaFactoryKinds, AKindWithoutItsClassGivesNull)
{
    g_EngineHooks.pfnCopyDVDTitleMedia = nullptr;
    auto* title = new CVXMMediaImpl();
    title->m_nMediaKind = 1;
    EXPECT_EQ(CreateVXMMediaObject(title), nullptr);
    title->Release();
}

}  // namespace
