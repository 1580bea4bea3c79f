// The skinned window: builds its control tree from its skin file, routes
// notifications through its notify map and gives the usual message hooks.
#pragma once
#include "ui/UIManager.h"
#include "ui/UIWindow.h"

class CNotifyPump;
// A map entry calls its handler through a small typed thunk.
using DUI_PMSG = void (*)(CNotifyPump*, TNotifyUI&);

template <class M>
struct DuiMemberClass;
template <class C>
struct DuiMemberClass<void (C::*)(TNotifyUI&)> {
    using type = C;
};
template <auto Fn>
void DuiNotifyThunk(CNotifyPump* pump, TNotifyUI& msg)
{
    using C = typename DuiMemberClass<decltype(Fn)>::type;
    (static_cast<C*>(pump)->*Fn)(msg);
}

struct DUI_MSGMAP_ENTRY {
    const wchar_t* sMsgType;
    const wchar_t* sCtrlName;  // empty: any control
    DUI_PMSG pfn;
};

struct DUI_MSGMAP {
    const DUI_MSGMAP* (*pfnGetBaseMap)();
    const DUI_MSGMAP_ENTRY* lpEntries;
};

#define DUI_DECLARE_MESSAGE_MAP()                              \
private:                                                       \
    static const DUI_MSGMAP_ENTRY _messageEntries[];           \
                                                               \
protected:                                                     \
    static const DUI_MSGMAP messageMap;                        \
    static const DUI_MSGMAP* _GetBaseMessageMap();             \
    virtual const DUI_MSGMAP* GetMessageMap() const;

#define DUI_BEGIN_MESSAGE_MAP(theClass, baseClass)                                                           \
    const DUI_MSGMAP* theClass::_GetBaseMessageMap() { return &baseClass::messageMap; }                     \
    const DUI_MSGMAP* theClass::GetMessageMap() const { return &theClass::messageMap; }                     \
    const DUI_MSGMAP theClass::messageMap = {&theClass::_GetBaseMessageMap, &theClass::_messageEntries[0]}; \
    const DUI_MSGMAP_ENTRY theClass::_messageEntries[] = {

#define DUI_ON_MSGTYPE(msgtype, memberFxn) {msgtype, L"", &DuiNotifyThunk<&memberFxn>},
#define DUI_ON_MSGTYPE_CTRNAME(msgtype, ctrname, memberFxn) {msgtype, ctrname, &DuiNotifyThunk<&memberFxn>},
#define DUI_ON_CLICK_CTRNAME(ctrname, memberFxn) DUI_ON_MSGTYPE_CTRNAME(DUI_MSGTYPE_CLICK, ctrname, memberFxn)
#define DUI_ON_SELECTCHANGED_CTRNAME(ctrname, memberFxn) DUI_ON_MSGTYPE_CTRNAME(DUI_MSGTYPE_SELECTCHANGED, ctrname, memberFxn)
#define DUI_END_MESSAGE_MAP() {nullptr, nullptr, nullptr}};

// Dispatches a notification through the class's notify map and those of
// its bases: an entry for the sender's name wins over a type-only entry of
// the same map; a derived map wins over its base.
class CNotifyPump {
public:
    virtual ~CNotifyPump() = default;
    bool LoopDispatch(TNotifyUI& msg);
    void NotifyPump(TNotifyUI& msg) { LoopDispatch(msg); }

protected:
    static const DUI_MSGMAP messageMap;
    static const DUI_MSGMAP* _GetBaseMessageMap() { return nullptr; }
    virtual const DUI_MSGMAP* GetMessageMap() const { return &messageMap; }

private:
    static const DUI_MSGMAP_ENTRY _messageEntries[];
};

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
public:
    WindowImplBase() = default;
    // A window of a fixed class name built from one skin file.
    WindowImplBase(std::wstring className, std::wstring skinFile)
        : m_className(std::move(className)), m_skinFile(std::move(skinFile))
    {
    }
    ~WindowImplBase() override;

    CPaintManagerUI* GetPaintManager() override { return &m_PaintManager; }

    virtual void InitWindow() {}
    void OnFinalMessage(HWND hwnd) override;
    void Notify(TNotifyUI& msg) override;
    virtual void OnClick(TNotifyUI& msg) {}

    // Return, Escape: answered here before the controls see the key. The
    // default closes the window on Escape (as cancelled).
    virtual LRESULT ResponseDefaultKeyEvent(WPARAM wParam);
    // A cancelled modal run ends as Escape ends it.
    void CancelModal() override;
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    CControlUI* CreateControl(const std::wstring& className) override { return nullptr; }

    // The smallest size the skin allows, grown by extra width: the window
    // widens at once when it is narrower than that.
    void SetMinimumWidthExtra(int extra);

    virtual std::wstring GetSkinFolder() { return std::wstring(); }
    std::wstring GetWindowClassName() const override { return m_className; }
    virtual std::wstring GetSkinFile() { return m_skinFile; }
    virtual UILIB_RESOURCETYPE GetResourceType() const { return UILIB_FILE; }

    virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

protected:
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    CPaintManagerUI m_PaintManager;

private:
    std::wstring m_className;
    std::wstring m_skinFile;

    DUI_DECLARE_MESSAGE_MAP()
};
