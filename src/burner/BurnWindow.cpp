// ShowDUI: the job from the pane's choices, the menu's pictures, the burn
// window and the clean-up of the intermediate files.
#include "BurnWindow.h"

#include "BurnMenu.h"
#include "BurnerTools.h"
#include "Burner.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "ui/UICombo.h"
#include "ui/UILanguage.h"
#include "ui/UIProgress.h"
#include "ui/desktop/Desktop.h"

#include <QDebug>

#include <filesystem>
#include <system_error>

namespace {

const wchar_t* const kCaption = L"Vexmora Professional";
bool g_autoClose = false;

std::wstring Text(const wchar_t* key) { return CLanguageManager::GetInstance()->TranslateDictionary(key); }

const wchar_t* StageKey(EBurnStage stage)
{
    switch (stage) {
    case EBurnStage::Menu: return L"ID_STRING_BURN_STAGE_MENU";
    case EBurnStage::Authoring: return L"ID_STRING_BURN_STAGE_AUTHOR";
    case EBurnStage::Image: return L"ID_STRING_BURN_STAGE_IMAGE";
    case EBurnStage::Writing: return L"ID_STRING_BURN_STAGE_WRITE";
    case EBurnStage::Done: break;
    }
    return L"ID_STRING_BURN_DONE";
}

std::wstring ControlText(CControlUI* control) { return control ? control->GetText() : std::wstring(); }

}  // namespace

void SetBurnWindowAutoClose(bool close) { g_autoClose = close; }

CBurnWindowUI::CBurnWindowUI(SBurnJob job, std::vector<SMenuButton> buttons, SBurnerSetup* setup)
    : WindowImplBase(L"VXMBurnWnd", L"dlg_burn.xml"), m_job(std::move(job)), m_buttons(std::move(buttons)), m_setup(setup)
{
}

CBurnWindowUI::~CBurnWindowUI() { m_worker.reset(); }

void CBurnWindowUI::InitWindow()
{
    HWND window = GetHWND();
    m_worker = std::make_unique<CBurnWorker>();
    m_worker->Start(
        m_job, m_buttons,
        [window](const SBurnReport& report) {
            auto copy = std::make_unique<SBurnReport>(report);
            PostMessagePayload(window, WM_BURN_REPORT, 0, copy);
        },
        [window](const SBurnResult& result) {
            auto copy = std::make_unique<SBurnResult>(result);
            PostMessagePayload(window, WM_BURN_DONE, 0, copy);
        });
    SetTexts(Text(L"ID_STRING_BURN_STAGE_MENU"), {}, 0);
}

void CBurnWindowUI::SetTexts(const std::wstring& stage, const std::wstring& detail, int percent)
{
    if (CControlUI* c = m_PaintManager.FindControl(L"ID_LABEL_BURN_STAGE")) c->SetText(stage);
    if (CControlUI* c = m_PaintManager.FindControl(L"ID_LABEL_BURN_DETAIL")) c->SetText(detail);
    if (auto* p = dynamic_cast<CProgressUI*>(m_PaintManager.FindControl(L"ID_PROGRESS_BURN"))) p->SetValue(percent);
    // The pane's footer follows (it is on the same thread).
    if (m_setup && m_setup->burner) {
        if (CControlUI* status = m_setup->burner->burnStatus) status->SetText(stage);
        if (auto* p = dynamic_cast<CProgressUI*>(m_setup->burner->progress)) p->SetValue(percent);
        if (CControlUI* size = m_setup->burner->burnSize) size->SetText(std::to_wstring(percent) + L"%");
    }
}

void CBurnWindowUI::StopPaneClock()
{
    if (CControlUI* clock = m_setup && m_setup->burner ? m_setup->burner->burnTime : nullptr)
        if (CPaintManagerUI* pane = clock->GetManager()) pane->SendNotify(clock, L"burn_finished");
}

LRESULT CBurnWindowUI::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    if (uMsg == WM_BURN_REPORT) {
        bHandled = TRUE;
        std::unique_ptr<SBurnReport> report(reinterpret_cast<SBurnReport*>(lParam));
        if (report && !m_finished) {
            SetTexts(Text(StageKey(report->stage)), report->line, report->percent);
            // Shown as completed, the pane's clock stops with it.
            if (report->stage == EBurnStage::Done) StopPaneClock();
        }
        return 0;
    }
    if (uMsg == WM_BURN_DONE) {
        bHandled = TRUE;
        std::unique_ptr<SBurnResult> result(reinterpret_cast<SBurnResult*>(lParam));
        m_worker->Join();
        m_finished = true;
        if (result) m_result = *result;
        if (m_result.code == 1) {
            SetTexts(Text(L"ID_STRING_BURN_DONE"), m_job.device.empty() ? m_job.imagePath : m_job.device, 100);
        } else if (m_result.code == 0) {
            SetTexts(Text(L"ID_STRING_BURN_STOPPED"), {}, 0);
        } else {
            SetTexts(CLanguageManager::GetInstance()->FormatDictionary(L"ID_STRING_BURN_FAILED", m_result.error.c_str()),
                     m_result.error, 0);
        }
        if (CControlUI* button = m_PaintManager.FindControl(L"ID_BTN_BURN_STOP")) button->SetText(Text(L"ID_STRING_BURN_CLOSE"));
        // The pane's clock stops with the work.
        StopPaneClock();
        if (m_closeWhenDone || g_autoClose) Close(0);
        return 0;
    }
    return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

void CBurnWindowUI::RequestStop()
{
    if (m_finished) {
        Close(0);
        return;
    }
    // The window goes once the running tool has ended.
    m_closeWhenDone = true;
    if (m_worker) m_worker->Stop();
}

void CBurnWindowUI::OnClick(TNotifyUI& msg)
{
    if (!msg.pSender) return;
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"ID_BTN_BURN_STOP" || name == L"IDC_BUTTON_CLOSE_WINDOW") RequestStop();
}

LRESULT CBurnWindowUI::ResponseDefaultKeyEvent(WPARAM wParam)
{
    if (wParam == VK_ESCAPE) RequestStop();
    return TRUE;
}

LRESULT CBurnWindowUI::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    bHandled = !m_finished;
    if (!m_finished) RequestStop();
    return 0;
}

int ShowDUI(HWND owner, const VXM_BURN_FILE* files, VXM_DVD_MENU_SETTINGS* menu, const wchar_t* tempFolder, int,
            const wchar_t*, int, int count, bool ntsc, bool avchd, float)
{
    IMessageBox* box = Desktop().messageBox;
    auto fail = [&](const std::wstring& text) {
        qWarning("burner: %s", WideToUtf8(text).c_str());
        if (box) box->Show(owner, text, kCaption, MB_ICONERROR);
        return -1;
    };
    if (!files || count <= 0 || !menu || !tempFolder || !*tempFolder) return -1;
    if (const std::wstring blocker = BurnBlocker(avchd); !blocker.empty()) return fail(blocker);

    SBurnJob job;
    job.files.assign(files, files + count);
    job.menu = *menu;
    job.ntsc = ntsc;
    job.tempFolder = tempFolder;
    job.speed = menu->writeSpeed;
    SBurnerSetup* setup = FindBurnerSetup(owner);
    if (setup && setup->burner) {
        job.device = ChosenRecorder(*setup);
        job.label = ControlText(setup->burner->discLabel);
        job.publisher = ControlText(setup->burner->publisher);
    }
    if (job.device.empty()) {
        IFileChooser* chooser = Desktop().files;
        if (!chooser) return -1;
        CFileRequest request;
        request.owner = owner;
        request.title = Text(L"ID_STRING_BURN_SAVE_ISO");
        request.fileName = DiscLabel(job.label) + L".iso";
        if (setup && setup->burner) request.folder = setup->burner->imageFolder;
        request.filters = {{L"ISO Image (*.iso)", {L"*.iso"}}};
        job.imagePath = chooser->SaveFile(request);
        if (job.imagePath.empty()) return 0;
    }

    std::vector<SMenuButton> buttons;
    if (job.withMenu()) {
        std::error_code ec;
        std::filesystem::create_directories(PathFromWide(job.tempFolder), ec);
        SMenuTemplate look;
        LoadMenuTemplate(job.menu.templateFile, look);
        if (!DrawMenuPictures(job, look, buttons)) {
            qWarning("burner: the menu pictures could not be drawn; the disc goes without a menu");
            buttons.clear();
        }
    }

    int result = -1;
    {
        CBurnWindowUI window(job, buttons, setup);
        if (window.Create(owner, L"VXMBurnWnd", WS_POPUP | WS_VISIBLE, 0)) {
            window.CenterWindow();
            window.ShowModal();
            result = window.GetResult();
        }
    }
    // Intermediate files go with the window.
    std::error_code ec;
    std::filesystem::remove_all(PathFromWide(job.tempFolder), ec);
    return result;
}
