// The shipped catalogue, read with the XML model: the rules that the loader,
// the job builders and the program's choosers rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "ProfileCodes.h"
#include "XmlDocument.h"
#include "catalogue_support.h"

namespace {

using cataloguetest::Attr;
using cataloguetest::HasAttr;
using cataloguetest::Split;
using cataloguetest::Text;

class ShippedCatalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.Load(cataloguetest::ShippedCataloguePath(), XML_SOURCE_PATH);
        ASSERT_EQ(doc.GetStatus(), XML_PARSE_OK);
        CXmlElement* root = doc.GetRoot();
        categories = root->FindChildElement("categories");
        groups = root->FindChildElement("groups");
        profiles = root->FindChildElement("profiles");
        ASSERT_TRUE(categories && groups && profiles);
    }

    std::vector<CXmlElement*> Children(CXmlElement* e) const
    {
        std::vector<CXmlElement*> out;
        for (std::size_t i = 0; i < e->GetChildCount(); ++i)
            out.push_back(e->GetChild(i));
        return out;
    }

    // Category index of each group, by group name.
    std::map<std::string, std::vector<int>> GroupCategories() const
    {
        std::map<std::string, int> categoryIndex;
        int i = 0;
        for (CXmlElement* c : Children(categories))
            categoryIndex.emplace(Attr(c, "name"), i++);
        std::map<std::string, std::vector<int>> out;
        for (CXmlElement* g : Children(groups)) {
            for (const std::string& name : Split(Attr(g, "in_category"))) {
                auto it = categoryIndex.find(name);
                if (it != categoryIndex.end())
                    out[Attr(g, "name")].push_back(it->second);
            }
        }
        return out;
    }

    CXmlDocument doc;
    CXmlElement* categories = nullptr;
    CXmlElement* groups = nullptr;
    CXmlElement* profiles = nullptr;
};

// --- the three lists

TEST_F(ShippedCatalogue, EveryEntryHasWhatTheLoaderRequires)
{
    for (CXmlElement* c : Children(categories))
        EXPECT_TRUE(HasAttr(c, "name") && HasAttr(c, "desc") && HasAttr(c, "id")) << Attr(c, "name");
    for (CXmlElement* g : Children(groups))
        EXPECT_TRUE(HasAttr(g, "name") && HasAttr(g, "desc") && HasAttr(g, "id")) << Attr(g, "name");
    for (CXmlElement* p : Children(profiles)) {
        EXPECT_TRUE(HasAttr(p, "name") && HasAttr(p, "id") && HasAttr(p, "desc")) << Attr(p, "desc");
        EXPECT_NE(p->FindChildElement("params"), nullptr) << Attr(p, "desc");
        EXPECT_NE(p->FindChildElement("commands"), nullptr) << Attr(p, "desc");
    }
}

TEST_F(ShippedCatalogue, CategoryIdsAreTheirPositionsAndNamesAreUnique)
{
    std::set<std::string> names;
    int index = 0;
    for (CXmlElement* c : Children(categories)) {
        EXPECT_EQ(XmlParseInt(Attr(c, "id")), index) << Attr(c, "name");
        EXPECT_TRUE(names.insert(Attr(c, "name")).second) << Attr(c, "name");
        EXPECT_FALSE(Attr(c, "icon").empty()) << Attr(c, "name");
        ++index;
    }
    EXPECT_GE(index, 14);
    EXPECT_TRUE(names.count("apple"));
}

TEST_F(ShippedCatalogue, GroupAndProfileIdsAreUniqueAndStartAtZero)
{
    for (CXmlElement* list : {groups, profiles}) {
        std::set<int> ids;
        for (CXmlElement* e : Children(list))
            EXPECT_TRUE(ids.insert(XmlParseInt(Attr(e, "id"))).second) << Attr(e, "name");
        EXPECT_TRUE(ids.count(0)) << list->GetName();
    }
    std::set<std::string> groupNames;
    for (CXmlElement* g : Children(groups))
        EXPECT_TRUE(groupNames.insert(Attr(g, "name")).second) << Attr(g, "name");
}

TEST_F(ShippedCatalogue, HoldsAtLeastSixtyProfilesAllNamedFromTheCodeTable)
{
    const auto all = Children(profiles);
    EXPECT_GE(all.size(), 60u);
    for (CXmlElement* p : all) {
        const std::string name = Attr(p, "name");
        EXPECT_NE(LookupProfileCode(std::wstring(name.begin(), name.end())), -1) << name;
    }
}

TEST_F(ShippedCatalogue, EveryMembershipNameRefersToAnEarlierEntryAndNothingIsLeftOut)
{
    std::set<std::string> categoryNames, groupNames, usedCategories, usedGroups;
    for (CXmlElement* c : Children(categories))
        categoryNames.insert(Attr(c, "name"));
    for (CXmlElement* g : Children(groups)) {
        groupNames.insert(Attr(g, "name"));
        const auto names = Split(Attr(g, "in_category"));
        EXPECT_FALSE(names.empty()) << Attr(g, "name");
        for (const std::string& n : names) {
            EXPECT_TRUE(categoryNames.count(n)) << Attr(g, "name") << " names " << n;
            usedCategories.insert(n);
        }
    }
    for (CXmlElement* p : Children(profiles)) {
        const auto names = Split(Attr(p, "groups"));
        EXPECT_FALSE(names.empty()) << Attr(p, "desc");
        for (const std::string& n : names) {
            EXPECT_TRUE(groupNames.count(n)) << Attr(p, "desc") << " names " << n;
            usedGroups.insert(n);
        }
    }
    EXPECT_EQ(usedCategories, categoryNames);
    EXPECT_EQ(usedGroups, groupNames);
}

// --- the burn category and the flags of groups

TEST_F(ShippedCatalogue, CategoryThirteenHoldsExactlyTheBurnGroups)
{
    const auto groupCategories = GroupCategories();
    int burnGroups = 0;
    for (CXmlElement* g : Children(groups)) {
        const bool burn = XmlParseInt(Attr(g, "burn")) != 0;
        const auto& cats = groupCategories.at(Attr(g, "name"));
        const bool inBurnCategory = std::find(cats.begin(), cats.end(), 13) != cats.end();
        EXPECT_EQ(burn, inBurnCategory) << Attr(g, "name");
        if (burn) {
            ++burnGroups;
            EXPECT_EQ(cats.size(), 1u) << Attr(g, "name");
        }
    }
    EXPECT_GE(burnGroups, 1);
}

TEST_F(ShippedCatalogue, ProfilesOfBurnGroupsNameTheirTvSystem)
{
    std::set<std::string> burnGroups;
    for (CXmlElement* g : Children(groups))
        if (XmlParseInt(Attr(g, "burn")))
            burnGroups.insert(Attr(g, "name"));
    std::set<std::string> systems;
    for (CXmlElement* p : Children(profiles)) {
        for (const std::string& n : Split(Attr(p, "groups"))) {
            if (!burnGroups.count(n))
                continue;
            const std::string tv = Attr(p, "tv_system");
            EXPECT_TRUE(tv == "PAL" || tv == "NTSC" || tv == "avchd") << Attr(p, "desc") << ": " << tv;
            systems.insert(tv);
        }
    }
    EXPECT_EQ(systems, (std::set<std::string>{"PAL", "NTSC", "avchd"}));
}

TEST_F(ShippedCatalogue, AudioGroupsHoldOnlyProfilesWithoutVideo)
{
    std::map<std::string, bool> audioGroup;
    for (CXmlElement* g : Children(groups))
        audioGroup[Attr(g, "name")] = XmlParseInt(Attr(g, "audio")) != 0;
    for (CXmlElement* p : Children(profiles)) {
        const bool hasVideo = p->FindChildElement("params")->FindChildElement("video") != nullptr;
        for (const std::string& n : Split(Attr(p, "groups")))
            EXPECT_EQ(audioGroup[n], !hasVideo) << Attr(p, "desc") << " in " << n;
    }
}

TEST_F(ShippedCatalogue, Html5GroupHoldsProfilesForTheThreeWebContainers)
{
    std::set<std::string> html5Groups;
    for (CXmlElement* g : Children(groups))
        if (XmlParseInt(Attr(g, "html5")))
            html5Groups.insert(Attr(g, "name"));
    ASSERT_FALSE(html5Groups.empty());
    std::set<std::string> exts;
    for (CXmlElement* p : Children(profiles))
        for (const std::string& n : Split(Attr(p, "groups")))
            if (html5Groups.count(n))
                exts.insert(Attr(p, "file_ext"));
    EXPECT_EQ(exts, (std::set<std::string>{"mp4", "webm", "ogv"}));
}

// --- commands

TEST_F(ShippedCatalogue, EachProfileHasOneEncodeWithTheEngineItsOutputNeeds)
{
    const std::set<std::string> videoOutputs = {"avi",  "mpeg4_psp", "mpeg", "flv", "mpeg4", "avc_psp",
                                                "avc_ps3", "dvd", "3gp", "swf", "mkv", "mov",
                                                "asf", "webm", "ogv", "gif"};
    const std::set<std::string> audioOutputs = {"aac", "mp3", "wav", "ogg", "wma", "dts"};
    for (CXmlElement* p : Children(profiles)) {
        int encodes = 0;
        const bool hasVideo = p->FindChildElement("params")->FindChildElement("video") != nullptr;
        for (CXmlElement* c : Children(p->FindChildElement("commands"))) {
            const std::string type = Attr(c, "type"), name = Attr(c, "name"), output = Attr(c, "output");
            if (type == "mux") {
                EXPECT_TRUE(name == "mp4box" || name == "mp4creator" || name == "tsmuxer" || name == "muxm4a")
                    << Attr(p, "desc");
                continue;
            }
            ASSERT_EQ(type, "transcode") << Attr(p, "desc");
            ++encodes;
            if (videoOutputs.count(output)) {
                EXPECT_EQ(name, "ffmpeg") << Attr(p, "desc");
                EXPECT_TRUE(hasVideo) << Attr(p, "desc");
            } else if (output == "wmv") {
                EXPECT_EQ(name, "mplayer") << Attr(p, "desc");
                EXPECT_TRUE(hasVideo) << Attr(p, "desc");
            } else if (output == "ape") {
                EXPECT_EQ(name, "mac") << Attr(p, "desc");
                EXPECT_FALSE(hasVideo) << Attr(p, "desc");
            } else {
                // Audio outputs, and the plain audio encode (no output named).
                EXPECT_TRUE(output.empty() || audioOutputs.count(output)) << Attr(p, "desc") << ": " << output;
                EXPECT_EQ(name, "mplayer") << Attr(p, "desc");
                EXPECT_FALSE(hasVideo) << Attr(p, "desc");
            }
        }
        EXPECT_EQ(encodes, 1) << Attr(p, "desc");
    }
}

TEST_F(ShippedCatalogue, ContainersThatNeedAMuxStepCarryIt)
{
    for (CXmlElement* p : Children(profiles)) {
        std::vector<std::pair<std::string, std::string>> records;  // type, name
        std::string output;
        for (CXmlElement* c : Children(p->FindChildElement("commands"))) {
            records.emplace_back(Attr(c, "type"), Attr(c, "name"));
            if (Attr(c, "type") == "transcode")
                output = Attr(c, "output");
        }
        std::string mux;
        for (const auto& r : records)
            if (r.first == "mux")
                mux = r.second;
        const std::string ext = Attr(p, "file_ext");
        EXPECT_FALSE(ext.empty()) << Attr(p, "desc");
        if (ext == "m2ts") {
            ASSERT_GE(records.size(), 2u) << Attr(p, "desc");
            EXPECT_EQ(records[1], (std::pair<std::string, std::string>{"mux", "tsmuxer"})) << Attr(p, "desc");
            EXPECT_EQ(output, "mpeg4") << Attr(p, "desc");
        } else if (ext == "mp4" || ext == "m4v" || output == "mpeg4" || output == "avc_psp" ||
                   output == "avc_ps3" || output == "mpeg4_psp") {
            EXPECT_TRUE(mux == "mp4box" || mux == "mp4creator") << Attr(p, "desc");
            EXPECT_TRUE(ext == "mp4" || ext == "m4v") << Attr(p, "desc");
        } else if (ext == "m4a") {
            EXPECT_EQ(mux, "muxm4a") << Attr(p, "desc");
            EXPECT_EQ(output, "aac") << Attr(p, "desc");
        } else {
            EXPECT_EQ(mux, "") << Attr(p, "desc");
        }
    }
}

// --- parameters

TEST_F(ShippedCatalogue, ParameterItemsHaveDistinctNamesValuesAndOneDefault)
{
    for (CXmlElement* p : Children(profiles)) {
        std::set<std::string> names;
        CXmlElement* params = p->FindChildElement("params");
        for (const char* section : {"video", "audio", "pic"}) {
            CXmlElement* s = params->FindChildElement(section);
            if (!s)
                continue;
            for (CXmlElement* item : Children(s)) {
                const std::string name = HasAttr(item, "name") ? Attr(item, "name") : item->GetName();
                EXPECT_TRUE(names.insert(name).second) << Attr(p, "desc") << ": " << name;
                if (std::string(section) == "video" && item->GetName() == "size") {
                    EXPECT_EQ(name, "Video Size") << Attr(p, "desc");
                }
                int defaults = 0;
                std::set<std::string> values;
                for (CXmlElement* v : Children(item)) {
                    EXPECT_FALSE(Text(v).empty()) << Attr(p, "desc") << ": " << name;
                    EXPECT_TRUE(values.insert(Text(v)).second) << Attr(p, "desc") << ": " << name << " " << Text(v);
                    defaults += HasAttr(v, "default");
                }
                EXPECT_FALSE(values.empty()) << Attr(p, "desc") << ": " << name;
                EXPECT_EQ(defaults, 1) << Attr(p, "desc") << ": " << name;
            }
        }
    }
}

TEST_F(ShippedCatalogue, ValuesUseTheTextsTheBuildersCompare)
{
    const std::regex size("AUTO|[1-9][0-9]*x[1-9][0-9]*");
    const std::regex number("[1-9][0-9]*|0");
    const std::regex rate("Auto|[1-9][0-9]*(\\.[0-9]+)?");
    const std::set<std::string> fixedRateOutputs = {"mpeg", "3gp", "dvd"};  // "-r" always given
    for (CXmlElement* p : Children(profiles)) {
        CXmlElement* params = p->FindChildElement("params");
        std::string output;
        for (CXmlElement* c : Children(p->FindChildElement("commands")))
            if (Attr(c, "type") == "transcode")
                output = Attr(c, "output");
        auto values = [&](const char* section, const char* element) {
            std::vector<std::string> out;
            CXmlElement* s = params->FindChildElement(section);
            CXmlElement* e = s ? s->FindChildElement(element) : nullptr;
            if (e)
                for (CXmlElement* v : Children(e))
                    out.push_back(Text(v));
            return out;
        };
        const std::string desc = Attr(p, "desc");
        for (const auto& v : values("video", "size"))
            EXPECT_TRUE(std::regex_match(v, size)) << desc << ": " << v;
        for (const auto& v : values("video", "bitrate"))
            EXPECT_TRUE(std::regex_match(v, number)) << desc << ": " << v;
        for (const auto& v : values("audio", "bitrate"))
            EXPECT_TRUE(std::regex_match(v, number)) << desc << ": " << v;
        for (const auto& v : values("audio", "samplerate"))
            EXPECT_TRUE(std::regex_match(v, number)) << desc << ": " << v;
        for (const auto& v : values("audio", "channel"))
            EXPECT_TRUE(v == "1" || v == "2") << desc << ": " << v;
        for (const auto& v : values("video", "encode_pass"))
            EXPECT_TRUE(v == "1" || v == "2") << desc << ": " << v;
        for (const auto& v : values("video", "aspect"))
            EXPECT_TRUE(v == "AUTO" || v == "4/3" || v == "16/9") << desc << ": " << v;
        for (const auto& v : values("video", "framerate")) {
            EXPECT_TRUE(std::regex_match(v, rate)) << desc << ": " << v;
            if (fixedRateOutputs.count(output)) {
                EXPECT_NE(v, "Auto") << desc;
            }
        }
        if (params->FindChildElement("audio")) {
            EXPECT_EQ(values("audio", "disable_stream"), (std::vector<std::string>{"No", "Yes"})) << desc;
        }
        if (output == "gif") {
            ASSERT_FALSE(values("pic", "interval").empty()) << desc;
            ASSERT_FALSE(values("pic", "duration").empty()) << desc;
            for (const auto& v : values("pic", "interval"))
                EXPECT_TRUE(std::regex_match(v, number) && v != "0") << desc << ": " << v;
            for (const auto& v : values("pic", "duration"))
                EXPECT_TRUE(std::regex_match(v, number) && v != "0") << desc << ": " << v;
        }
        // The MPEG-4, MOV and tsMuxeR routes switch on these exact codec texts.
        if (output == "mpeg4" || output == "mov") {
            for (const auto& v : values("video", "codec"))
                EXPECT_TRUE(v == "x264" || v == "x265" || v == "mpeg4" || v == "xvid") << desc << ": " << v;
            for (const auto& v : values("audio", "codec"))
                EXPECT_TRUE(v == "aac" || v == "mp3" || (output == "mpeg4" && v == "ac3")) << desc << ": " << v;
        }
        if (Attr(p, "file_ext") == "m2ts") {
            EXPECT_EQ(values("video", "codec"), std::vector<std::string>{"x264"}) << desc;
            for (const auto& v : values("audio", "codec"))
                EXPECT_TRUE(v == "aac" || v == "ac3") << desc << ": " << v;
        }
    }
}

TEST_F(ShippedCatalogue, LimitsNameItemsAndValuesOfTheirProfile)
{
    int rules = 0;
    for (CXmlElement* p : Children(profiles)) {
        CXmlElement* params = p->FindChildElement("params");
        std::map<std::string, std::set<std::string>> items;
        for (const char* section : {"video", "audio", "pic"}) {
            CXmlElement* s = params->FindChildElement(section);
            if (!s)
                continue;
            for (CXmlElement* item : Children(s))
                for (CXmlElement* v : Children(item))
                    items[Attr(item, "name")].insert(Text(v));
        }
        CXmlElement* limits = params->FindChildElement("limits");
        if (!limits)
            continue;
        const std::string desc = Attr(p, "desc");
        for (CXmlElement* rule : Children(limits)) {
            ++rules;
            ASSERT_TRUE(HasAttr(rule, "depend") && HasAttr(rule, "value")) << desc;
            ASSERT_TRUE(items.count(Attr(rule, "depend"))) << desc << ": " << Attr(rule, "depend");
            EXPECT_TRUE(items[Attr(rule, "depend")].count(Attr(rule, "value"))) << desc;
            for (CXmlElement* holders : Children(rule)) {
                for (CXmlElement* holder : Children(holders)) {
                    const std::string target = Attr(holder, "name");
                    ASSERT_TRUE(items.count(target)) << desc << ": " << target;
                    EXPECT_NE(target, Attr(rule, "depend")) << desc;
                    for (CXmlElement* limit : Children(holder)) {
                        const std::string kind = limit->GetName(), text = Text(limit);
                        EXPECT_TRUE(kind == "max" || kind == "equal") << desc << ": " << kind;
                        if (kind == "equal") {
                            // Every listed value can be chosen, so a forced value is a real one.
                            for (const std::string& v : Split(text))
                                EXPECT_TRUE(items[target].count(v)) << desc << ": " << target << " " << v;
                        } else if (target == "Video Size") {
                            EXPECT_TRUE(std::regex_match(text, std::regex("[1-9][0-9]*x[1-9][0-9]*"))) << desc;
                        } else {
                            EXPECT_TRUE(std::regex_match(text, std::regex("[1-9][0-9]*"))) << desc;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GE(rules, 3);
}

TEST_F(ShippedCatalogue, QualityPresetsAreBitratesOfTheProfile)
{
    for (CXmlElement* p : Children(profiles)) {
        CXmlElement* params = p->FindChildElement("params");
        CXmlElement* q = params->FindChildElement("qualities");
        if (!q)
            continue;
        std::set<std::string> bitrates;
        for (CXmlElement* v : Children(params->FindChildElement("video")->FindChildElement("bitrate")))
            bitrates.insert(Text(v));
        for (const char* level : {"quality_high", "quality_low"}) {
            CXmlElement* e = q->FindChildElement(level);
            ASSERT_NE(e, nullptr) << Attr(p, "desc");
            const std::string b = Text(e->FindChildElement("video")->FindChildElement("bitrate"));
            EXPECT_TRUE(bitrates.count(b)) << Attr(p, "desc") << ": " << b;
        }
    }
}

}  // namespace
