#include "ui/UITextProgress.h"
#include "ui/UILanguage.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include "ui/UIStringTable.h"
#include "platform/events.h"
#include "platform/text.h"
#include <QPainter>
#include <algorithm>
#include <cstdint>

std::wstring CTextProgressUI::GetClass() const { return L"TextProgressUI"; }

void* CTextProgressUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CProgressUI>(this, name, L"TextProgress");
}

int CTextProgressUI::GetPercent() const
{
    if (m_max <= m_min) return 0;
    const std::int64_t done = static_cast<std::int64_t>(m_value) - m_min;
    const std::int64_t range = static_cast<std::int64_t>(m_max) - m_min;
    return static_cast<int>(std::clamp<std::int64_t>(done * 100 / range, 0, 100));
}

std::wstring CTextProgressUI::MakeText(DWORD now) const
{
    const int percent = GetPercent();
    const int from = std::max(m_startValue, m_min);
    // 64-bit: a long job times a wide range overflows 32 bits.
    const std::uint64_t elapsed = static_cast<DWORD>(now - m_startTick);
    // Without a measured rate (nothing done since the start, or no time gone) no estimate.
    if (m_startTick == 0 || m_max <= m_min || m_value <= from || elapsed == 0) return FormatW(L"%d%%", percent);
    const std::uint64_t left = static_cast<std::uint64_t>(static_cast<std::int64_t>(m_max) - m_value);
    const std::uint64_t done = static_cast<std::uint64_t>(static_cast<std::int64_t>(m_value) - from);
    const std::uint64_t remainingMs = elapsed * left / done;
    const std::uint64_t seconds = remainingMs / 1000;
    const int h = static_cast<int>(std::min<std::uint64_t>(seconds / 3600, INT32_MAX));
    const int m = static_cast<int>((seconds / 60) % 60);
    const int s = static_cast<int>(seconds % 60);
    CLanguageManager* lang = CLanguageManager::GetInstance();
    const std::wstring label = lang->LoadStringW(IDS_TIME_LEFT);
    const std::wstring uh = lang->LoadStringW(IDS_UNIT_HOUR);
    const std::wstring um = lang->LoadStringW(IDS_UNIT_MINUTE);
    const std::wstring us = lang->LoadStringW(IDS_UNIT_SECOND);
    if (h > 0)
        return FormatW(L"%d%% (%s %d%s %d%s %d%s)", percent, label.c_str(), h, uh.c_str(), m, um.c_str(), s, us.c_str());
    if (m > 0) return FormatW(L"%d%% (%s %d%s %d%s)", percent, label.c_str(), m, um.c_str(), s, us.c_str());
    return FormatW(L"%d%% (%s %d%s)", percent, label.c_str(), s, us.c_str());
}

void CTextProgressUI::PaintText(QPainter& painter) { DrawBarText(painter, MakeText(GetTickCount())); }

std::wstring CSizeProgressUI::GetClass() const { return L"SizeProgressUI"; }

void* CSizeProgressUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CProgressUI>(this, name, L"SizeProgress");
}

bool CSizeProgressUI::IsOverLimit() const
{
    return static_cast<std::int64_t>(m_value) > (static_cast<std::int64_t>(m_max) * 9 + m_min) / 10;
}

RECT CSizeProgressUI::WarningRect()
{
    return CPaintManagerUI::Scale(MakeRect(200, 586, 500, 606));
}

void CSizeProgressUI::DoPaint(QPainter& painter, const RECT& rcPaint)
{
    CControlUI::DoPaint(painter, rcPaint);
    const bool over = IsOverLimit();
    if (over != m_warned) {
        // The warning lies outside the bar: its area must be painted too.
        m_warned = over;
        if (m_manager) m_manager->Invalidate(WarningRect());
    }
    if (!over) return;
    const std::wstring text = CLanguageManager::GetInstance()->TranslateDictionary(L"205");
    CRenderEngine::DrawText(painter, m_manager, WarningRect(), text, 0xFFFF0000, m_font, m_textStyle | DT_SINGLELINE);
}
