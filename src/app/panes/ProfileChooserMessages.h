// What the profile chooser reports and how its ids travel.
//
// The pane's chooser posts WM_VXM_PROFILE_SELECTED to its parent window; the
// chooser of one list row sends the notification "item_profile_changed" through
// the list's paint manager with the row as sender. Both carry the same values:
//   wParam  the profile id (IProfile::GetId), sign-extended (-1 stays -1);
//   lParam  category id (IProfileCategory::GetId) in the low 32 bits and group
//           id (IProfileGroup::GetId) in the high 32 bits.
// Every id travels whole: never take LOWORD/HIWORD of these values, decode
// them with DecodeProfileSelection.
#pragma once
#include "platform/types.h"

#include <cstdint>

constexpr UINT WM_VXM_PROFILE_SELECTED = 5121;
inline constexpr const wchar_t* kNotifyItemProfileChanged = L"item_profile_changed";

static_assert(sizeof(LPARAM) >= 8, "the chooser packs two 32-bit ids into lParam");

struct SProfileSelection {
    int profileId = -1;
    int groupId = -1;
    int categoryId = -1;
};

inline WPARAM MakeProfileSelectionWParam(int profileId)
{
    return static_cast<WPARAM>(static_cast<std::intptr_t>(profileId));
}

inline LPARAM MakeProfileSelectionLParam(int categoryId, int groupId)
{
    const std::uint64_t low = static_cast<std::uint32_t>(categoryId);
    const std::uint64_t high = static_cast<std::uint32_t>(groupId);
    return static_cast<LPARAM>((high << 32) | low);
}

inline SProfileSelection DecodeProfileSelection(WPARAM wParam, LPARAM lParam)
{
    const auto bits = static_cast<std::uint64_t>(lParam);
    SProfileSelection s;
    s.profileId = static_cast<int>(static_cast<std::uint32_t>(wParam));
    s.categoryId = static_cast<int>(static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
    s.groupId = static_cast<int>(static_cast<std::uint32_t>(bits >> 32));
    return s;
}
