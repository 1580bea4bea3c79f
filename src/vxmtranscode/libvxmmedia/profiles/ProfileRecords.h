// Records a profile carries besides its items: its tool steps and the limit
// rules that tie one item's value to the allowed values of others.
#pragma once
#include <string>
#include <vector>

struct _OUTPUT_AV_PARAMETER_ITEM;

// Engine codes of a profile's tool steps.
enum PROFILE_ENGINE : int {
    PROFILE_ENGINE_MENCODER = 0,
    PROFILE_ENGINE_MPLAYER = 1,
    PROFILE_ENGINE_FFMPEG = 2,
    PROFILE_ENGINE_MP4CREATOR = 3,
    PROFILE_ENGINE_MP4BOX = 4,
    PROFILE_ENGINE_MUXM4A = 5,
    PROFILE_ENGINE_TSMUXER = 7,
    PROFILE_ENGINE_MAC = 10,
};

// Output types of a transcode step.
enum PROFILE_OUTPUT_TYPE : int {
    PROFILE_OUTPUT_AVI = 0,
    PROFILE_OUTPUT_MPEG4_PSP = 1,
    PROFILE_OUTPUT_MPEG = 2,
    PROFILE_OUTPUT_FLV = 3,
    PROFILE_OUTPUT_MPEG4 = 4,
    PROFILE_OUTPUT_AVC_PSP = 5,
    PROFILE_OUTPUT_AVC_PS3 = 6,
    PROFILE_OUTPUT_DVD = 7,
    PROFILE_OUTPUT_3GP = 8,
    PROFILE_OUTPUT_SWF = 9,
    PROFILE_OUTPUT_MKV = 10,
    PROFILE_OUTPUT_MOV = 11,
    PROFILE_OUTPUT_ASF = 12,
    PROFILE_OUTPUT_WEBM = 13,
    PROFILE_OUTPUT_OGV = 14,
    PROFILE_OUTPUT_GIF = 15,
    PROFILE_OUTPUT_WMV = 16,
    PROFILE_OUTPUT_AAC = 17,
    PROFILE_OUTPUT_MP3 = 18,
    PROFILE_OUTPUT_WAV = 19,
    PROFILE_OUTPUT_OGG = 20,
    PROFILE_OUTPUT_WMA = 21,
    PROFILE_OUTPUT_DTS = 22,
    PROFILE_OUTPUT_APE = 23,
};

// The container step that wraps a profile's encode.
enum PROFILE_MUX_KIND : int {
    PROFILE_MUX_NONE = 0,
    PROFILE_MUX_MP4CREATOR = 1,
    PROFILE_MUX_MP4BOX = 2,
    PROFILE_MUX_TSMUXER = 3,
    PROFILE_MUX_M4A = 4,
};

enum PROFILE_LIMIT_KIND : int {
    PROFILE_LIMIT_MAX = 0,
    PROFILE_LIMIT_MIN = 1,    // installed, filters nothing
    PROFILE_LIMIT_EQUAL = 2,
};

// One tool step of a profile.
struct _PROFILE_COMMAND {
    int m_nEngine = 0;      // PROFILE_ENGINE
    int m_nOutputType = 0;  // PROFILE_OUTPUT_TYPE
};

// One limit that a source item's value imposes on a limited item.
struct _PROFILE_LIMIT {
    int m_nStamp = -1;  // the installation it belongs to; -1 in a rule
    _OUTPUT_AV_PARAMETER_ITEM* m_pLimitedItem = nullptr;  // null: no such item in the profile
    _OUTPUT_AV_PARAMETER_ITEM* m_pSourceItem = nullptr;
    std::wstring m_strDependValue;
    std::wstring m_strItemName;  // the limited item's name as the catalogue gives it
    int m_nKind = PROFILE_LIMIT_MAX;
    // Equal: comma-separated allowed texts. Max: a number, or WxH for "Video Size".
    std::wstring m_strValue;
};

// All limits that one value of one source item imposes.
struct _PROFILE_LIMIT_RULE {
    std::wstring m_strDependName;
    std::wstring m_strDependValue;
    _OUTPUT_AV_PARAMETER_ITEM* m_pSourceItem = nullptr;  // null until resolved
    int m_nStamp = -1;                                    // -1: not installed
    std::vector<_PROFILE_LIMIT> m_lstLimits;
};
