// Profile codes: each catalogue profile name the engine knows maps to a
// number that the job builders switch on.
#pragma once
#include <string_view>

struct PROFILE_CODE_ROW {
    int nCode;
    const wchar_t* pszName;
};

inline constexpr int PROFILE_CODE_COUNT = 110;
extern const PROFILE_CODE_ROW g_ProfileCodeTable[PROFILE_CODE_COUNT];

// Codes the builders handle in their own way.
enum PROFILE_CODE : int {
    PROFILE_CODE_PSP = 10,
    PROFILE_CODE_PSP_AVC = 11,
    PROFILE_CODE_PS3 = 12,
    PROFILE_CODE_PS3_720P = 13,
    PROFILE_CODE_PS3_1080P = 14,
    PROFILE_CODE_FLV = 21,
    PROFILE_CODE_SWF = 22,
    PROFILE_CODE_3GP = 23,
    PROFILE_CODE_3G2 = 24,
    PROFILE_CODE_XBOX_AVI = 47,
    PROFILE_CODE_ASF = 82,
};

// The code of the row whose name equals name exactly (case-sensitive); -1 when none.
int LookupProfileCode(std::wstring_view name);
