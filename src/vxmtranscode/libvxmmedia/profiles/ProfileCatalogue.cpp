// Reading "profiles.xml": categories, groups and profiles with their
// parameter items, quality presets, limit rules and tool steps.
#include <string_view>

#include "EngineLog.h"
#include "ProfileManager.h"
#include "VXMUtils.h"
#include "XmlDocument.h"

namespace {

// Decoded texts are bounded like the fixed buffers of the file format.
constexpr std::size_t kMaxTextBytes = 255;

const char* const kLogCategory = "CProfileManager::LoadProfiles";

// At most kMaxTextBytes bytes, cut before a whole UTF-8 character.
std::string CutText(std::string text)
{
    if (text.size() <= kMaxTextBytes)
        return text;
    std::size_t end = kMaxTextBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

const CXmlVariable* FindAttr(const CXmlElement* e, const char* name)
{
    return e->FindVariableElement(name);
}

bool HasAttr(const CXmlElement* e, const char* name)
{
    return FindAttr(e, name) != nullptr;
}

std::wstring AttrText(const CXmlElement* e, const char* name)
{
    const CXmlVariable* v = FindAttr(e, name);
    return v ? AnsiToWide(v->GetValue(kMaxTextBytes)) : std::wstring();
}

int AttrInt(const CXmlElement* e, const char* name)
{
    const CXmlVariable* v = FindAttr(e, name);
    return v ? XmlParseInt(v->GetValue()) : 0;
}

// Calls fn for each child of the parent's first `name` child; false when the
// parent has no such child.
template <class Fn>
bool ForEachChildOf(const CXmlElement* parent, const char* name, Fn&& fn)
{
    const CXmlElement* list = parent->FindChildElement(name);
    if (!list)
        return false;
    for (std::size_t i = 0; i < list->GetChildCount(); ++i)
        fn(list->GetChild(i));
    return true;
}

// Sets `out` from the attribute when the element has it.
void ReadAttr(const CXmlElement* e, const char* name, std::wstring& out)
{
    if (HasAttr(e, name))
        out = AttrText(e, name);
}

void ReadAttr(const CXmlElement* e, const char* name, int& out)
{
    if (HasAttr(e, name))
        out = AttrInt(e, name);
}

// Text attributes that set a field of the same meaning.
template <class T>
struct CTextAttr {
    const char* name;
    std::wstring T::*field;
};

template <class T, std::size_t N>
void ReadTextAttrs(const CXmlElement* e, const CTextAttr<T> (&attrs)[N], T& target)
{
    for (const CTextAttr<T>& attr : attrs)
        ReadAttr(e, attr.name, target.*attr.field);
}

using CItem = _OUTPUT_AV_PARAMETER_ITEM;
const CTextAttr<CItem> kItemTexts[] = {
    {"desc", &CItem::m_strDesc}, {"validchar", &CItem::m_strValidChars}, {"editmask", &CItem::m_strEditMask},
    {"edittpl", &CItem::m_strEditTemplate}, {"maxvalue", &CItem::m_strMaxValue}, {"minvalue", &CItem::m_strMinValue}};

const CTextAttr<COutputProfile> kProfileTexts[] = {
    {"desc", &COutputProfile::m_strDesc}, {"tv_system", &COutputProfile::m_strTvSystem},
    {"target_device", &COutputProfile::m_strTargetDevice}, {"file_ext", &COutputProfile::m_strFileExt},
    {"folder", &COutputProfile::m_strFolder}};

// A category or a group: name, description and id are required, the icon is not.
template <class T>
std::unique_ptr<T> ReadCatalogueEntry(const CXmlElement* e)
{
    if (!HasAttr(e, "name") || !HasAttr(e, "desc") || !HasAttr(e, "id"))
        return nullptr;
    auto entry = std::make_unique<T>();
    entry->m_strName = AttrText(e, "name");
    entry->m_strDesc = AttrText(e, "desc");
    entry->m_nId = AttrInt(e, "id");
    ReadAttr(e, "icon", entry->m_strIcon);
    return entry;
}

// The element's text: its first piece of character content without the
// blanks, tabs, CR and LF around it.
std::wstring ElementText(const CXmlElement* e)
{
    if (!e || e->GetContentCount() == 0)
        return {};
    std::string text = e->GetContent(0);
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    text = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    return AnsiToWide(CutText(std::move(text)));
}

// Bit set or cleared by a boolean attribute that is present.
void ApplyFlag(const CXmlElement* e, const char* name, int bit, int& flags)
{
    if (!HasAttr(e, name))
        return;
    if (AttrInt(e, name) != 0)
        flags |= bit;
    else
        flags &= ~bit;
}

struct OutputTypeName {
    const char* name;
    int type;
};

const OutputTypeName kOutputTypes[] = {
    {"avi", PROFILE_OUTPUT_AVI},   {"mpeg4_psp", PROFILE_OUTPUT_MPEG4_PSP}, {"mpeg", PROFILE_OUTPUT_MPEG},
    {"flv", PROFILE_OUTPUT_FLV},   {"mpeg4", PROFILE_OUTPUT_MPEG4},         {"avc_psp", PROFILE_OUTPUT_AVC_PSP},
    {"avc_ps3", PROFILE_OUTPUT_AVC_PS3}, {"dvd", PROFILE_OUTPUT_DVD},       {"3gp", PROFILE_OUTPUT_3GP},
    {"swf", PROFILE_OUTPUT_SWF},   {"mkv", PROFILE_OUTPUT_MKV},             {"mov", PROFILE_OUTPUT_MOV},
    {"asf", PROFILE_OUTPUT_ASF},   {"webm", PROFILE_OUTPUT_WEBM},           {"ogv", PROFILE_OUTPUT_OGV},
    {"gif", PROFILE_OUTPUT_GIF},   {"wmv", PROFILE_OUTPUT_WMV},             {"aac", PROFILE_OUTPUT_AAC},
    {"mp3", PROFILE_OUTPUT_MP3},   {"wav", PROFILE_OUTPUT_WAV},             {"ogg", PROFILE_OUTPUT_OGG},
    {"wma", PROFILE_OUTPUT_WMA},   {"dts", PROFILE_OUTPUT_DTS},             {"ape", PROFILE_OUTPUT_APE},
};

struct EngineName {
    const char* name;
    int engine;
    int muxKind;
};

const EngineName kTranscodeEngines[] = {
    {"mencoder", PROFILE_ENGINE_MENCODER, PROFILE_MUX_NONE},
    {"mplayer", PROFILE_ENGINE_MPLAYER, PROFILE_MUX_NONE},
    {"ffmpeg", PROFILE_ENGINE_FFMPEG, PROFILE_MUX_NONE},
    {"mac", PROFILE_ENGINE_MAC, PROFILE_MUX_NONE},
};

const EngineName kMuxEngines[] = {
    {"mp4creator", PROFILE_ENGINE_MP4CREATOR, PROFILE_MUX_MP4CREATOR},
    {"mp4box", PROFILE_ENGINE_MP4BOX, PROFILE_MUX_MP4BOX},
    {"tsmuxer", PROFILE_ENGINE_TSMUXER, PROFILE_MUX_TSMUXER},
    {"muxm4a", PROFILE_ENGINE_MUXM4A, PROFILE_MUX_M4A},
};

template <std::size_t N>
const EngineName* FindEngine(const EngineName (&table)[N], const CXmlVariable* name)
{
    if (!name)
        return nullptr;
    const std::string text = name->GetValue();
    for (const EngineName& row : table)
        if (text == row.name)
            return &row;
    return nullptr;
}

}  // namespace

// Attributes of a parameter element: name, hints and flags of the item.
void LoadParameterItem(_OUTPUT_AV_PARAMETER_ITEM* item, const CXmlElement* element)
{
    item->m_strName = HasAttr(element, "name") ? AttrText(element, "name") : AnsiToWide(element->GetName());
    ReadTextAttrs(element, kItemTexts, *item);
    ApplyFlag(element, "visible", PROFILE_ITEM_VISIBLE, item->m_nFlags);
    ApplyFlag(element, "editable", PROFILE_ITEM_EDITABLE, item->m_nFlags);
    ApplyFlag(element, "readonly", PROFILE_ITEM_READONLY, item->m_nFlags);
    ReadAttr(element, "maxchar", item->m_nMaxChars);
    ReadAttr(element, "h264_profile", item->m_nH264Profile);
}

// The parameter element named elementName below parent fills item: its
// attributes, then one allowed value per child. False when there is no such
// element. A child without text adds no value.
bool LoadParameterValues(const CXmlElement* parent, _OUTPUT_AV_PARAMETER_ITEM* item, const char* elementName)
{
    const CXmlElement* element = parent ? parent->FindChildElement(elementName) : nullptr;
    if (!element)
        return false;
    LoadParameterItem(item, element);
    bool hasDefault = false;
    for (std::size_t i = 0; i < element->GetChildCount(); ++i) {
        const CXmlElement* value = element->GetChild(i);
        const std::wstring text = ElementText(value);
        if (text.empty())
            continue;
        const bool isDefault = HasAttr(value, "default");
        hasDefault = hasDefault || isDefault;
        item->AddValue(text, isDefault);
    }
    if (!hasDefault && !item->m_lstValues.empty())
        item->m_strValue = item->m_lstValues.front();
    return true;
}

namespace {

struct ParamElement {
    const char* section;
    const char* element;
    int item;
};

const ParamElement kParamElements[] = {
    {"video", "codec", ITEM_VIDEO_CODEC},
    {"video", "size", ITEM_VIDEO_SIZE},
    {"video", "bitrate", ITEM_VIDEO_BITRATE},
    {"video", "aspect", ITEM_ASPECT},
    {"video", "framerate", ITEM_FRAMERATE},
    {"video", "encode_pass", ITEM_ENCODE_PASS},
    {"audio", "codec", ITEM_AUDIO_CODEC},
    {"audio", "bitrate", ITEM_AUDIO_BITRATE},
    {"audio", "samplerate", ITEM_SAMPLE_RATE},
    {"audio", "channel", ITEM_CHANNEL},
    {"audio", "disable_stream", ITEM_DISABLE_AUDIO},
    {"audio", "av_sync", ITEM_AV_SYNC},
    {"pic", "duration", ITEM_PIC_DURATION},
    {"pic", "interval", ITEM_PIC_INTERVAL},
};

void LoadPreset(const CXmlElement* preset, const char* medium, std::wstring& codec, std::wstring& bitrate)
{
    const CXmlElement* side = preset ? preset->FindChildElement(medium) : nullptr;
    if (!side)
        return;
    if (const CXmlElement* e = side->FindChildElement("codec"))
        codec = ElementText(e);
    if (const CXmlElement* e = side->FindChildElement("bitrate"))
        bitrate = ElementText(e);
}

void LoadQualityPresets(const CXmlElement* params, COutputProfile* profile)
{
    const CXmlElement* qualities = params->FindChildElement("qualities");
    if (!qualities)
        return;
    const CXmlElement* high = qualities->FindChildElement("quality_high");
    const CXmlElement* low = qualities->FindChildElement("quality_low");
    LoadPreset(high, "video", profile->m_strHighVideoCodec, profile->m_strHighVideoBitrate);
    LoadPreset(high, "audio", profile->m_strHighAudioCodec, profile->m_strHighAudioBitrate);
    LoadPreset(low, "video", profile->m_strLowVideoCodec, profile->m_strLowVideoBitrate);
    LoadPreset(low, "audio", profile->m_strLowAudioCodec, profile->m_strLowAudioBitrate);
}

}  // namespace

// Limit rules below params: one rule per child of "limits", one limit per
// element below its rule holders. False when there is no "limits".
bool LoadProfileLimits(const CXmlElement* params, COutputProfile* profile)
{
    return ForEachChildOf(params, "limits", [&](const CXmlElement* limit) {
        if (!HasAttr(limit, "depend") || !HasAttr(limit, "value"))
            return;
        _PROFILE_LIMIT_RULE rule;
        rule.m_strDependName = AttrText(limit, "depend");
        rule.m_strDependValue = AttrText(limit, "value");
        rule.m_pSourceItem = profile->FindItemByName(rule.m_strDependName);
        for (std::size_t g = 0; g < limit->GetChildCount(); ++g) {
            const CXmlElement* holders = limit->GetChild(g);
            for (std::size_t h = 0; h < holders->GetChildCount(); ++h) {
                const CXmlElement* holder = holders->GetChild(h);
                if (!HasAttr(holder, "name"))
                    continue;
                const std::wstring itemName = AttrText(holder, "name");
                _OUTPUT_AV_PARAMETER_ITEM* limited = profile->FindItemByName(itemName);
                for (std::size_t r = 0; r < holder->GetChildCount(); ++r) {
                    const CXmlElement* element = holder->GetChild(r);
                    const std::string kind = element->GetName();
                    const int limitKind = kind == "equal" ? PROFILE_LIMIT_EQUAL
                                          : kind == "min"   ? PROFILE_LIMIT_MIN
                                                            : PROFILE_LIMIT_MAX;
                    rule.m_lstLimits.push_back(_PROFILE_LIMIT{.m_pLimitedItem = limited,
                                                              .m_pSourceItem = rule.m_pSourceItem,
                                                              .m_strDependValue = rule.m_strDependValue,
                                                              .m_strItemName = itemName,
                                                              .m_nKind = limitKind,
                                                              .m_strValue = ElementText(element)});
                }
            }
        }
        profile->m_lstRules.push_back(std::move(rule));
    });
}

// The profile's parameters, presets, quality modes and limits. False when
// the profile element has no "params".
bool LoadProfileParams(COutputProfile* profile, const CXmlElement* profileElement)
{
    const CXmlElement* params = profileElement->FindChildElement("params");
    if (!params)
        return false;
    if (!params->FindChildElement("video"))
        profile->m_nVideoFlag = 0;
    for (const ParamElement& row : kParamElements)
        LoadParameterValues(params->FindChildElement(row.section), profile->GetItem(row.item), row.element);
    LoadQualityPresets(params, profile);
    profile->UpdateAudioQualityMode();
    profile->UpdateVideoQualityMode();
    LoadProfileLimits(params, profile);
    return true;
}

// The profile's tool steps and mux kind. False when there is no "commands".
bool LoadProfileCommands(const CXmlElement* profileElement, COutputProfile* profile)
{
    return ForEachChildOf(profileElement, "commands", [&](const CXmlElement* command) {
        const CXmlVariable* type = FindAttr(command, "type");
        if (!type)
            return;
        const std::string typeText = type->GetValue();
        if (typeText == "transcode") {
            const EngineName* engine = FindEngine(kTranscodeEngines, FindAttr(command, "name"));
            if (!engine)
                return;
            auto record = std::make_unique<_PROFILE_COMMAND>();
            record->m_nEngine = engine->engine;
            if (const CXmlVariable* output = FindAttr(command, "output")) {
                const std::string outputText = output->GetValue();
                for (const OutputTypeName& row : kOutputTypes)
                    if (outputText == row.name)
                        record->m_nOutputType = row.type;
            }
            profile->m_lstCommands.push_back(std::move(record));
        } else if (typeText == "mux") {
            const EngineName* engine = FindEngine(kMuxEngines, FindAttr(command, "name"));
            if (!engine)
                return;
            auto record = std::make_unique<_PROFILE_COMMAND>();
            record->m_nEngine = engine->engine;
            profile->m_lstCommands.push_back(std::move(record));
            profile->m_nMuxKind = engine->muxKind;
        }
    });
}

bool LoadProfileCatalogue(const std::wstring& path, std::vector<std::unique_ptr<COutputProfile>>& profiles,
                          PROFILE_GROUP_LIST& groups, PROFILE_CATEGORY_LIST& categories)
{
    CXmlDocument doc;
    doc.SetSaveOnClose(false);
    doc.Load(std::wstring_view(path));
    const CXmlElement* root = doc.GetRoot();
    const CXmlElement* groupList = root ? root->FindChildElement("groups") : nullptr;
    const CXmlElement* profileList = root ? root->FindChildElement("profiles") : nullptr;
    const CXmlElement* categoryList = root ? root->FindChildElement("categories") : nullptr;
    if (!groupList || !profileList || !categoryList) {
        LogMessageW(kLogCategory, L"Bad profile file, can not load profiles: %s (parse status %d)", path.c_str(),
                    doc.GetStatus());
        return false;
    }

    for (std::size_t i = 0; i < categoryList->GetChildCount(); ++i) {
        if (auto category = ReadCatalogueEntry<_PROFILE_CATEGORY>(categoryList->GetChild(i)))
            categories.push_back(std::move(category));
    }

    for (std::size_t i = 0; i < groupList->GetChildCount(); ++i) {
        const CXmlElement* e = groupList->GetChild(i);
        auto group = ReadCatalogueEntry<_PROFILE_GROUP>(e);
        if (!group)
            continue;
        if (HasAttr(e, "in_category"))
            AssignGroupToCategories(categories, group.get(), AttrText(e, "in_category"));
        ReadAttr(e, "burn", group->m_nBurn);
        ReadAttr(e, "html5", group->m_nHtml5);
        ReadAttr(e, "audio", group->m_nAudio);
        groups.push_back(std::move(group));
    }

    for (std::size_t i = 0; i < profileList->GetChildCount(); ++i) {
        const CXmlElement* e = profileList->GetChild(i);
        if (!HasAttr(e, "name"))
            continue;
        auto profile = std::make_unique<COutputProfile>();
        profile->m_strName = AttrText(e, "name");
        profile->m_nProfileCode = LookupProfileCode(profile->m_strName);
        ReadTextAttrs(e, kProfileTexts, *profile);
        ReadAttr(e, "id", profile->m_nId);
        if (HasAttr(e, "groups"))
            AssignProfileToGroups(groups, profile.get(), AttrText(e, "groups"));
        LoadProfileParams(profile.get(), e);
        LoadProfileCommands(e, profile.get());
        profiles.push_back(std::move(profile));
    }
    return true;
}
