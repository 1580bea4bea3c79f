#include "NotAddedNotice.h"

#include "IVXMMedia.h"
#include "MediaHandler.h"
#include "VXMGlobal.h"
#include "ui/UILanguage.h"

namespace {

const wchar_t* ReasonKey(int why)
{
    switch (why) {
    case kRefusedEmpty: return L"ID_STRING_NOT_ADDED_EMPTY";
    case kRefusedNoTrack: return L"ID_STRING_NOT_ADDED_NO_TRACK";
    case VXM_PROBE_NOT_FOUND: return L"ID_STRING_NOT_ADDED_MISSING";
    case VXM_PROBE_NO_ACCESS: return L"ID_STRING_NOT_ADDED_NO_ACCESS";
    case VXM_PROBE_NOT_MEDIA: return L"ID_STRING_NOT_ADDED_NOT_MEDIA";
    default: return L"ID_STRING_NOT_ADDED_UNREADABLE";
    }
}

}  // namespace

const std::wstring& CNotAddedNotice::Add(const std::wstring& path, int why)
{
    CLanguageManager* lang = CLanguageManager::GetInstance();
    const std::wstring name = path.substr(path.find_last_of(L'/') + 1);
    const std::wstring reason = lang->TranslateDictionary(ReasonKey(why));
    if (++m_count == 1) {
        m_first = name;
        m_why = reason;
    }
    m_tip += (m_tip.empty() ? L"" : L"\n") + name + L": " + reason;
    m_text = m_count == 1 ? FillIn(lang->TranslateDictionary(L"ID_STRING_FILE_NOT_ADDED"), {m_first, m_why})
                          : FillIn(lang->TranslateDictionary(L"ID_STRING_FILES_NOT_ADDED"),
                                   {std::to_wstring(m_count), m_first, m_why});
    return m_text;
}
