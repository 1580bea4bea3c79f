// Output profiles: rule switching, sizes, volume, quality presets, codes and clones.
#include "EngineGlobals.h"
#include "JobCommand.h"
#include "profile_fixture.h"

#include <gtest/gtest.h>

#include <set>

using namespace profiletest;

namespace {
using Values = std::vector<std::wstring>;

Values Offered(IProfileItem* item)
{
    Values values;
    for (int i = 0; i < item->GetValueCount(); ++i)
        values.push_back(item->GetValueAt(static_cast<unsigned>(i)));
    return values;
}
}  // namespace

TEST(ProfileRules, SwitchingToAValueWithoutARuleRestoresTheFullLists)
{
    auto p = MakeProfile();
    AddRule(*p, L"Video Codec", L"h264", {{L"Video Size", PROFILE_LIMIT_MAX, L"640x480"}});
    p->GetVideoCodec();
    ASSERT_EQ(Offered(p->GetVideoSizeItem()).size(), 3u);
    p->SetVideoCodec(L"mpeg4");
    EXPECT_EQ(Offered(p->GetVideoSizeItem()), p->m_items[ITEM_VIDEO_SIZE].m_lstValues);
    EXPECT_EQ(p->m_items[ITEM_VIDEO_CODEC].m_nLimitsActive, 0);
    EXPECT_EQ(p->m_items[ITEM_VIDEO_CODEC].m_ActiveRule.m_nStamp, -1);
}

TEST(ProfileRules, SwitchingBetweenRuledValuesReplacesTheLimits)
{
    auto p = MakeProfile();
    AddRule(*p, L"Video Codec", L"h264", {{L"Audio Codec", PROFILE_LIMIT_EQUAL, L"aac"}});
    AddRule(*p, L"Video Codec", L"xvid", {{L"Audio Codec", PROFILE_LIMIT_EQUAL, L"mp3,wma"}});
    EXPECT_EQ(p->GetVideoCodec(), L"h264");
    EXPECT_EQ(Offered(p->GetAudioCodecItem()), (Values{L"aac"}));
    p->SetVideoCodec(L"xvid");
    EXPECT_EQ(Offered(p->GetAudioCodecItem()), (Values{L"wma", L"mp3"}));
    EXPECT_EQ(p->GetAudioCodec(), L"mp3");
    EXPECT_EQ(p->m_items[ITEM_AUDIO_CODEC].m_lstLimits.size(), 1u);
}

TEST(ProfileRules, TheLastMatchingRuleCountsAndReadingAgainChangesNothing)
{
    auto p = MakeProfile();
    AddRule(*p, L"Video Codec", L"h264", {{L"Video Bitrate", PROFILE_LIMIT_MAX, L"2000"}});
    AddRule(*p, L"Video Codec", L"h264", {{L"Video Bitrate", PROFILE_LIMIT_MAX, L"500"}});
    p->GetVideoCodec();
    int stamp = p->m_items[ITEM_VIDEO_CODEC].m_ActiveRule.m_nStamp;
    p->GetVideoCodec();
    EXPECT_EQ(p->m_items[ITEM_VIDEO_CODEC].m_ActiveRule.m_nStamp, stamp);
    EXPECT_EQ(Offered(p->GetVideoBitrateItem()), (Values{L"AUTO", L"500"}));
    EXPECT_EQ(p->m_items[ITEM_VIDEO_BITRATE].m_lstLimits.size(), 1u);
}

TEST(ProfileRules, ARuleForAnItemNotInTheProfileIsNeverInstalled)
{
    auto p = MakeProfile();
    AddRule(*p, L"Video Codec", L"h264", {{L"No Such Item", PROFILE_LIMIT_EQUAL, L"x"}});
    EXPECT_EQ(p->GetVideoCodec(), L"h264");
    for (const auto& item : p->m_items)
        EXPECT_TRUE(item.m_lstLimits.empty());
}

TEST(ProfileSizes, WidthAndHeightAreReadFromTheSizeValue)
{
    auto p = MakeProfile();
    struct {
        const wchar_t* size;
        int width, height;
    } cases[] = {{L"640x360", 640, 360}, {L"642x10", 648, 64}, {L"AUTO", 320, 240}, {L"720X576", 720, 240},
                 {L"", 320, 240},        {L"-8x-8", 320, 64}};
    for (const auto& c : cases) {
        p->m_items[ITEM_VIDEO_SIZE].m_strValue = c.size;
        EXPECT_EQ(p->GetVideoWidth(), c.width) << c.size;
        EXPECT_EQ(p->GetVideoHeight(), c.height) << c.size;
    }
}

TEST(ProfileVolume, VolumeIsKeptWithinHalfAndDouble)
{
    auto p = MakeProfile();
    p->SetVolume(3.0f);
    EXPECT_FLOAT_EQ(p->GetVolume(), 2.0f);
    p->SetVolume(0.1f);
    EXPECT_FLOAT_EQ(p->GetVolume(), 0.5f);
    p->SetVolume(1.3f);
    EXPECT_FLOAT_EQ(p->GetVolume(), 1.3f);
}

TEST(ProfileAudioSwitch, DisablingAudioSetsYesOrNoWithoutTouchingTheList)
{
    auto p = MakeProfile();
    p->m_items[ITEM_DISABLE_AUDIO].m_strValue = L"yEs";
    EXPECT_EQ(p->IsAudioDisabled(), 1);
    p->SetAudioDisabled(0);
    EXPECT_EQ(p->IsAudioDisabled(), 0);
    p->m_items[ITEM_DISABLE_AUDIO].m_lstValues.clear();
    p->SetAudioDisabled(1);
    EXPECT_EQ(p->m_items[ITEM_DISABLE_AUDIO].m_strValue, L"Yes");
    EXPECT_TRUE(p->m_items[ITEM_DISABLE_AUDIO].m_lstValues.empty());
}

TEST(ProfileQuality, ReachingThePresetValuesDerivesTheMode)
{
    auto p = MakeProfile();
    p->m_strHighVideoCodec = L"h264";
    p->m_strHighVideoBitrate = L"2000";
    p->m_strLowVideoCodec = L"mpeg4";
    p->m_strLowVideoBitrate = L"500";
    p->SetVideoBitrate(L"2000");
    EXPECT_EQ(p->GetVideoQualityMode(), QUALITY_MODE_HIGH);
    p->SetVideoCodec(L"mpeg4");
    EXPECT_EQ(p->GetVideoQualityMode(), QUALITY_MODE_HIGH);  // neither preset matches: unchanged
    p->SetVideoBitrate(L"500");
    EXPECT_EQ(p->GetVideoQualityMode(), QUALITY_MODE_LOW);

    auto q = MakeProfile();
    q->m_strHighAudioCodec = L"mp3";
    q->SetAudioCodec(L"mp3");
    EXPECT_EQ(q->GetAudioQualityMode(), QUALITY_MODE_HIGH);
}

TEST(ProfileQuality, ChoosingAModeAppliesItsPresetAndNormalGoesBackToDefaults)
{
    auto p = MakeProfile();
    p->m_strHighVideoCodec = L"xvid";
    p->m_strHighVideoBitrate = L"4000";
    p->SetVideoQualityMode(2);
    EXPECT_EQ(p->GetVideoQualityMode(), QUALITY_MODE_HIGH);
    EXPECT_EQ(p->GetVideoCodec(), L"xvid");
    EXPECT_EQ(p->GetVideoBitrate(), L"4000");
    EXPECT_EQ(p->m_items[ITEM_VIDEO_BITRATE].m_lstValues.back(), L"4000");
    p->SetVideoQualityMode(7);
    EXPECT_EQ(p->GetVideoQualityMode(), QUALITY_MODE_NORMAL);
    EXPECT_EQ(p->GetVideoCodec(), L"h264");
    EXPECT_EQ(p->GetVideoBitrate(), L"1000");
    p->SetVideoQualityMode(0);  // empty low preset: nothing changes
    EXPECT_EQ(p->GetVideoQualityMode(), QUALITY_MODE_LOW);
    EXPECT_EQ(p->GetVideoCodec(), L"h264");
}

TEST(ProfileCodes, TheTableHoldsEveryCodeOnceWithM4aAndMkvAfterGigabeat)
{
    std::set<int> codes;
    for (const PROFILE_CODE_ROW& row : g_ProfileCodeTable)
        codes.insert(row.nCode);
    EXPECT_EQ(codes.size(), 110u);
    EXPECT_EQ(*codes.begin(), 0);
    EXPECT_EQ(*codes.rbegin(), 109);
    int gigabeat = 0;
    while (gigabeat < PROFILE_CODE_COUNT && std::wstring(g_ProfileCodeTable[gigabeat].pszName) != L"gigabeat")
        ++gigabeat;
    ASSERT_EQ(gigabeat, 71);
    EXPECT_EQ(g_ProfileCodeTable[gigabeat].nCode, 73);
    EXPECT_EQ(g_ProfileCodeTable[gigabeat + 1].nCode, 35);
    EXPECT_STREQ(g_ProfileCodeTable[gigabeat + 1].pszName, L"m4a");
    EXPECT_EQ(g_ProfileCodeTable[gigabeat + 2].nCode, 28);
    EXPECT_STREQ(g_ProfileCodeTable[gigabeat + 2].pszName, L"mkv");
    EXPECT_EQ(g_ProfileCodeTable[gigabeat + 3].nCode, 74);
    EXPECT_STREQ(g_ProfileCodeTable[gigabeat + 3].pszName, L"zune_hd_wmv");
    // Every other row stands in code order.
    int previous = -1;
    for (int i = 0; i < PROFILE_CODE_COUNT; ++i) {
        if (i == gigabeat + 1 || i == gigabeat + 2)
            continue;
        EXPECT_GT(g_ProfileCodeTable[i].nCode, previous);
        previous = g_ProfileCodeTable[i].nCode;
    }
    for (int i = 0; i < PROFILE_CODE_COUNT; ++i)
        EXPECT_EQ(LookupProfileCode(g_ProfileCodeTable[i].pszName), g_ProfileCodeTable[i].nCode);
}

TEST(ProfileCodes, LookupIsExactAndCaseSensitive)
{
    EXPECT_EQ(LookupProfileCode(L"psp"), 10);
    EXPECT_EQ(LookupProfileCode(L"PSP"), -1);
    EXPECT_EQ(LookupProfileCode(L"psp "), -1);
    EXPECT_EQ(LookupProfileCode(L"gif"), 109);
    EXPECT_EQ(LookupProfileCode(L""), -1);
}

TEST(ProfileClone, ChangingTheCloneLeavesTheOriginalUnchanged)
{
    auto p = MakeProfile();
    p->m_lstCommands.push_back(std::make_unique<_PROFILE_COMMAND>(_PROFILE_COMMAND{2, 4}));
    p->m_lstGroupIndexes = {1, 3};
    p->m_nMuxKind = PROFILE_MUX_MP4BOX;
    p->m_strHighVideoCodec = L"xvid";
    p->SetVolume(1.5f);
    p->SetSizeMode(true);
    AddRule(*p, L"Video Codec", L"h264", {{L"Video Size", PROFILE_LIMIT_MAX, L"640x480"}});
    p->GetVideoCodec();

    std::unique_ptr<IProfile> cloned = p->Clone();
    auto* c = dynamic_cast<COutputProfile*>(cloned.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetName(), L"mp4");
    EXPECT_EQ(c->GetId(), 7);
    EXPECT_EQ(c->m_nMuxKind, PROFILE_MUX_MP4BOX);
    EXPECT_EQ(c->m_lstGroupIndexes, (std::vector<int>{1, 3}));
    EXPECT_FLOAT_EQ(c->GetVolume(), 1.5f);
    EXPECT_EQ(c->m_strHighVideoCodec, L"xvid");
    EXPECT_FALSE(c->IsSizeMode());
    ASSERT_EQ(c->m_lstCommands.size(), 1u);
    EXPECT_NE(c->m_lstCommands[0].get(), p->m_lstCommands[0].get());
    EXPECT_EQ(c->m_lstCommands[0]->m_nOutputType, 4);
    // The clone starts without installed limits and offers its full list.
    EXPECT_EQ(Offered(c->GetVideoSizeItem()).size(), 5u);

    c->SetVideoSize(L"1920x1080");
    c->SetAudioCodec(L"mp3");
    c->m_lstCommands[0]->m_nOutputType = 10;
    EXPECT_EQ(p->GetVideoSize(), L"320x240");
    EXPECT_EQ(p->m_items[ITEM_VIDEO_SIZE].m_lstValues.size(), 5u);
    EXPECT_EQ(p->GetAudioCodec(), L"aac");
    EXPECT_EQ(p->m_lstCommands[0]->m_nOutputType, 4);
}

TEST(ProfileClone, RulesOfTheCloneActOnTheClonesOwnItems)
{
    auto p = MakeProfile();
    AddRule(*p, L"Video Codec", L"xvid", {{L"Video Size", PROFILE_LIMIT_MAX, L"640x480"}});
    AddRule(*p, L"Missing", L"x", {{L"Video Size", PROFILE_LIMIT_MAX, L"320x240"}});
    std::unique_ptr<IProfile> cloned = p->Clone();
    auto* c = static_cast<COutputProfile*>(cloned.get());
    ASSERT_EQ(c->m_lstRules.size(), 2u);
    EXPECT_EQ(c->m_lstRules[0].m_pSourceItem, &c->m_items[ITEM_VIDEO_CODEC]);
    EXPECT_EQ(c->m_lstRules[0].m_lstLimits[0].m_pLimitedItem, &c->m_items[ITEM_VIDEO_SIZE]);
    EXPECT_EQ(c->m_lstRules[1].m_pSourceItem, nullptr);

    c->SetVideoCodec(L"xvid");
    EXPECT_EQ(Offered(c->GetVideoSizeItem()).size(), 3u);
    EXPECT_TRUE(p->m_items[ITEM_VIDEO_SIZE].m_lstLimits.empty());
    EXPECT_EQ(Offered(p->GetVideoSizeItem()).size(), 5u);
}

TEST(ProfileJobs, BuildingWithoutAMediaObjectFailsAndAddsNoStep)
{
    auto p = MakeProfile();
    std::vector<std::wstring> outputs, video, audio, parts;
    VXM_JOB_QUEUE queue;
    EXPECT_EQ(p->BuildCommands(nullptr, L"/tmp", outputs, video, audio, queue, nullptr), -1);
    EXPECT_EQ(p->BuildJoinCommands(nullptr, L"/tmp/out.mp4", queue, parts), -1);
    EXPECT_TRUE(queue.empty());
}

TEST(ProfileHardwareEncoding, OnlyX264AndX265QualifyAndOnlyWhenTheSettingAllows)
{
    EXPECT_EQ(IsHardwareEncoderUsable(L"x264", 0), 0);
    EXPECT_EQ(IsHardwareEncoderUsable(L"x265", 0), 0);
    EXPECT_EQ(IsHardwareEncoderUsable(L"mpeg4", 1), 0);
    EXPECT_EQ(IsHardwareEncoderUsable(L"X264", 1), 0);
    EXPECT_EQ(IsHardwareEncoderUsable(L"x264 ", 1), 0);
    const int device = IsCUDADevicePresent() == 1 ? GetCUDAComputeCapability() : 0;
    if (device < 0x30) {
        EXPECT_EQ(IsHardwareEncoderUsable(L"x264", 1), 0);
    }
    if (device < 0x52) {
        EXPECT_EQ(IsHardwareEncoderUsable(L"x265", 1), 0);
    }
}
