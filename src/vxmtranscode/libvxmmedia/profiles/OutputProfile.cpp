// Output profiles: value access, limit evaluation, quality presets and cloning.
#include "OutputProfile.h"

#include "platform/text.h"

#include <atomic>
#include <cmath>
#include <cwctype>

namespace {

// Identifies one installation of a rule's limits. Never -1.
int DrawStamp()
{
    static std::atomic<int> next{0};
    return next.fetch_add(1, std::memory_order_relaxed) & 0x7FFFFFFF;
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b)
{
    return CompareNoCaseW(a, b) == 0;
}

// How a preset compares with the current values: each comparison is made only
// when both texts are set; true when at least one is made and all are equal.
bool PresetMatches(const std::wstring& presetCodec, const std::wstring& codec, const std::wstring& presetBitrate,
                   const std::wstring& bitrate)
{
    int made = 0;
    bool equal = true;
    if (!presetCodec.empty() && !codec.empty()) {
        ++made;
        equal = equal && presetCodec == codec;
    }
    if (!presetBitrate.empty() && !bitrate.empty()) {
        ++made;
        equal = equal && presetBitrate == bitrate;
    }
    return made > 0 && equal;
}

int NormalizeMode(int mode)
{
    return mode == QUALITY_MODE_HIGH ? QUALITY_MODE_HIGH : (mode != 0 ? QUALITY_MODE_NORMAL : QUALITY_MODE_LOW);
}

}  // namespace

COutputProfile::COutputProfile()
{
    for (std::size_t i = 0; i < m_items.size(); ++i)
        m_pItemTable[i] = &m_items[i];
}

COutputProfile::~COutputProfile() = default;

_OUTPUT_AV_PARAMETER_ITEM* COutputProfile::GetItem(int index)
{
    if (index < 0 || index >= PROFILE_ITEM_COUNT)
        return nullptr;
    return m_pItemTable[static_cast<std::size_t>(index)];
}

_OUTPUT_AV_PARAMETER_ITEM* COutputProfile::FindItemByName(const std::wstring& name)
{
    for (_OUTPUT_AV_PARAMETER_ITEM* item : m_pItemTable) {
        if (item->m_strName == name)
            return item;
    }
    return nullptr;
}

std::wstring COutputProfile::EvaluatedValue(int index)
{
    std::lock_guard<std::mutex> lock(m_lock);
    _OUTPUT_AV_PARAMETER_ITEM* item = GetItem(index);
    EvaluateLimits(item);
    return item->m_strValue;
}

std::wstring COutputProfile::StoredValue(int index) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_items[static_cast<std::size_t>(index)].m_strValue;
}

void COutputProfile::SetValue(int index, const std::wstring& value)
{
    std::lock_guard<std::mutex> lock(m_lock);
    SetItemValue(this, GetItem(index), value);
}

int COutputProfile::RemoveValue(int index, const std::wstring& value)
{
    std::lock_guard<std::mutex> lock(m_lock);
    return RemoveItemValue(value, GetItem(index));
}

void COutputProfile::SetVideoQualityValue(int index, const std::wstring& value)
{
    std::lock_guard<std::mutex> lock(m_lock);
    SetItemValue(this, GetItem(index), value);
    UpdateVideoQualityMode();
}

void COutputProfile::SetAudioQualityValue(int index, const std::wstring& value)
{
    std::lock_guard<std::mutex> lock(m_lock);
    SetItemValue(this, GetItem(index), value);
    UpdateAudioQualityMode();
}

int COutputProfile::GetVideoHeight() const
{
    const std::wstring size = StoredValue(ITEM_VIDEO_SIZE);
    std::size_t x = size.find(L'x');
    if (x == std::wstring::npos)
        return 240;
    int height = ProfileWToI(std::wstring_view(size).substr(x + 1));
    if (height == 0)
        return 240;
    return height < 64 ? 64 : height;
}

int COutputProfile::GetVideoWidth() const
{
    int width = ProfileWToI(StoredValue(ITEM_VIDEO_SIZE));
    if (width <= 0)
        return 320;
    if (width > 0x7FFFFFF0)
        width = 0x7FFFFFF0;
    return (width + 7) / 8 * 8;
}

int COutputProfile::IsAudioDisabled() const
{
    return EqualsNoCase(StoredValue(ITEM_DISABLE_AUDIO), L"Yes") ? 1 : 0;
}

void COutputProfile::SetAudioDisabled(int disabled)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_items[ITEM_DISABLE_AUDIO].m_strValue = disabled ? L"Yes" : L"No";
}

void COutputProfile::SetVolume(float factor)
{
    if (std::isnan(factor))
        factor = 1.0f;
    if (factor >= 2.0f)
        factor = 2.0f;
    else if (factor <= 0.5f)
        factor = 0.5f;
    std::lock_guard<std::mutex> lock(m_lock);
    m_fVolume = factor;
}

float COutputProfile::GetVolume() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_fVolume;
}

void COutputProfile::SetSkipSourceTracks(int skip)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_nSkipSourceTracks = skip;
}

int COutputProfile::GetVideoQualityMode() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return NormalizeMode(m_nVideoQualityMode);
}

int COutputProfile::GetAudioQualityMode() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return NormalizeMode(m_nAudioQualityMode);
}

void COutputProfile::SetVideoQualityMode(int mode)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_nVideoQualityMode = NormalizeMode(mode);
    ApplyVideoPreset();
}

void COutputProfile::SetAudioQualityMode(int mode)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_nAudioQualityMode = NormalizeMode(mode);
    ApplyAudioPreset();
}

namespace {

// Sets codec and bit rate from the preset of the mode; the normal mode goes
// back to the items' catalogue defaults.
void ApplyPreset(COutputProfile* profile, int mode, _OUTPUT_AV_PARAMETER_ITEM* codec,
                 _OUTPUT_AV_PARAMETER_ITEM* bitrate, const std::wstring& highCodec, const std::wstring& lowCodec,
                 const std::wstring& highBitrate, const std::wstring& lowBitrate)
{
    auto apply = [&](_OUTPUT_AV_PARAMETER_ITEM* item, const std::wstring& high, const std::wstring& low) {
        const std::wstring& value = mode == QUALITY_MODE_HIGH ? high : mode == QUALITY_MODE_LOW ? low : item->m_strDefault;
        if (!value.empty())
            SetItemValue(profile, item, value);
    };
    apply(codec, highCodec, lowCodec);
    apply(bitrate, highBitrate, lowBitrate);
}

// The mode becomes high or low when codec and bit rate match that preset (low
// when both do); otherwise it stays.
void MatchQualityMode(int& mode, const _OUTPUT_AV_PARAMETER_ITEM& codec, const _OUTPUT_AV_PARAMETER_ITEM& bitrate,
                      const std::wstring& highCodec, const std::wstring& lowCodec, const std::wstring& highBitrate,
                      const std::wstring& lowBitrate)
{
    if (PresetMatches(highCodec, codec.m_strValue, highBitrate, bitrate.m_strValue))
        mode = QUALITY_MODE_HIGH;
    if (PresetMatches(lowCodec, codec.m_strValue, lowBitrate, bitrate.m_strValue))
        mode = QUALITY_MODE_LOW;
}

}  // namespace

void COutputProfile::ApplyVideoPreset()
{
    ApplyPreset(this, m_nVideoQualityMode, GetItem(ITEM_VIDEO_CODEC), GetItem(ITEM_VIDEO_BITRATE), m_strHighVideoCodec,
                m_strLowVideoCodec, m_strHighVideoBitrate, m_strLowVideoBitrate);
}

void COutputProfile::ApplyAudioPreset()
{
    ApplyPreset(this, m_nAudioQualityMode, GetItem(ITEM_AUDIO_CODEC), GetItem(ITEM_AUDIO_BITRATE), m_strHighAudioCodec,
                m_strLowAudioCodec, m_strHighAudioBitrate, m_strLowAudioBitrate);
}

void COutputProfile::UpdateVideoQualityMode()
{
    MatchQualityMode(m_nVideoQualityMode, m_items[ITEM_VIDEO_CODEC], m_items[ITEM_VIDEO_BITRATE], m_strHighVideoCodec,
                     m_strLowVideoCodec, m_strHighVideoBitrate, m_strLowVideoBitrate);
}

void COutputProfile::UpdateAudioQualityMode()
{
    MatchQualityMode(m_nAudioQualityMode, m_items[ITEM_AUDIO_CODEC], m_items[ITEM_AUDIO_BITRATE], m_strHighAudioCodec,
                     m_strLowAudioCodec, m_strHighAudioBitrate, m_strLowAudioBitrate);
}

void COutputProfile::EvaluateLimits(_OUTPUT_AV_PARAMETER_ITEM* item)
{
    if (!item || m_lstRules.empty())
        return;
    const _PROFILE_LIMIT_RULE* found = nullptr;
    for (const _PROFILE_LIMIT_RULE& rule : m_lstRules) {
        if (rule.m_pSourceItem == item && rule.m_strDependValue == item->m_strValue)
            found = &rule;  // the last match counts
    }
    if (!found) {
        if (item->m_nLimitsActive)
            RemoveActiveRule(item);
        item->m_nLimitsActive = 0;
        item->m_ActiveRule.m_nStamp = -1;
        return;
    }
    if (item->m_nLimitsActive) {
        if (item->m_strActiveValue == item->m_strValue)
            return;
        RemoveActiveRule(item);
    }
    item->m_nLimitsActive = 1;
    item->m_strActiveValue = item->m_strValue;
    item->m_ActiveRule = *found;
    item->m_ActiveRule.m_nStamp = DrawStamp();
    InstallActiveRule(item);
}

void COutputProfile::InstallActiveRule(_OUTPUT_AV_PARAMETER_ITEM* item)
{
    const _PROFILE_LIMIT_RULE& rule = item->m_ActiveRule;
    for (const _PROFILE_LIMIT& limit : rule.m_lstLimits) {
        if (!limit.m_pLimitedItem)
            continue;
        _PROFILE_LIMIT installed = limit;
        installed.m_nStamp = rule.m_nStamp;
        installed.m_pSourceItem = item;
        limit.m_pLimitedItem->m_lstLimits.push_back(std::move(installed));
        limit.m_pLimitedItem->ApplyLimits();
    }
}

void COutputProfile::RemoveActiveRule(_OUTPUT_AV_PARAMETER_ITEM* item)
{
    const _PROFILE_LIMIT_RULE& rule = item->m_ActiveRule;
    for (const _PROFILE_LIMIT& limit : rule.m_lstLimits) {
        _OUTPUT_AV_PARAMETER_ITEM* limited = limit.m_pLimitedItem;
        if (!limited)
            continue;
        std::size_t removed = std::erase_if(limited->m_lstLimits, [&](const _PROFILE_LIMIT& l) {
            return l.m_pSourceItem == item && l.m_nStamp != -1 && l.m_nStamp == rule.m_nStamp;
        });
        if (removed)
            limited->ApplyLimits();
    }
}

std::unique_ptr<IProfile> COutputProfile::Clone() const
{
    auto copy = std::make_unique<COutputProfile>();
    std::lock_guard<std::mutex> lock(m_lock);
    copy->m_strName = m_strName;
    copy->m_strDesc = m_strDesc;
    copy->m_strTargetDevice = m_strTargetDevice;
    copy->m_strTvSystem = m_strTvSystem;
    copy->m_nId = m_nId;
    copy->m_nVideoFlag = m_nVideoFlag;
    copy->m_nProfileCode = m_nProfileCode;
    copy->m_strFileExt = m_strFileExt;
    copy->m_strFolder = m_strFolder;
    copy->m_items = m_items;  // values and lists; no installed limits
    copy->m_nMuxKind = m_nMuxKind;
    for (const auto& command : m_lstCommands)
        copy->m_lstCommands.push_back(std::make_unique<_PROFILE_COMMAND>(*command));
    copy->m_lstGroupIndexes = m_lstGroupIndexes;
    copy->m_nVideoQualityMode = m_nVideoQualityMode;
    copy->m_strHighVideoCodec = m_strHighVideoCodec;
    copy->m_strLowVideoCodec = m_strLowVideoCodec;
    copy->m_strHighVideoBitrate = m_strHighVideoBitrate;
    copy->m_strLowVideoBitrate = m_strLowVideoBitrate;
    copy->m_nAudioQualityMode = m_nAudioQualityMode;
    copy->m_strHighAudioCodec = m_strHighAudioCodec;
    copy->m_strLowAudioCodec = m_strLowAudioCodec;
    copy->m_strHighAudioBitrate = m_strHighAudioBitrate;
    copy->m_strLowAudioBitrate = m_strLowAudioBitrate;
    copy->m_nSkipSourceTracks = m_nSkipSourceTracks;
    copy->m_fVolume = m_fVolume;

    // Rules are rebuilt against the clone's own items, found by name.
    for (const _PROFILE_LIMIT_RULE& rule : m_lstRules) {
        _PROFILE_LIMIT_RULE r;
        r.m_strDependName = rule.m_strDependName;
        r.m_strDependValue = rule.m_strDependValue;
        r.m_pSourceItem = copy->FindItemByName(rule.m_strDependName);
        r.m_nStamp = -1;
        for (const _PROFILE_LIMIT& limit : rule.m_lstLimits) {
            _PROFILE_LIMIT l;
            l.m_nStamp = -1;
            l.m_pLimitedItem = copy->FindItemByName(limit.m_strItemName);
            l.m_pSourceItem = r.m_pSourceItem;
            l.m_strDependValue = r.m_strDependValue;
            l.m_strItemName = limit.m_strItemName;
            l.m_nKind = limit.m_nKind;
            l.m_strValue = limit.m_strValue;
            r.m_lstLimits.push_back(std::move(l));
        }
        copy->m_lstRules.push_back(std::move(r));
    }
    return copy;
}
