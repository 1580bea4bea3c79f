#include "ui/UIWindowImplBase.h"
#include "ui/UIControl.h"
#include "ui/UIDlgBuilder.h"
#include "ui/UILanguage.h"
#include "ui/UIRender.h"
#include <QDebug>
#include <algorithm>
#include <QWidget>

const DUI_MSGMAP CNotifyPump::messageMap = {&CNotifyPump::_GetBaseMessageMap, &CNotifyPump::_messageEntries[0]};
const DUI_MSGMAP_ENTRY CNotifyPump::_messageEntries[] = {{nullptr, nullptr, nullptr}};

bool CNotifyPump::LoopDispatch(TNotifyUI& msg)
{
    const std::wstring name = msg.pSender ? msg.pSender->GetName() : std::wstring();
    for (const DUI_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        const DUI_MSGMAP_ENTRY* typeOnly = nullptr;
        const DUI_MSGMAP_ENTRY* byName = nullptr;
        for (const DUI_MSGMAP_ENTRY* e = map->lpEntries; e && e->sMsgType; ++e) {
            if (msg.sType != e->sMsgType) continue;
            if (e->sCtrlName && *e->sCtrlName) {
                if (!byName && name == e->sCtrlName) byName = e;
            } else if (!typeOnly) {
                typeOnly = e;
            }
        }
        const DUI_MSGMAP_ENTRY* hit = byName ? byName : typeOnly;
        if (hit && hit->pfn) {
            hit->pfn(this, msg);
            return true;
        }
    }
    return false;
}

DUI_BEGIN_MESSAGE_MAP(WindowImplBase, CNotifyPump)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, WindowImplBase::OnClick)
DUI_END_MESSAGE_MAP()

WindowImplBase::~WindowImplBase()
{
    // The widget must not reach the paint manager (a member going away now).
    ReleaseHost();
}

void WindowImplBase::OnFinalMessage(HWND)
{
    m_PaintManager.RemovePreMessageFilter(this);
    m_PaintManager.RemoveNotifier(this);
    m_PaintManager.RemoveAllTimers();
}

void WindowImplBase::Notify(TNotifyUI& msg)
{
    NotifyPump(msg);
}

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM wParam)
{
    if (wParam == VK_ESCAPE) {
        Close(IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

void WindowImplBase::CancelModal()
{
    if (!ResponseDefaultKeyEvent(VK_ESCAPE)) Close(IDCANCEL);
}

LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& handled)
{
    if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        LRESULT r = ResponseDefaultKeyEvent(wParam);
        handled = r != FALSE;
        return r;
    }
    return FALSE;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    bHandled = TRUE;
    QWidget* widget = GetWidget();
    m_PaintManager.Init(GetHWND(), widget, this);
    m_PaintManager.AddPreMessageFilter(this);

    std::wstring skin = GetSkinFile();
    // A skin file (not inline markup) may have its own copy for the UI language.
    if (!skin.empty() && skin.find(L'<') == std::wstring::npos) skin = CLanguageManager::GetInstance()->GetXMLFilePath(skin);
    if (CPaintManagerUI::GetResourcePath().empty())
        CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath() + GetSkinFolder());
    CDialogBuilder builder;
    CControlUI* root = builder.Create(skin, std::wstring(), this, &m_PaintManager);
    if (!root) {
        qWarning("window %s: skin %s not built", QString::fromStdWString(GetWindowClassName()).toUtf8().constData(),
                 QString::fromStdWString(skin).toUtf8().constData());
        return -1;
    }
    m_PaintManager.AttachDialog(root);
    m_PaintManager.AddNotifier(this);

    if (widget) {
        if (m_PaintManager.IsFrameless() && widget->isWindow()) widget->setWindowFlag(Qt::FramelessWindowHint, true);
        SIZE init = m_PaintManager.GetInitSize();
        if (init.cx > 0 && init.cy > 0) widget->resize(init.cx, init.cy);
        SIZE minInfo = m_PaintManager.GetMinInfo();
        if (minInfo.cx > 0 || minInfo.cy > 0) widget->setMinimumSize(minInfo.cx, minInfo.cy);
        SIZE maxInfo = m_PaintManager.GetMaxInfo();
        if (maxInfo.cx > 0 && maxInfo.cy > 0) widget->setMaximumSize(maxInfo.cx, maxInfo.cy);
    }
    InitWindow();
    return 0;
}

void WindowImplBase::SetMinimumWidthExtra(int extra)
{
    QWidget* widget = GetWidget();
    const SIZE minInfo = m_PaintManager.GetMinInfo();
    if (!widget || minInfo.cx <= 0) return;
    widget->setMinimumWidth(minInfo.cx + std::max(extra, 0));
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL& bHandled)
{
    bHandled = TRUE;
    QWidget* w = GetWidget();
    if (!w) return HTCLIENT;
    QPoint local = w->mapFromGlobal(QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
    POINT pt;
    pt.x = local.x();
    pt.y = local.y();
    const int cx = w->width(), cy = w->height();
    if (!IsZoomed()) {
        const RECT& box = m_PaintManager.GetSizeBox();
        if (pt.y < box.top) {
            if (pt.x < box.left) return HTTOPLEFT;
            if (pt.x > cx - box.right) return HTTOPRIGHT;
            return HTTOP;
        }
        if (pt.y > cy - box.bottom) {
            if (pt.x < box.left) return HTBOTTOMLEFT;
            if (pt.x > cx - box.right) return HTBOTTOMRIGHT;
            return HTBOTTOM;
        }
        if (pt.x < box.left) return HTLEFT;
        if (pt.x > cx - box.right) return HTRIGHT;
    }
    const RECT& caption = m_PaintManager.GetCaptionRect();
    RECT area = MakeRect(caption.left, caption.top, cx - caption.right, caption.bottom);
    if (caption.bottom > 0 && PtInRect(area, pt)) {
        CControlUI* control = m_PaintManager.FindControl(pt);
        if (control) {
            const std::wstring cls = control->GetClass();
            if (cls == L"ButtonUI" || cls == L"OptionUI" || cls == L"CheckBoxUI" || cls == L"SliderUI" || cls == L"TextUI")
                return HTCLIENT;
        }
        return HTCAPTION;
    }
    return HTCLIENT;
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    bHandled = TRUE;
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        DeliverMessage(WM_CLOSE, 0, 0);
        return 0;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, BOOL& bHandled) { bHandled = FALSE; return 0; }
LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, BOOL& bHandled) { bHandled = FALSE; return 0; }
LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& bHandled) { bHandled = FALSE; return 0; }

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    LRESULT lRes = 0;
    BOOL bHandled = TRUE;
    switch (uMsg) {
    case WM_CREATE: lRes = OnCreate(uMsg, wParam, lParam, bHandled); break;
    case WM_CLOSE: lRes = OnClose(uMsg, wParam, lParam, bHandled); break;
    case WM_NCHITTEST: lRes = OnNcHitTest(uMsg, wParam, lParam, bHandled); break;
    case WM_SYSCOMMAND: lRes = OnSysCommand(uMsg, wParam, lParam, bHandled); break;
    case WM_KEYDOWN: lRes = OnKeyDown(uMsg, wParam, lParam, bHandled); break;
    case WM_KILLFOCUS: lRes = OnKillFocus(uMsg, wParam, lParam, bHandled); break;
    default: bHandled = FALSE; break;
    }
    if (bHandled) return lRes;
    lRes = HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    if (bHandled) return lRes;
    if (m_PaintManager.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}
