// A plain main window until the real one is built: an empty skin, the engine
// bridge initialised and saved, and the UI loop ended when it closes.
// Replaced as a whole by the main window's own CreateMainFrameWnd.
#include "MainFrameFactory.h"
#include "Log.h"
#include "MediaHandler.h"
#include "VXMSettings.h"
#include "platform/messages.h"
#include "ui/UILib.h"

namespace {

class CPlaceholderMainFrameWnd : public WindowImplBase {
public:
    std::wstring GetWindowClassName() const override { return L"VXMProMainFrame"; }
    std::wstring GetSkinFolder() override { return L"skin"; }
    std::wstring GetSkinFile() override { return L"main.xml"; }
    LRESULT ResponseDefaultKeyEvent(WPARAM) override { return FALSE; }

    void InitWindow() override
    {
        if (!CMediaHandler::GetInstance()->Init(GetHWND()))
            LogInfo("?InitWindow@CVXMMainFrameWnd@@UAEXXZ", "The profile catalogue could not be loaded.");
    }

    void OnFinalMessage(HWND hwnd) override
    {
        WindowImplBase::OnFinalMessage(hwnd);
        CMediaHandler::GetInstance()->SaveCustomProps();
        CMediaHandler::DeleteInstance();
        CVXMSettings::GetInstance()->Save();
        CLanguageManager::Release();
        PostQuitMessage(0);
        delete this;
    }
};

}  // namespace

CWindowWnd* CreateMainFrameWnd(const std::wstring&)
{
    return new CPlaceholderMainFrameWnd();
}
