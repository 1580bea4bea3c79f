#include "OptionDlgUI.h"

#include "AppStartup.h"
#include "MediaHandler.h"
#include "TypedFolder.h"
#include "VXMGlobal.h"
#include "VXMMediaExports.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "ui/desktop/Desktop.h"

namespace {

constexpr UINT IDS_CHOOSE_OUTPUT_FOLDER = 129;
constexpr UINT IDS_CHOOSE_SNAPSHOT_FOLDER = 130;
constexpr UINT IDS_TRANSPARENCY = 209;
constexpr int kTabAction = 32;
constexpr int kTabActionBase = 180;

const wchar_t* const kTabs[] = {L"ID_OPTIONS_TAB_GENERAL", L"ID_OPTIONS_TAB_VIDEO",     L"ID_OPTIONS_TAB_AUDIO",
                                L"ID_OPTIONS_TAB_ONLINE",  L"ID_OPTIONS_TAB_DVD",       L"ID_OPTIONS_TAB_SUBTITLES",
                                L"ID_OPTIONS_TAB_RECORD",  L"ID_OPTIONS_TAB_MISC"};

bool IsSelected(CControlUI* control)
{
    auto* option = dynamic_cast<COptionUI*>(control);
    return option && option->IsSelected();
}

}  // namespace

COptionDlgUI::COptionDlgUI(CVXMSettings* settings, CHooks hooks)
    : m_settings(settings), m_snapshot(settings ? *settings : CVXMSettings()), m_hooks(std::move(hooks))
{
}

std::wstring COptionDlgUI::GetSkinFile()
{
    return CLanguageManager::GetInstance()->GetXMLFilePath(L"dlg_options_pro.xml");
}

bool COptionDlgUI::IsNvEncoderAvailable()
{
    static const bool available = IsCUDASupported() == 1;
    return available;
}

void COptionDlgUI::InitWindow()
{
    m_PaintManager.AddDefaultAttributeList(L"ImageFolder", JoinPath(JoinPath(GetProgramFolder(), L"skins"), m_settings->SkinDir));
    m_PaintManager.UpdateUI();
    FillLanguageList();
    LoadPages();
    LoadAcceleration();
    m_subtitleColour = static_cast<DWORD>(m_settings->PrimaryColour);
    m_outlineColour = static_cast<DWORD>(m_settings->OutLineColor);
    ShowSubtitleColour();
    if (CControlUI* service = Find(L"IDC_LABEL_SERVICE_ADDRESS")) service->SetText(m_settings->SendActionSerVice);
    ApplyEnableRules();
    if (CControlUI* output = Find(L"IDC_EDIT_OUTPUT_FOLDER")) output->SetFocus();
}

void COptionDlgUI::Notify(TNotifyUI& msg)
{
    if (msg.sType == DUI_MSGTYPE_WINDOWINIT) return;
    if (msg.sType == DUI_MSGTYPE_SELECTCHANGED) OnSelectChanged(msg);
    else if (msg.sType == DUI_MSGTYPE_VALUECHANGED || msg.sType == L"valuechanging") OnValueChanged(msg);
    else if (msg.sType == DUI_MSGTYPE_ITEMSELECT) OnItemSelect(msg);
    WindowImplBase::Notify(msg);
}

void COptionDlgUI::OnClick(TNotifyUI& msg)
{
    const std::wstring name = msg.pSender ? msg.pSender->GetName() : std::wstring();
    if (name == L"ID_BUTTON_OK") {
        if (ApplyChanges()) Close(0);
    } else if (name == L"ID_BUTTON_CANCEL" || name == L"IDC_BUTTON_CLOSE_WINDOW") {
        RestoreSnapshot();
        Close(1);
    } else if (name == L"IDC_BUTTON_OUTPUT_BROWSE") {
        BrowseFolder(true);
    } else if (name == L"IDC_BUTTON_OUTPUT_OPEN") {
        if (m_hooks.openOutputFolder) m_hooks.openOutputFolder();
    } else if (name == L"IDC_BUTTON_SNAPSHOT_BROWSE") {
        BrowseFolder(false);
    } else if (name == L"IDC_BUTTON_SNAPSHOT_OPEN") {
        if (m_hooks.openSnapshotFolder) m_hooks.openSnapshotFolder();
    } else if (name == L"IDC_LABEL_SEL_SUBTITLE_COLOR") {
        ChooseColour(m_subtitleColour);
        ShowSubtitleColour();
    } else if (name == L"IDC_LABEL_SUBTITLE_OUTLINE_COLOR") {
        ChooseColour(m_outlineColour);
    }
}

LRESULT COptionDlgUI::ResponseDefaultKeyEvent(WPARAM wParam)
{
    if (wParam == VK_ESCAPE) {
        RestoreSnapshot();
        Close(1);
        return TRUE;
    }
    return FALSE;
}

void COptionDlgUI::OnSelectChanged(TNotifyUI& msg)
{
    const std::wstring name = msg.pSender ? msg.pSender->GetName() : std::wstring();
    for (int page = 0; page < static_cast<int>(std::size(kTabs)); ++page) {
        if (name == kTabs[page]) {
            if (IsSelected(msg.pSender)) SelectTab(page);
            return;
        }
    }
    ApplyEnableRules();
    WriteAtOnce(name);
}

void COptionDlgUI::SelectTab(int page)
{
    SendUsageAction(kTabAction, kTabActionBase + page);
    if (auto* pages = Find<CTabLayoutUI>(L"switch")) pages->SelectItem(page);
    if (page >= 0 && page < static_cast<int>(std::size(kTabs)))
        if (auto* tab = Find<COptionUI>(kTabs[page]); tab && !tab->IsSelected()) tab->Selected(true, false);
}

void COptionDlgUI::OnValueChanged(TNotifyUI& msg)
{
    auto* slider = dynamic_cast<CSliderUI*>(msg.pSender);
    if (!slider) return;
    const std::wstring name = slider->GetName();
    if (name == L"IDC_SLIDER_VOLUME") {
        if (CControlUI* buddy = Find(L"IDC_STATIC_SLIDER_BUDDY")) buddy->SetText(FormatW(L"%d db", slider->GetValue()));
    } else if (name == L"IDC_SLIDER_SUB_POSITION") {
        if (CControlUI* label = Find(L"IDC_STATIC_LABEL_SUB_POSITION")) label->SetText(FormatW(L"%d", slider->GetValue()));
    } else if (name == L"IDC_SLIDER_SUB_TRANSPARENT") {
        m_subtitleColour = (m_subtitleColour & 0x00FFFFFF) | (static_cast<DWORD>(slider->GetValue() & 0xFF) << 24);
        ShowSubtitleColour();
    }
}

void COptionDlgUI::OnItemSelect(TNotifyUI& msg)
{
    const std::wstring name = msg.pSender ? msg.pSender->GetName() : std::wstring();
    if (name == L"IDC_COMBO_MP3_ENCODE") {
        auto* encode = dynamic_cast<CComboUI*>(msg.pSender);
        SetEnabled(L"IDC_COMBO_MP3_VBR_QUALITY", encode && encode->GetCurSel() != 0);
    } else if (name == L"IDC_COMBO_LOCALIZATION") {
        StoreSelectedLanguage();
    }
}

// ---- enable rules ---------------------------------------------------------

void COptionDlgUI::SetLabelState(const wchar_t* name, bool mouse, bool enabled)
{
    if (CControlUI* label = Find(name)) {
        label->SetMouseEnabled(mouse);
        label->SetEnabled(enabled);
    }
}

void COptionDlgUI::SetEnabled(const wchar_t* name, bool enabled)
{
    if (CControlUI* control = Find(name)) control->SetEnabled(enabled);
}

void COptionDlgUI::UpdateFitRule(bool width)
{
    const wchar_t* self = width ? L"IDC_CHECK_FIT_WIDTH" : L"IDC_CHECK_FIT_HEIGHT";
    const wchar_t* other = width ? L"IDC_CHECK_FIT_HEIGHT" : L"IDC_CHECK_FIT_WIDTH";
    const wchar_t* otherLabel = width ? L"IDC_LABEL_FIT_HEIGHT" : L"IDC_LABEL_FIT_WIDTH";
    if (IsSelected(Find(self))) {
        SetEnabled(other, false);
        SetLabelState(otherLabel, true, false);
        SetLabelState(L"IDC_LABEL_EXPAND", false, true);
        SetLabelState(L"IDC_LABEL_ROUND_16", false, true);
        return;
    }
    SetLabelState(otherLabel, false, true);
    SetEnabled(other, true);
    if (!IsSelected(Find(other))) {
        SetLabelState(L"IDC_LABEL_EXPAND", true, false);
        SetLabelState(L"IDC_LABEL_ROUND_16", true, false);
    }
}

void COptionDlgUI::UpdateAccelerationRule()
{
    const bool cuda = IsSelected(Find(L"IDC_CHECK_USE_CUDA"));
    SetEnabled(L"IDC_CHECK_USE_OPENCL", !cuda);
    SetLabelState(L"IDC_LABEL_OPENCL", cuda, !cuda);
    if (IsNvEncoderAvailable() || IsCUDAAvailable()) {
        const bool openCL = IsSelected(Find(L"IDC_CHECK_USE_OPENCL"));
        SetEnabled(L"IDC_CHECK_USE_CUDA", !openCL);
        SetLabelState(L"IDC_LABEL_CUDA", openCL, !openCL);
    }
}

void COptionDlgUI::ApplyEnableRules()
{
    // The rule of the box that is set goes last, so that it wins.
    if (IsSelected(Find(L"IDC_CHECK_FIT_WIDTH"))) {
        UpdateFitRule(false);
        UpdateFitRule(true);
    } else {
        UpdateFitRule(true);
        UpdateFitRule(false);
    }
    UpdateAccelerationRule();
    SetEnabled(L"IDC_EDIT_SHADOW", IsSelected(Find(L"IDC_CHECK_SUBTITLE_SHADOW")));
    const bool outline = IsSelected(Find(L"IDC_CHECK_SUBTITLE_OUTLINE"));
    SetEnabled(L"IDC_EDIT_OUTLINE", outline);
    SetEnabled(L"IDC_LABEL_SUBTITLE_OUTLINE_COLOR", outline);
    SetEnabled(L"IDC_LABEL_SEL_SUBTITLE_COLOR", IsSelected(Find(L"IDC_CHECK_USE_SUBTITLE_COLOR")));
    if (auto* encode = Find<CComboUI>(L"IDC_COMBO_MP3_ENCODE"))
        SetEnabled(L"IDC_COMBO_MP3_VBR_QUALITY", encode->GetCurSel() != 0);
}

void COptionDlgUI::WriteAtOnce(const std::wstring& name)
{
    static const wchar_t* const formats[] = {L"IDC_RADIO_ONLINE_FMT1", L"IDC_RADIO_ONLINE_FMT2", L"IDC_RADIO_ONLINE_FMT3"};
    for (int i = 0; i < 3; ++i)
        if (name == formats[i] && IsSelected(Find(formats[i]))) m_settings->OnlineFMT = i;
    if (name == L"IDC_CHECK_OPEN_FOLDER")
        m_settings->OpenOutputFolderAfterConvertingFinished = IsSelected(Find(L"IDC_CHECK_OPEN_FOLDER")) ? 1 : 0;
}

// ---- colours and folders --------------------------------------------------

void COptionDlgUI::ShowSubtitleColour()
{
    const DWORD c = m_subtitleColour;
    const DWORD rgb = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    if (auto* sample = Find<CLabelUI>(L"IDC_LABEL_DISPLAY_SUBTITLE_COLOR")) sample->SetTextColor(0xFF000000 | rgb);
    const int transparency = static_cast<int>((c >> 24) & 0xFF);
    if (auto* slider = Find<CSliderUI>(L"IDC_SLIDER_SUB_TRANSPARENT")) {
        slider->SetMaxValue(255);
        slider->SetValue(transparency);
    }
    if (CControlUI* label = Find(L"IDC_STATIC_LABEL_SUB_TRANSPARENT"))
        label->SetText(FormatW(L"%d%%", transparency * 100 / 255));
}

void COptionDlgUI::ChooseColour(DWORD& colour)
{
    IColourChooser* chooser = Desktop().colours;
    if (!chooser) return;
    DWORD chosen = colour;
    const std::wstring label = CLanguageManager::GetInstance()->LoadStringW(IDS_TRANSPARENCY);
    if (chooser->ChooseWithTransparency(GetHWND(), colour, label, chosen)) colour = chosen;
}

void COptionDlgUI::BrowseFolder(bool output)
{
    IFileChooser* chooser = Desktop().files;
    if (!chooser) return;
    std::wstring& folder = output ? m_settings->OutputFolder : m_settings->SnapshotFolder;
    const std::wstring title =
        CLanguageManager::GetInstance()->LoadStringW(output ? IDS_CHOOSE_OUTPUT_FOLDER : IDS_CHOOSE_SNAPSHOT_FOLDER);
    const std::wstring chosen = chooser->ChooseFolder(GetHWND(), title, folder);
    if (chosen.empty()) return;
    if (CControlUI* edit = Find(output ? L"IDC_EDIT_OUTPUT_FOLDER" : L"IDC_EDIT_SNAPSHOT_FOLDER")) edit->SetText(chosen);
    folder = chosen;
    CreateFolderTree(chosen);
}

// ---- OK and Cancel --------------------------------------------------------

bool COptionDlgUI::TakeOutputFolder()
{
    CControlUI* edit = Find(L"IDC_EDIT_OUTPUT_FOLDER");
    if (!edit) return true;
    std::wstring folder;
    const ETypedFolder taken = TakeTypedFolder(edit->GetText(), m_settings->OutputFolder, folder);
    if (taken == ETypedFolder::Refused) {
        // What the user typed stays in the field, to be put right.
        ShowFolderRefused(GetHWND(), folder);
        return false;
    }
    if (taken == ETypedFolder::Taken) m_settings->OutputFolder = folder;
    // The field shows the folder used from now on.
    edit->SetText(m_settings->OutputFolder);
    return true;
}

bool COptionDlgUI::ApplyChanges()
{
    // A typed folder that cannot take the outputs keeps the dialog open.
    if (!TakeOutputFolder()) return false;
    StorePages();
    m_settings->PrimaryColour = static_cast<int>(m_subtitleColour);
    m_settings->OutLineColor = static_cast<int>(m_outlineColour);
    ReportChanges();
    CMediaHandler* handler = CMediaHandler::GetInstance();
    handler->ApplySettings(handler->GetProfileManager());
    return true;
}

void COptionDlgUI::RestoreSnapshot()
{
    // Only what the dialog writes before OK; everything else may have been
    // changed elsewhere meanwhile and stays.
    m_settings->OutputFolder = m_snapshot.OutputFolder;
    m_settings->SnapshotFolder = m_snapshot.SnapshotFolder;
    m_settings->OpenOutputFolderAfterConvertingFinished = m_snapshot.OpenOutputFolderAfterConvertingFinished;
    m_settings->OnlineFMT = m_snapshot.OnlineFMT;
    m_settings->LangID = m_snapshot.LangID;
    m_settings->UseNVidiaCUDA = m_snapshot.UseNVidiaCUDA;
}

int RunOptionsDialog(CVXMSettings* settings, HWND owner, COptionDlgUI::CHooks hooks)
{
    if (!settings) return 1;
    COptionDlgUI dialog(settings, std::move(hooks));
    if (!dialog.Create(owner, L"VXMOptionDlg", WS_POPUP | WS_VISIBLE, 0)) return 1;
    dialog.CenterWindow();
    return static_cast<int>(dialog.ShowModal());
}
