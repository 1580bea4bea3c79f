// Loading the shipped catalogue into the manager: nothing skipped, every
// profile reachable, encoders that exist, and what a damaged file leaves.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <cstdarg>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "EngineLog.h"
#include "ProfileManager.h"
#include "VXMMediaExports.h"
#include "VXMUtils.h"
#include "XmlDocument.h"
#include "catalogue_support.h"
#include "support/test_media.h"
#include "vxmtranscode/libvxmmedia/ffmpeg_legacy.h"

namespace {

using cataloguetest::Attr;
using cataloguetest::ShippedCataloguePath;

std::vector<std::wstring> g_logLines;

void LogA(const char*, const char*, ...) {}

void LogW(const char*, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    g_logLines.emplace_back(va_arg(args, const wchar_t*));
    va_end(args);
}

std::wstring W(const std::string& s)
{
    return AnsiToWide(s);
}

class CatalogueLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_logLines.clear();
        VXMMediaSetLogFunc(&LogA, &LogW);
        manager = std::make_unique<CProfileManager>(W(dir.File("output")));
    }
    void TearDown() override { VXMMediaSetLogFunc(nullptr, nullptr); }

    // Child counts of the three lists in the file.
    static std::size_t ListSize(const char* list)
    {
        CXmlDocument doc(ShippedCataloguePath(), XML_SOURCE_PATH);
        return doc.GetRoot()->FindChildElement(list)->GetChildCount();
    }

    std::vector<IProfile*> ReachableProfiles() const
    {
        std::vector<IProfile*> out;
        for (int c = 0; c < manager->GetCategoryCount(); ++c) {
            IProfileCategory* category = manager->GetCategory(c);
            for (int g = 0; g < category->GetGroupCount(); ++g) {
                IProfileGroup* group = category->GetGroup(static_cast<unsigned>(g));
                for (int p = 0; p < group->GetProfileCount(); ++p)
                    out.push_back(group->GetProfile(static_cast<unsigned>(p)));
            }
        }
        return out;
    }

    vxmtest::CTempDir dir;
    std::unique_ptr<CProfileManager> manager;
};

TEST_F(CatalogueLoad, ShippedCatalogueLoadsWithNothingSkipped)
{
    ASSERT_TRUE(manager->LoadProfiles(W(ShippedCataloguePath())));
    EXPECT_TRUE(g_logLines.empty());
    EXPECT_EQ(static_cast<std::size_t>(manager->GetCategoryCount()), ListSize("categories"));
    EXPECT_EQ(static_cast<std::size_t>(manager->GetGroupCount()), ListSize("groups"));
    EXPECT_EQ(static_cast<std::size_t>(manager->GetProfileCount()), ListSize("profiles"));
    for (int i = 0; i < manager->GetProfileCount(); ++i) {
        auto* p = static_cast<COutputProfile*>(manager->GetProfile(i));
        EXPECT_NE(p->m_nProfileCode, -1) << WideToUtf8(p->GetDesc());
        EXPECT_FALSE(p->m_lstCommands.empty()) << WideToUtf8(p->GetDesc());
        EXPECT_FALSE(p->GetFileExt().empty()) << WideToUtf8(p->GetDesc());
        // Defaults sit between the presets: a fresh profile is at normal quality.
        EXPECT_EQ(p->GetVideoQualityMode(), QUALITY_MODE_NORMAL) << WideToUtf8(p->GetDesc());
        EXPECT_EQ(p->GetAudioQualityMode(), QUALITY_MODE_NORMAL) << WideToUtf8(p->GetDesc());
        for (const auto& rule : p->m_lstRules) {
            EXPECT_NE(rule.m_pSourceItem, nullptr) << WideToUtf8(p->GetDesc());
            for (const auto& limit : rule.m_lstLimits)
                EXPECT_NE(limit.m_pLimitedItem, nullptr) << WideToUtf8(p->GetDesc());
        }
    }
}

TEST_F(CatalogueLoad, EveryProfileIsReachableThroughCategoryAndGroup)
{
    ASSERT_TRUE(manager->LoadProfiles(W(ShippedCataloguePath())));
    const auto reachable = ReachableProfiles();
    const std::set<IProfile*> seen(reachable.begin(), reachable.end());
    for (int i = 0; i < manager->GetProfileCount(); ++i)
        EXPECT_TRUE(seen.count(manager->GetProfile(i))) << WideToUtf8(manager->GetProfile(i)->GetDesc());
    for (int c = 0; c < manager->GetCategoryCount(); ++c) {
        EXPECT_EQ(manager->GetCategory(c)->GetId(), c);
        EXPECT_GT(manager->GetCategory(c)->GetGroupCount(), 0) << c;
    }
}

TEST_F(CatalogueLoad, AppleAndBurnCategoriesAreWhereTheProgramLooks)
{
    ASSERT_TRUE(manager->LoadProfiles(W(ShippedCataloguePath())));
    IProfileCategory* apple = manager->FindCategoryById(manager->FindCategoryIndexByName(L"apple"));
    ASSERT_NE(apple, nullptr);
    EXPECT_EQ(apple->GetName(), L"apple");
    EXPECT_GT(apple->GetGroupCount(), 0);

    IProfileCategory* burn = manager->FindCategoryById(13);
    ASSERT_NE(burn, nullptr);
    ASSERT_GT(burn->GetGroupCount(), 0);
    for (int g = 0; g < burn->GetGroupCount(); ++g) {
        IProfileGroup* group = burn->GetGroup(static_cast<unsigned>(g));
        EXPECT_NE(group->GetBurn(), 0);
        EXPECT_EQ(group->ContainsCode(13), 1);
        for (int p = 0; p < group->GetProfileCount(); ++p) {
            const std::wstring tv = group->GetProfile(static_cast<unsigned>(p))->GetTvSystem();
            EXPECT_TRUE(tv == L"PAL" || tv == L"NTSC" || tv == L"avchd");
        }
    }
    // The settings start at id 0 for all three.
    EXPECT_NE(manager->FindCategoryById(0), nullptr);
    EXPECT_NE(manager->FindGroupById(0), nullptr);
    EXPECT_NE(manager->FindProfileById(0), nullptr);
}

// --- encoders

// The encoder names the builders put on the command line for a value of the
// video or audio codec item, by output type (empty: stream copy or no encoder).
std::vector<std::string> VideoEncoders(const COutputProfile& p, int type, const std::string& v)
{
    switch (type) {
    case PROFILE_OUTPUT_MPEG4:
    case PROFILE_OUTPUT_MOV:
        if (v == "x264") return {"libx264"};
        if (v == "x265") return {"libx265"};
        if (v == "xvid") return {"libxvid"};
        if (v == "mpeg4") return {"mpeg4"};
        return {};
    case PROFILE_OUTPUT_AVC_PSP:
    case PROFILE_OUTPUT_AVC_PS3: return {"libx264"};
    case PROFILE_OUTPUT_MPEG4_PSP: return {"mpeg4"};
    case PROFILE_OUTPUT_DVD: return {"mpeg2video"};
    case PROFILE_OUTPUT_MPEG: return {p.m_nProfileCode == 19 ? "mpeg1video" : "mpeg2video"};
    case PROFILE_OUTPUT_FLV:
    case PROFILE_OUTPUT_SWF: return {"flv"};
    case PROFILE_OUTPUT_WEBM: return {"libvpx"};
    case PROFILE_OUTPUT_OGV: return {"libtheora"};
    case PROFILE_OUTPUT_GIF: return {"gif"};
    case PROFILE_OUTPUT_3GP:
    case PROFILE_OUTPUT_ASF: return {v};
    case PROFILE_OUTPUT_AVI:
    case PROFILE_OUTPUT_MKV:
        if (v == "Original") return {};
        if (v == "xvid") return {"libxvid"};
        if (v == "mpeg4") return {"mpeg4"};
        if (v == "mpeg2") return {"mpeg2video"};
        if (v == "mpeg1") return {"mpeg1video"};
        if (v.find("x264") != std::string::npos) return {"libx264"};
        if (v == "huffyuv") return {"ffvhuff"};
        return {v};
    default: return {};
    }
}

std::vector<std::string> AudioEncoders(int engine, int type, const std::string& v)
{
    if (engine == PROFILE_ENGINE_MAC) return {"pcm_s16le"};  // the WAV step before the APE encoder
    if (engine == PROFILE_ENGINE_MPLAYER) {
        switch (type) {
        case PROFILE_OUTPUT_WMV:
        case PROFILE_OUTPUT_WMA: return {"wmav2"};
        case PROFILE_OUTPUT_AAC: return {"libfaac"};
        case PROFILE_OUTPUT_MP3: return {"libmp3lame"};
        case PROFILE_OUTPUT_WAV: return {"pcm_s16le"};
        case PROFILE_OUTPUT_OGG: return {"libvorbis"};
        case PROFILE_OUTPUT_DTS: return {"dca"};
        default: return {v};
        }
    }
    switch (type) {
    case PROFILE_OUTPUT_MPEG4:
    case PROFILE_OUTPUT_MOV:
        if (v == "aac") return {"libfaac"};
        if (v == "mp3") return {"libmp3lame"};
        if (v == "ac3") return {"ac3"};
        return {};
    case PROFILE_OUTPUT_AVC_PSP:
    case PROFILE_OUTPUT_MPEG4_PSP: return {"libfaac"};
    case PROFILE_OUTPUT_AVC_PS3: return {v == "aac" || v == "faac" || v == "libfaac" ? "libfaac" : v};
    case PROFILE_OUTPUT_FLV:
    case PROFILE_OUTPUT_SWF: return {"libmp3lame"};
    case PROFILE_OUTPUT_3GP:
    case PROFILE_OUTPUT_WEBM:
    case PROFILE_OUTPUT_OGV: return {"lib" + v};
    case PROFILE_OUTPUT_GIF: return {};
    case PROFILE_OUTPUT_AVI:
    case PROFILE_OUTPUT_MKV:
        if (v == "Original") return {};
        if (v == "pcm") return {"pcm_s16le"};
        if (v == "mp3") return {"libmp3lame"};
        if (v == "aac" || v == "faac") return {"libfaac"};
        return {v};
    default: return {v};
    }
}

std::vector<std::string> ItemValues(IProfileItem* item)
{
    std::vector<std::string> out;
    for (int i = 0; i < item->GetValueCount(); ++i)
        out.push_back(WideToUtf8(item->GetValueAt(static_cast<unsigned>(i))));
    return out;
}

TEST_F(CatalogueLoad, EveryEncoderChoiceExistsInTheLinkedFFmpeg)
{
    ASSERT_TRUE(manager->LoadProfiles(W(ShippedCataloguePath())));
    int checked = 0;
    for (int i = 0; i < manager->GetProfileCount(); ++i) {
        auto* p = static_cast<COutputProfile*>(manager->GetProfile(i));
        const std::string desc = WideToUtf8(p->GetDesc());
        for (const auto& command : p->m_lstCommands) {
            const int engine = command->m_nEngine, type = command->m_nOutputType;
            if (engine != PROFILE_ENGINE_FFMPEG && engine != PROFILE_ENGINE_MPLAYER && engine != PROFILE_ENGINE_MAC)
                continue;
            std::vector<std::string> names;
            if (p->GetProfileFlag() && engine == PROFILE_ENGINE_FFMPEG) {
                for (const std::string& v : ItemValues(p->GetVideoCodecItem()))
                    for (const std::string& n : VideoEncoders(*p, type, v))
                        names.push_back(n);
                if (type == PROFILE_OUTPUT_GIF)
                    names.push_back("gif");
            }
            if (p->GetProfileFlag() && engine == PROFILE_ENGINE_MPLAYER && type == PROFILE_OUTPUT_WMV)
                names.push_back("wmv2");
            for (const std::string& v : ItemValues(p->GetAudioCodecItem()))
                for (const std::string& n : AudioEncoders(engine, type, v))
                    names.push_back(n);
            EXPECT_FALSE(names.empty()) << desc;
            for (const std::string& name : names) {
                const std::string encoder = translate_encoder_name(name);
                EXPECT_NE(avcodec_find_encoder_by_name(encoder.c_str()), nullptr) << desc << ": " << encoder;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 150);
}

// --- the catalogue's own rules and presets at work

bool Contains(const std::vector<std::wstring>& list, const std::wstring& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

TEST_F(CatalogueLoad, EveryLimitRuleLeavesValuesTheUserCanChoose)
{
    ASSERT_TRUE(manager->LoadProfiles(W(ShippedCataloguePath())));
    int applied = 0;
    for (int i = 0; i < manager->GetProfileCount(); ++i) {
        auto original = static_cast<COutputProfile*>(manager->GetProfile(i))->Clone();
        auto* p = static_cast<COutputProfile*>(original.get());
        for (const _PROFILE_LIMIT_RULE& rule : p->m_lstRules) {
            SetItemValue(p, rule.m_pSourceItem, rule.m_strDependValue);
            for (const _PROFILE_LIMIT& limit : rule.m_lstLimits) {
                _OUTPUT_AV_PARAMETER_ITEM* item = limit.m_pLimitedItem;
                ASSERT_NE(item, nullptr);
                EXPECT_GT(item->GetValueCount(), 0) << WideToUtf8(p->GetDesc());
                EXPECT_TRUE(Contains(item->m_lstLimited, item->m_strValue))
                    << WideToUtf8(p->GetDesc()) << ": " << WideToUtf8(item->m_strName) << " "
                    << WideToUtf8(item->m_strValue);
                ++applied;
            }
            // Back to the default value: the limits are gone again.
            SetItemValue(p, rule.m_pSourceItem, rule.m_pSourceItem->m_strDefault);
        }
    }
    EXPECT_GE(applied, 3);
}

TEST_F(CatalogueLoad, QualityPresetsSwitchTheVideoBitrate)
{
    ASSERT_TRUE(manager->LoadProfiles(W(ShippedCataloguePath())));
    int withPresets = 0;
    for (int i = 0; i < manager->GetProfileCount(); ++i) {
        auto clone = manager->GetProfile(i)->Clone();
        auto* p = static_cast<COutputProfile*>(clone.get());
        if (p->m_strHighVideoBitrate.empty())
            continue;
        ++withPresets;
        const std::wstring normal = p->GetVideoBitrate();
        p->SetVideoQualityMode(QUALITY_MODE_HIGH);
        EXPECT_EQ(p->GetVideoBitrate(), p->m_strHighVideoBitrate) << WideToUtf8(p->GetDesc());
        EXPECT_GT(ProfileWToI(p->m_strHighVideoBitrate), ProfileWToI(normal)) << WideToUtf8(p->GetDesc());
        p->SetVideoQualityMode(QUALITY_MODE_LOW);
        EXPECT_LT(ProfileWToI(p->GetVideoBitrate()), ProfileWToI(normal)) << WideToUtf8(p->GetDesc());
        p->SetVideoQualityMode(QUALITY_MODE_NORMAL);
        EXPECT_EQ(p->GetVideoBitrate(), normal) << WideToUtf8(p->GetDesc());
    }
    EXPECT_GE(withPresets, 30);
}

// --- lookups

TEST_F(CatalogueLoad, LookupsByIdAndName)
{
    ASSERT_TRUE(manager->LoadProfiles(W(ShippedCataloguePath())));
    for (int i = 0; i < manager->GetProfileCount(); ++i) {
        IProfile* p = manager->GetProfile(i);
        EXPECT_EQ(manager->FindProfileById(p->GetId()), p);
        // By name: the first profile of that name, found by its profile code.
        IProfile* byName = manager->FindProfileByName(p->GetName());
        ASSERT_NE(byName, nullptr);
        EXPECT_EQ(byName->GetName(), p->GetName());
        EXPECT_EQ(manager->GetProfile(manager->FindProfileIndexByName(p->GetName())), byName);
    }
    for (int i = 0; i < manager->GetGroupCount(); ++i) {
        IProfileGroup* g = manager->GetGroup(i);
        EXPECT_EQ(manager->FindGroupById(g->GetId()), g);
        EXPECT_EQ(manager->FindGroupByName(g->GetName()), g);
    }
    IProfile* mp3 = manager->FindProfileByName(L"mp3_audio");
    ASSERT_NE(mp3, nullptr);
    EXPECT_EQ(mp3->GetFileExt(), L"mp3");
    EXPECT_EQ(manager->FindProfileByName(L"MP3_AUDIO"), nullptr);  // no such code; every profile has one
    EXPECT_EQ(manager->FindProfileById(-5), nullptr);
    EXPECT_EQ(manager->FindProfileIndexByName(L"no such profile"), 0);
    EXPECT_EQ(manager->GetProfile(-1), nullptr);
    EXPECT_EQ(manager->GetProfile(manager->GetProfileCount()), nullptr);
    EXPECT_EQ(manager->GetGroup(manager->GetGroupCount()), nullptr);
    EXPECT_EQ(manager->GetCategory(-1), nullptr);
    EXPECT_EQ(manager->FindCategoryIndexByName(L"Apple"), -1);
    EXPECT_EQ(manager->FindGroupByName(L"no such group"), nullptr);
}

TEST_F(CatalogueLoad, CurrentProfileAndGroup)
{
    ASSERT_TRUE(manager->LoadProfiles(W(ShippedCataloguePath())));
    EXPECT_EQ(manager->GetCurrentProfile(), nullptr);
    EXPECT_EQ(manager->GetCurrentGroup(), manager->GetGroup(0));

    IProfile* second = manager->GetProfile(1);
    manager->SetCurrentProfile(second);
    EXPECT_EQ(manager->GetCurrentProfile(), second);
    auto clone = second->Clone();  // not in the list
    manager->SetCurrentProfile(clone.get());
    EXPECT_EQ(manager->GetCurrentProfile(), second);
    manager->SetCurrentProfile(nullptr);
    EXPECT_EQ(manager->GetCurrentProfile(), nullptr);

    const std::wstring name = manager->GetGroup(3)->GetName();
    manager->SetCurrentGroupByName(name);
    EXPECT_EQ(manager->GetCurrentGroup(), manager->GetGroup(3));
    manager->SetCurrentGroupByName(L"no such group");
    EXPECT_EQ(manager->GetCurrentGroup(), manager->GetGroup(3));
}

TEST_F(CatalogueLoad, SecondLoadAddsNothing)
{
    ASSERT_TRUE(manager->LoadProfiles(W(ShippedCataloguePath())));
    const int profiles = manager->GetProfileCount(), groups = manager->GetGroupCount();
    const int categories = manager->GetCategoryCount();
    IProfile* first = manager->GetProfile(0);
    IProfileGroup* group = manager->GetCategory(0)->GetGroup(0);
    const int inGroup = group->GetProfileCount();

    EXPECT_TRUE(manager->LoadProfiles(W(ShippedCataloguePath())));
    EXPECT_EQ(manager->GetProfileCount(), profiles);
    EXPECT_EQ(manager->GetGroupCount(), groups);
    EXPECT_EQ(manager->GetCategoryCount(), categories);
    EXPECT_EQ(group->GetProfileCount(), inGroup);
    EXPECT_EQ(manager->GetProfile(0), first);  // objects handed out stay valid
    EXPECT_EQ(g_logLines.size(), 1u);
}

// --- damaged catalogues

TEST_F(CatalogueLoad, MissingOrBrokenFileGivesALogLineAndAnEmptyManager)
{
    const std::string broken = dir.File("broken.xml");
    ASSERT_TRUE(cataloguetest::WriteFile(broken, "<?xml version=\"1.0\"?>\n<catalogue><categories>"));
    const std::string noProfiles = dir.File("no_profiles.xml");
    ASSERT_TRUE(cataloguetest::WriteFile(
        noProfiles, "<?xml version=\"1.0\"?>\n<c><categories/><groups/><Profiles/></c>"));
    for (const std::string& path : {dir.File("missing.xml"), broken, noProfiles, dir.Path()}) {
        g_logLines.clear();
        CProfileManager m(W(dir.File("out2")));
        EXPECT_FALSE(m.LoadProfiles(W(path))) << path;
        EXPECT_EQ(m.GetProfileCount(), 0);
        EXPECT_EQ(m.GetGroupCount(), 0);
        EXPECT_EQ(m.GetCategoryCount(), 0);
        EXPECT_EQ(m.GetCurrentGroup(), nullptr);
        ASSERT_EQ(g_logLines.size(), 1u) << path;
        EXPECT_NE(g_logLines[0].find(L"Bad profile file"), std::wstring::npos);
        EXPECT_NE(g_logLines[0].find(W(path)), std::wstring::npos);
        // A good file loads afterwards.
        EXPECT_TRUE(m.LoadProfiles(W(ShippedCataloguePath())));
        EXPECT_GE(m.GetProfileCount(), 60);
    }
}

// The shipped file with one thing removed from the first entry of a list.
struct Removal {
    const char* list;
    const char* attribute;  // null: remove the list itself
    bool loads;
};

class CatalogueWithoutRequired : public CatalogueLoad, public ::testing::WithParamInterface<Removal> {};

TEST_P(CatalogueWithoutRequired, LoadsWhatRemains)
{
    const Removal r = GetParam();
    CXmlDocument doc(ShippedCataloguePath(), XML_SOURCE_PATH);
    CXmlElement* root = doc.GetRoot();
    const std::size_t categories = root->FindChildElement("categories")->GetChildCount();
    const std::size_t groups = root->FindChildElement("groups")->GetChildCount();
    const std::size_t profiles = root->FindChildElement("profiles")->GetChildCount();
    CXmlElement* list = root->FindChildElement(r.list);
    std::string removedName;
    if (r.attribute) {
        CXmlElement* first = list->GetChild(0);
        removedName = Attr(first, "name");
        ASSERT_TRUE(first->RemoveVariable(static_cast<std::size_t>(first->FindVariable(r.attribute))));
    } else {
        ASSERT_TRUE(root->RemoveChild(static_cast<std::size_t>(root->FindChild(r.list))));
    }
    const std::string path = dir.File("catalogue.xml");
    ASSERT_TRUE(doc.SaveToFile(path));

    EXPECT_EQ(manager->LoadProfiles(W(path)), r.loads);
    if (!r.loads) {
        EXPECT_EQ(manager->GetProfileCount() + manager->GetGroupCount() + manager->GetCategoryCount(), 0);
        return;
    }
    const std::string which = r.list;
    EXPECT_EQ(static_cast<std::size_t>(manager->GetCategoryCount()), categories - (which == "categories"));
    EXPECT_EQ(static_cast<std::size_t>(manager->GetGroupCount()), groups - (which == "groups"));
    EXPECT_EQ(static_cast<std::size_t>(manager->GetProfileCount()), profiles - (which == "profiles"));
    if (which == "groups" && std::string(r.attribute) != "name") {
        EXPECT_EQ(manager->FindGroupByName(W(removedName)), nullptr);
    }
    if (which == "categories" && std::string(r.attribute) != "name") {
        EXPECT_EQ(manager->FindCategoryIndexByName(W(removedName)), -1);
    }
    // The profiles that remain are still complete.
    for (int i = 0; i < manager->GetProfileCount(); ++i)
        EXPECT_FALSE(static_cast<COutputProfile*>(manager->GetProfile(i))->m_lstCommands.empty());
}

INSTANTIATE_TEST_SUITE_P(EachInTurn, CatalogueWithoutRequired,
                         ::testing::Values(Removal{"categories", nullptr, false},
                                           Removal{"groups", nullptr, false},
                                           Removal{"profiles", nullptr, false},
                                           Removal{"categories", "name", true},
                                           Removal{"categories", "desc", true},
                                           Removal{"categories", "id", true},
                                           Removal{"groups", "name", true},
                                           Removal{"groups", "desc", true},
                                           Removal{"groups", "id", true},
                                           Removal{"profiles", "name", true}));

}  // namespace
