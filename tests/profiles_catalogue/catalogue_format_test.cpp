// How the loader reads each part of the file format, on small catalogues.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "ProfileManager.h"
#include "VXMUtils.h"
#include "XmlDocument.h"
#include "catalogue_support.h"
#include "support/test_media.h"

namespace {

const char* const kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n"
    "<categories><c name=\"video\" desc=\"Video\" id=\"0\"/><c name=\"audio\" desc=\"Audio\" id=\"1\"/></categories>\n"
    "<groups><g name=\"mp4\" desc=\"MP4\" id=\"0\" in_category=\"video\"/>"
    "<g name=\"mp3\" desc=\"MP3\" id=\"1\" in_category=\" audio , nothing\" audio=\"1\"/></groups>\n";

class CatalogueFormat : public ::testing::Test {
protected:
    // Loads a catalogue made of kHead, the given profiles and the end.
    bool Load(const std::string& profiles, const char* head = kHead)
    {
        const std::string path = dir.File("profiles.xml");
        EXPECT_TRUE(cataloguetest::WriteFile(path, std::string(head) + "<profiles>" + profiles + "</profiles></root>"));
        return manager.LoadProfiles(AnsiToWide(path));
    }
    COutputProfile* Profile(int index) { return static_cast<COutputProfile*>(manager.GetProfile(index)); }

    vxmtest::CTempDir dir;
    CProfileManager manager{AnsiToWide(dir.File("output"))};
};

TEST_F(CatalogueFormat, MembershipNamesAreTrimmedAndUnknownOnesSkipped)
{
    ASSERT_TRUE(Load("<p name=\"mp3_audio\" groups=\"nothing ,  mp3 \"/><p name=\"psp\" groups=\"mp4,mp3,mp4\"/>"));
    IProfileGroup* mp3 = manager.FindGroupByName(L"mp3");
    ASSERT_NE(mp3, nullptr);
    EXPECT_EQ(mp3->ContainsCode(1), 1);
    EXPECT_EQ(mp3->ContainsCode(0), 0);
    EXPECT_EQ(mp3->GetAudio(), 1);
    ASSERT_EQ(mp3->GetProfileCount(), 2);
    EXPECT_EQ(mp3->GetProfile(0), manager.GetProfile(0));
    EXPECT_EQ(Profile(0)->m_lstGroupIndexes, std::vector<int>{1});
    // A name given twice links twice.
    EXPECT_EQ(Profile(1)->m_lstGroupIndexes, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(manager.FindGroupByName(L"mp4")->GetProfileCount(), 2);
}

TEST_F(CatalogueFormat, ProfileNeedsOnlyItsName)
{
    ASSERT_TRUE(Load("<p name=\"not_in_table\"/><p desc=\"no name\"/><p name=\"psp\" id=\"7\" desc=\"PSP &amp; more\""
                     " tv_system=\"NTSC\" target_device=\"PSP\" file_ext=\"mp4\" folder=\"VIDEO\"/>"));
    ASSERT_EQ(manager.GetProfileCount(), 2);
    EXPECT_EQ(Profile(0)->GetId(), -1);
    EXPECT_EQ(Profile(0)->m_nProfileCode, -1);
    EXPECT_EQ(Profile(0)->GetProfileFlag(), 1);  // no params at all: the flag stays
    COutputProfile* psp = Profile(1);
    EXPECT_EQ(psp->m_nProfileCode, 10);
    EXPECT_EQ(psp->GetId(), 7);
    EXPECT_EQ(psp->GetDesc(), L"PSP & more");
    EXPECT_EQ(psp->GetTvSystem(), L"NTSC");
    EXPECT_EQ(psp->GetTargetDevice(), L"PSP");
    EXPECT_EQ(psp->GetFileExt(), L"mp4");
    EXPECT_EQ(psp->GetFolder(), L"VIDEO");
}

TEST_F(CatalogueFormat, ParameterValuesDefaultsAndHints)
{
    ASSERT_TRUE(Load(
        "<p name=\"avi\"><params><video>"
        "<codec name=\"Video Codec\" visible=\"1\" readonly=\"1\" editable=\"1\"><v>xvid</v><v default=\"\">mpeg4</v></codec>"
        "<size visible=\"yes\" editable=\"0\" validchar=\"0123456789x\" maxchar=\"9\" maxvalue=\"1920x1080\""
        " minvalue=\"16x16\" editmask=\"m\" edittpl=\"t\" desc=\"d\" h264_profile=\" 100abc\">"
        "<v>\n  320x240\t</v><v>640x480</v><v>720x576</v></size>"
        "<bitrate name=\"Video Bitrate\"/>"
        "</video></params></p>"));
    COutputProfile* p = Profile(0);
    const _OUTPUT_AV_PARAMETER_ITEM& codec = p->m_items[ITEM_VIDEO_CODEC];
    EXPECT_EQ(codec.m_strName, L"Video Codec");
    EXPECT_EQ(codec.m_nFlags, PROFILE_ITEM_VISIBLE | PROFILE_ITEM_READONLY | PROFILE_ITEM_EDITABLE);
    EXPECT_EQ(codec.m_lstValues, (std::vector<std::wstring>{L"xvid", L"mpeg4"}));
    EXPECT_EQ(codec.m_strValue, L"mpeg4");
    EXPECT_EQ(codec.m_strDefault, L"mpeg4");

    const _OUTPUT_AV_PARAMETER_ITEM& size = p->m_items[ITEM_VIDEO_SIZE];
    EXPECT_EQ(size.m_strName, L"size");  // no name: the element's own
    EXPECT_EQ(size.m_nFlags, 0);         // "yes" reads as 0; editable 0
    EXPECT_EQ(size.m_lstValues, (std::vector<std::wstring>{L"320x240", L"640x480", L"720x576"}));
    EXPECT_EQ(size.m_strValue, L"320x240");  // none marked: the first
    EXPECT_EQ(size.m_strValidChars, L"0123456789x");
    EXPECT_EQ(size.m_nMaxChars, 9);
    EXPECT_EQ(size.m_strMaxValue, L"1920x1080");
    EXPECT_EQ(size.m_strMinValue, L"16x16");
    EXPECT_EQ(size.m_strEditMask, L"m");
    EXPECT_EQ(size.m_strEditTemplate, L"t");
    EXPECT_EQ(size.m_strDesc, L"d");
    EXPECT_EQ(size.m_nH264Profile, 100);

    const _OUTPUT_AV_PARAMETER_ITEM& bitrate = p->m_items[ITEM_VIDEO_BITRATE];
    EXPECT_EQ(bitrate.m_strName, L"Video Bitrate");
    EXPECT_TRUE(bitrate.m_lstValues.empty());
    EXPECT_TRUE(bitrate.m_strValue.empty());
    EXPECT_EQ(p->m_items[ITEM_FRAMERATE].m_strName, L"");  // absent: as constructed
    EXPECT_EQ(p->m_items[ITEM_VIDEO_PROFILE].m_nH264Profile, 77);
}

TEST_F(CatalogueFormat, EditableZeroClearsOnlyItsBit)
{
    ASSERT_TRUE(Load("<p name=\"avi\"><params><video><codec visible=\"1\" readonly=\"1\" editable=\"0\"/>"
                     "</video></params></p>"));
    EXPECT_EQ(Profile(0)->m_items[ITEM_VIDEO_CODEC].m_nFlags, PROFILE_ITEM_VISIBLE | PROFILE_ITEM_READONLY);
}

TEST_F(CatalogueFormat, AllItemsComeFromTheirElements)
{
    ASSERT_TRUE(Load(
        "<p name=\"gif\"><params>"
        "<video><codec><v>a0</v></codec><size><v>a1</v></size><aspect><v>a2</v></aspect><bitrate><v>a3</v></bitrate>"
        "<framerate><v>a4</v></framerate><profile><v>a5</v></profile><encode_pass><v>a6</v></encode_pass></video>"
        "<audio><codec><v>a7</v></codec><bitrate><v>a8</v></bitrate><samplerate><v>a9</v></samplerate>"
        "<channel><v>a10</v></channel><disable_stream><v>a11</v></disable_stream><av_sync><v>a12</v></av_sync></audio>"
        "<pic><duration><v>a13</v></duration><interval><v>a14</v></interval></pic>"
        "</params></p>"));
    COutputProfile* p = Profile(0);
    for (int i = 0; i < PROFILE_ITEM_COUNT; ++i) {
        if (i == ITEM_VIDEO_PROFILE) {
            EXPECT_TRUE(p->m_items[i].m_lstValues.empty());  // never read from the file
            continue;
        }
        EXPECT_EQ(p->m_items[i].m_strValue, L"a" + std::to_wstring(i)) << i;
    }
}

TEST_F(CatalogueFormat, ParamsWithoutVideoMakeAnAudioProfile)
{
    ASSERT_TRUE(Load("<p name=\"mp3_audio\"><params><audio><codec><v>mp3</v></codec></audio></params></p>"));
    EXPECT_EQ(Profile(0)->GetProfileFlag(), 0);
    EXPECT_EQ(Profile(0)->m_items[ITEM_AUDIO_CODEC].m_strValue, L"mp3");
}

TEST_F(CatalogueFormat, CommandsAndMuxKind)
{
    ASSERT_TRUE(Load(
        "<p name=\"wav\"><commands><c type=\"transcode\" name=\"mac\" output=\"wav\"/>"
        "<c type=\"transcode\" name=\"lame\" output=\"mp3\"/><c type=\"transcode\" output=\"mp3\"/>"
        "<c type=\"transcode\" name=\"ffmpeg\" output=\"MP4\"/><c type=\"transcode\" name=\"mplayer\"/>"
        "<c name=\"ffmpeg\"/><c type=\"other\" name=\"ffmpeg\"/></commands></p>"
        "<p name=\"m2ts\"><commands><c type=\"mux\" name=\"mp4box\"/><c type=\"mux\" name=\"tsmuxer\"/>"
        "<c type=\"mux\" name=\"zip\"/><c type=\"mux\"/></commands></p>"
        "<p name=\"m4a\"><commands><c type=\"transcode\" name=\"mencoder\" output=\"ape\"/>"
        "<c type=\"mux\" name=\"muxm4a\"/><c type=\"mux\" name=\"mp4creator\"/></commands></p>"));
    auto records = [&](int i) {
        std::vector<std::pair<int, int>> out;
        for (const auto& c : Profile(i)->m_lstCommands)
            out.emplace_back(c->m_nEngine, c->m_nOutputType);
        return out;
    };
    EXPECT_EQ(records(0), (std::vector<std::pair<int, int>>{{10, 19}, {2, 0}, {1, 0}}));
    EXPECT_EQ(Profile(0)->m_nMuxKind, PROFILE_MUX_NONE);
    EXPECT_EQ(records(1), (std::vector<std::pair<int, int>>{{4, 0}, {7, 0}}));
    EXPECT_EQ(Profile(1)->m_nMuxKind, PROFILE_MUX_TSMUXER);
    EXPECT_EQ(records(2), (std::vector<std::pair<int, int>>{{0, 23}, {5, 0}, {3, 0}}));
    EXPECT_EQ(Profile(2)->m_nMuxKind, PROFILE_MUX_MP4CREATOR);
}

TEST_F(CatalogueFormat, LimitRulesAndTheirKinds)
{
    ASSERT_TRUE(Load(
        "<p name=\"3gp\"><params><video>"
        "<codec name=\"Video Codec\"><v>h263</v><v default=\"1\">mpeg4</v></codec>"
        "<size name=\"Video Size\"><v>128x96</v><v default=\"1\">640x480</v><v>176x144</v></size>"
        "<bitrate name=\"Video Bitrate\"><v>64</v><v default=\"1\">512</v></bitrate></video>"
        "<limits>"
        "<l depend=\"Video Codec\" value=\"h263\"><items>"
        "<i name=\"Video Size\"><equal>128x96, 176x144</equal></i>"
        "<i name=\"Video Bitrate\"><below>256</below><min>64</min></i>"
        "<i name=\"No Such Item\"><max>1</max></i><i><max>2</max></i></items></l>"
        "<l depend=\"Video Codec\"><items><i name=\"Video Size\"><max>1x1</max></i></items></l>"
        "<l depend=\"Nothing\" value=\"x\"/>"
        "</limits></params></p>"));
    COutputProfile* p = Profile(0);
    ASSERT_EQ(p->m_lstRules.size(), 2u);
    const _PROFILE_LIMIT_RULE& rule = p->m_lstRules[0];
    EXPECT_EQ(rule.m_strDependName, L"Video Codec");
    EXPECT_EQ(rule.m_strDependValue, L"h263");
    EXPECT_EQ(rule.m_pSourceItem, &p->m_items[ITEM_VIDEO_CODEC]);
    EXPECT_EQ(rule.m_nStamp, -1);
    ASSERT_EQ(rule.m_lstLimits.size(), 4u);
    EXPECT_EQ(rule.m_lstLimits[0].m_nKind, PROFILE_LIMIT_EQUAL);
    EXPECT_EQ(rule.m_lstLimits[0].m_strValue, L"128x96, 176x144");
    EXPECT_EQ(rule.m_lstLimits[0].m_pLimitedItem, &p->m_items[ITEM_VIDEO_SIZE]);
    EXPECT_EQ(rule.m_lstLimits[0].m_pSourceItem, rule.m_pSourceItem);
    EXPECT_EQ(rule.m_lstLimits[0].m_strDependValue, L"h263");
    EXPECT_EQ(rule.m_lstLimits[1].m_nKind, PROFILE_LIMIT_MAX);  // any other element name
    EXPECT_EQ(rule.m_lstLimits[2].m_nKind, PROFILE_LIMIT_MIN);
    EXPECT_EQ(rule.m_lstLimits[3].m_pLimitedItem, nullptr);
    EXPECT_EQ(rule.m_lstLimits[3].m_strItemName, L"No Such Item");
    EXPECT_EQ(p->m_lstRules[1].m_pSourceItem, nullptr);

    // The rules act through the profile.
    p->SetVideoCodec(L"h263");
    EXPECT_EQ(p->GetVideoSize(), L"128x96");
    EXPECT_EQ(p->GetVideoSizeItem()->GetValueCount(), 2);
    EXPECT_EQ(p->GetVideoBitrate(), L"256");
    p->SetVideoCodec(L"mpeg4");
    EXPECT_EQ(p->GetVideoBitrate(), L"256");
    EXPECT_EQ(p->GetVideoSizeItem()->GetValueCount(), 3);
}

TEST_F(CatalogueFormat, QualityPresetsSetTheModes)
{
    ASSERT_TRUE(Load(
        "<p name=\"avi\"><params><video><codec name=\"c\"><v>xvid</v><v>x264</v></codec>"
        "<bitrate name=\"b\"><v>800</v><v default=\"1\">3000</v></bitrate></video>"
        "<audio><codec name=\"ac\"><v>mp3</v></codec><bitrate name=\"ab\"><v default=\"1\">96</v><v>192</v></bitrate></audio>"
        "<qualities><quality_high><video><codec>x264</codec><bitrate>3000</bitrate><other>1</other></video>"
        "<audio><bitrate>192</bitrate></audio></quality_high>"
        "<quality_low><video><bitrate>800</bitrate></video><audio><bitrate> 96 </bitrate></audio></quality_low>"
        "</qualities></params></p>"));
    COutputProfile* p = Profile(0);
    EXPECT_EQ(p->m_strHighVideoCodec, L"x264");
    EXPECT_EQ(p->m_strHighVideoBitrate, L"3000");
    EXPECT_EQ(p->m_strLowVideoBitrate, L"800");
    EXPECT_EQ(p->m_strHighAudioBitrate, L"192");
    EXPECT_EQ(p->m_strLowAudioBitrate, L"96");
    EXPECT_TRUE(p->m_strLowVideoCodec.empty());
    EXPECT_EQ(p->GetVideoQualityMode(), QUALITY_MODE_NORMAL);  // xvid at 3000 is neither
    EXPECT_EQ(p->GetAudioQualityMode(), QUALITY_MODE_LOW);     // mp3 at 96 is the low preset
}

TEST_F(CatalogueFormat, ListsAreFoundByExactNameOnly)
{
    const char* head =
        "<?xml version=\"1.0\"?>\n<root><Categories/><groups/>";
    EXPECT_FALSE(Load("<p name=\"avi\"/>", head));
    EXPECT_EQ(manager.GetProfileCount(), 0);
}

TEST_F(CatalogueFormat, LongTextsAreCutAtACharacterBoundary)
{
    std::string desc(254, 'a');
    desc += "\xC3\xA9\xC3\xA9";  // two two-byte characters across the 255th byte
    ASSERT_TRUE(Load("<p name=\"avi\" desc=\"" + desc + "\"/>"));
    const std::wstring got = Profile(0)->GetDesc();
    EXPECT_EQ(got, std::wstring(254, L'a'));
}

TEST_F(CatalogueFormat, Utf16FileWithByteOrderMarkLoads)
{
    const std::string text = std::string(kHead) + "<profiles><p name=\"ogg\" desc=\"\xC3\x9C" "ber\"/></profiles></root>";
    const std::string path = dir.File("utf16.xml");
    ASSERT_TRUE(cataloguetest::WriteFile(path, "\xFF\xFE" + XmlUtf8ToUtf16Le(text)));
    ASSERT_TRUE(manager.LoadProfiles(AnsiToWide(path)));
    ASSERT_EQ(manager.GetProfileCount(), 1);
    EXPECT_EQ(Profile(0)->GetDesc(), L"\u00DCber");
}

}  // namespace
