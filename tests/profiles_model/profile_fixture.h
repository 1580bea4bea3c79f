// A profile filled the way the catalogue fills one, for the model tests.
#pragma once
#include "OutputProfile.h"

#include <initializer_list>
#include <memory>
#include <string>

namespace profiletest {

inline void FillItem(_OUTPUT_AV_PARAMETER_ITEM& item, const std::wstring& name,
                     std::initializer_list<const wchar_t*> values, const wchar_t* current = nullptr)
{
    item.m_strName = name;
    for (const wchar_t* v : values)
        item.AddValue(v, current && std::wstring(v) == current);
    if (!current && !item.m_lstValues.empty())
        item.m_strValue = item.m_lstValues.front();
}

struct LimitDef {
    const wchar_t* item;
    int kind;
    const wchar_t* value;
};

// Appends a rule: while the item named depend has value, the limits apply.
inline void AddRule(COutputProfile& p, const std::wstring& depend, const std::wstring& value,
                    std::initializer_list<LimitDef> limits)
{
    _PROFILE_LIMIT_RULE rule;
    rule.m_strDependName = depend;
    rule.m_strDependValue = value;
    rule.m_pSourceItem = p.FindItemByName(depend);
    for (const LimitDef& l : limits) {
        _PROFILE_LIMIT limit;
        limit.m_pLimitedItem = p.FindItemByName(l.item);
        limit.m_pSourceItem = rule.m_pSourceItem;
        limit.m_strDependValue = value;
        limit.m_strItemName = l.item;
        limit.m_nKind = l.kind;
        limit.m_strValue = l.value;
        rule.m_lstLimits.push_back(limit);
    }
    p.m_lstRules.push_back(std::move(rule));
}

inline std::unique_ptr<COutputProfile> MakeProfile()
{
    auto p = std::make_unique<COutputProfile>();
    p->m_strName = L"mp4";
    p->m_nId = 7;
    FillItem(p->m_items[ITEM_VIDEO_CODEC], L"Video Codec", {L"mpeg4", L"h264", L"xvid"}, L"h264");
    FillItem(p->m_items[ITEM_VIDEO_SIZE], L"Video Size", {L"AUTO", L"320x240", L"640x480", L"720x480", L"640x576"},
             L"320x240");
    FillItem(p->m_items[ITEM_ASPECT], L"Aspect", {L"AUTO", L"4:3", L"16:9"});
    FillItem(p->m_items[ITEM_VIDEO_BITRATE], L"Video Bitrate", {L"AUTO", L"500", L"1000", L"2000"}, L"1000");
    FillItem(p->m_items[ITEM_FRAMERATE], L"Frame Rate", {L"AUTO", L"25", L"30"});
    FillItem(p->m_items[ITEM_ENCODE_PASS], L"Encode Pass", {L"1", L"2"});
    FillItem(p->m_items[ITEM_AUDIO_CODEC], L"Audio Codec", {L"aac", L"wma", L"mp3"}, L"aac");
    FillItem(p->m_items[ITEM_AUDIO_BITRATE], L"Audio Bitrate", {L"64", L"128", L"192", L"320"}, L"128");
    FillItem(p->m_items[ITEM_SAMPLE_RATE], L"Sample Rate", {L"44100", L"48000"});
    FillItem(p->m_items[ITEM_CHANNEL], L"Channel", {L"1", L"2"}, L"2");
    FillItem(p->m_items[ITEM_DISABLE_AUDIO], L"Disable Audio", {L"No", L"Yes"});
    FillItem(p->m_items[ITEM_AV_SYNC], L"AV Sync", {L"0"});
    FillItem(p->m_items[ITEM_PIC_DURATION], L"Duration", {L"5"});
    FillItem(p->m_items[ITEM_PIC_INTERVAL], L"Interval", {L"1"});
    return p;
}

}  // namespace profiletest
