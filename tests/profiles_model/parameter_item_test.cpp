// Parameter items: value lists, set and remove rules, and how limits narrow them.
#include "profile_fixture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace profiletest;

namespace {

std::vector<std::wstring> Offered(IProfileItem* item)
{
    std::vector<std::wstring> values;
    for (int i = 0; i < item->GetValueCount(); ++i)
        values.push_back(item->GetValueAt(static_cast<unsigned>(i)));
    return values;
}

using Values = std::vector<std::wstring>;

}  // namespace

TEST(ParameterItemValues, UnlimitedItemOffersItsAllowedValuesAndItsEditableFlag)
{
    auto p = MakeProfile();
    _OUTPUT_AV_PARAMETER_ITEM& size = p->m_items[ITEM_VIDEO_SIZE];
    size.m_nFlags = PROFILE_ITEM_VISIBLE | PROFILE_ITEM_EDITABLE;
    EXPECT_EQ(Offered(&size), size.m_lstValues);
    EXPECT_NE(size.IsEditable(), 0);
    EXPECT_NE(size.IsVisible(), 0);
    EXPECT_EQ(size.IsReadOnly(), 0);
    EXPECT_EQ(size.GetValueAt(99), L"");
}

TEST(ParameterItemValues, SettingAValueNotInTheListAppendsItOnce)
{
    auto p = MakeProfile();
    p->SetFramerate(L"29.97");
    p->SetFramerate(L"29.97");
    EXPECT_EQ(p->GetFramerate(), L"29.97");
    EXPECT_EQ(p->m_items[ITEM_FRAMERATE].m_lstValues, (Values{L"AUTO", L"25", L"30", L"29.97"}));
}

TEST(ParameterItemValues, MaximumCharactersTrimAndCutTheValue)
{
    auto p = MakeProfile();
    p->m_items[ITEM_VIDEO_BITRATE].m_nMaxChars = 4;
    p->SetVideoBitrate(L"  12345 \t");
    EXPECT_EQ(p->GetVideoBitrate(), L"1234");
    p->m_items[ITEM_VIDEO_BITRATE].m_nMaxChars = 0;
    p->SetVideoBitrate(L" 77 ");
    EXPECT_EQ(p->GetVideoBitrate(), L" 77 ");
}

TEST(ParameterItemValues, RemovingAValueLeavesCurrentAndDefaultAlone)
{
    auto p = MakeProfile();
    EXPECT_EQ(p->RemoveAudioBitrate(L"128"), 1);
    EXPECT_EQ(p->RemoveAudioBitrate(L"128"), 0);
    EXPECT_EQ(p->RemoveAudioBitrate(L"999"), 0);
    EXPECT_EQ(p->GetAudioBitrate(), L"128");
    EXPECT_EQ(p->m_items[ITEM_AUDIO_BITRATE].m_strDefault, L"128");
    EXPECT_EQ(p->m_items[ITEM_AUDIO_BITRATE].m_lstValues, (Values{L"64", L"192", L"320"}));
}

TEST(ParameterItemValues, CopyTakesValuesButNoInstalledLimits)
{
    auto p = MakeProfile();
    AddRule(*p, L"Video Codec", L"h264", {{L"Video Size", PROFILE_LIMIT_MAX, L"640x480"}});
    p->GetVideoCodec();
    ASSERT_FALSE(p->m_items[ITEM_VIDEO_SIZE].m_lstLimits.empty());
    _OUTPUT_AV_PARAMETER_ITEM copy = p->m_items[ITEM_VIDEO_SIZE];
    EXPECT_EQ(copy.m_lstValues, p->m_items[ITEM_VIDEO_SIZE].m_lstValues);
    EXPECT_EQ(copy.m_strValue, p->m_items[ITEM_VIDEO_SIZE].m_strValue);
    EXPECT_TRUE(copy.m_lstLimits.empty());
    EXPECT_TRUE(copy.m_lstLimited.empty());
    EXPECT_EQ(copy.m_nLimitsActive, 0);
}

TEST(ParameterItemLimits, MinimumLimitFiltersNothingButMakesTheItemNotEditable)
{
    auto p = MakeProfile();
    p->m_items[ITEM_VIDEO_BITRATE].m_nFlags = PROFILE_ITEM_EDITABLE;
    AddRule(*p, L"Video Codec", L"h264", {{L"Video Bitrate", PROFILE_LIMIT_MIN, L"1000"}});
    p->GetVideoCodec();
    IProfileItem* bitrate = p->GetVideoBitrateItem();
    EXPECT_EQ(bitrate->IsEditable(), 0);
    EXPECT_EQ(Offered(bitrate), p->m_items[ITEM_VIDEO_BITRATE].m_lstValues);
    EXPECT_EQ(p->GetVideoBitrate(), L"1000");
}

TEST(ParameterItemLimits, VideoSizeMaximumComparesWidthAndHeight)
{
    auto p = MakeProfile();
    p->m_items[ITEM_VIDEO_SIZE].m_strValue = L"720x576";
    AddRule(*p, L"Video Codec", L"h264", {{L"Video Size", PROFILE_LIMIT_MAX, L"640x480"}});
    p->GetVideoCodec();
    EXPECT_EQ(Offered(p->GetVideoSizeItem()), (Values{L"AUTO", L"320x240", L"640x480"}));
    // Forced to the limit's text, which does not join the allowed values.
    EXPECT_EQ(p->m_items[ITEM_VIDEO_SIZE].m_strValue, L"640x480");
    p->m_items[ITEM_VIDEO_SIZE].m_lstValues.erase(p->m_items[ITEM_VIDEO_SIZE].m_lstValues.begin() + 2);
    p->m_items[ITEM_VIDEO_SIZE].m_strValue = L"720x576";
    p->m_items[ITEM_VIDEO_SIZE].ApplyLimits();
    EXPECT_EQ(p->m_items[ITEM_VIDEO_SIZE].m_strValue, L"640x480");
    EXPECT_EQ(p->m_items[ITEM_VIDEO_SIZE].m_lstValues.size(), 4u);
}

TEST(ParameterItemLimits, NumericMaximumKeepsTextsThatReadAsZero)
{
    auto p = MakeProfile();
    AddRule(*p, L"Video Codec", L"h264", {{L"Video Bitrate", PROFILE_LIMIT_MAX, L"800"}});
    p->GetVideoCodec();
    EXPECT_EQ(Offered(p->GetVideoBitrateItem()), (Values{L"AUTO", L"500"}));
    EXPECT_EQ(p->m_items[ITEM_VIDEO_BITRATE].m_strValue, L"800");
}

TEST(ParameterItemLimits, EqualLimitKeepsTheListedValuesInAllowedOrder)
{
    auto p = MakeProfile();
    p->m_items[ITEM_AUDIO_CODEC].m_strValue = L"wma";
    AddRule(*p, L"Video Codec", L"h264", {{L"Audio Codec", PROFILE_LIMIT_EQUAL, L"mp3, aac"}});
    p->GetVideoCodec();
    EXPECT_EQ(Offered(p->GetAudioCodecItem()), (Values{L"aac", L"mp3"}));
    EXPECT_EQ(p->m_items[ITEM_AUDIO_CODEC].m_strValue, L"mp3");
}

TEST(ParameterItemLimits, MalformedLimitsFilterNothingAndKeepTheValue)
{
    auto p = MakeProfile();
    AddRule(*p, L"Video Codec", L"h264",
            {{L"Audio Codec", PROFILE_LIMIT_EQUAL, L" , ,"}, {L"Video Size", PROFILE_LIMIT_MAX, L"640"}});
    p->GetVideoCodec();
    EXPECT_EQ(Offered(p->GetAudioCodecItem()), p->m_items[ITEM_AUDIO_CODEC].m_lstValues);
    EXPECT_EQ(p->m_items[ITEM_AUDIO_CODEC].m_strValue, L"aac");
    EXPECT_EQ(Offered(p->GetVideoSizeItem()), p->m_items[ITEM_VIDEO_SIZE].m_lstValues);
    EXPECT_EQ(p->m_items[ITEM_VIDEO_SIZE].m_strValue, L"320x240");
}

TEST(ParameterItemLimits, TwoMaximaFromDifferentSourcesBothApplyAndOneCanBeLifted)
{
    auto p = MakeProfile();
    AddRule(*p, L"Video Codec", L"h264", {{L"Audio Bitrate", PROFILE_LIMIT_MAX, L"192"}});
    AddRule(*p, L"Channel", L"2", {{L"Audio Bitrate", PROFILE_LIMIT_MAX, L"128"}});
    p->GetVideoCodec();
    p->GetChannel();
    EXPECT_EQ(Offered(p->GetAudioBitrateItem()), (Values{L"64", L"128"}));
    p->SetChannel(L"1");  // no rule for 1: its limit goes
    EXPECT_EQ(Offered(p->GetAudioBitrateItem()), (Values{L"64", L"128", L"192"}));
    p->SetVideoCodec(L"xvid");
    EXPECT_EQ(Offered(p->GetAudioBitrateItem()), (Values{L"64", L"128", L"192", L"320"}));
    EXPECT_EQ(p->m_items[ITEM_AUDIO_BITRATE].m_lstLimits.size(), 0u);
}
