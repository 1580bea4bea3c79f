// The program's own UI texts in English, by numeric id, and the English
// texts of the dictionary keys the code asks for. Every language falls back
// to these.
#pragma once
#include "platform/types.h"
#include <string>
#include <vector>

struct TUIStringEntry {
    UINT id;
    const wchar_t* text;
};

struct TUIDictionaryEntry {
    const wchar_t* key;
    const wchar_t* text;
};

// Every id the program shows, in ascending order.
const std::vector<TUIStringEntry>& GetEnglishStringTable();
// Null when the id is unknown.
const wchar_t* FindEnglishString(UINT id);

const std::vector<TUIDictionaryEntry>& GetEnglishDictionary();
// Null when the key is unknown.
const wchar_t* FindEnglishDictionaryText(const std::wstring& key);

// Ids of the remaining-time text of the text progress bar.
constexpr UINT IDS_TIME_LEFT = 210;
constexpr UINT IDS_UNIT_HOUR = 212;
constexpr UINT IDS_UNIT_MINUTE = 213;
constexpr UINT IDS_UNIT_SECOND = 214;
