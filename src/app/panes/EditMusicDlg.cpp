#include "EditMusicDlg.h"

#include "Log.h"
#include "MainFrameMessages.h"
#include "MediaListItemUI.h"
#include "MediaListUI.h"
#include "MediaTags.h"
#include "TagCheck.h"
#include "TagWriter.h"
#include "VXMGlobal.h"
#include "VXMSettings.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "ui/desktop/Desktop.h"
#include "platform/paths.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kCategory = "CEditMusicDlg";

// The row's values and the edits that show them, with their labels.
struct CTagField {
    std::wstring VXM_MEDIA_TAGS::*value;
    const wchar_t* edit;
    const wchar_t* label;
};

const CTagField kFields[] = {
    {&VXM_MEDIA_TAGS::artist, L"IDC_EDIT_ARTIST", L"ID_L_ARTIST"},
    {&VXM_MEDIA_TAGS::title, L"IDC_EDIT_TITLE", L"ID_L_TITLE"},
    {&VXM_MEDIA_TAGS::album, L"IDC_EDIT_ALBUM", L"ID_L_ALBUM"},
    {&VXM_MEDIA_TAGS::year, L"IDC_EDIT_YEAR", L"ID_L_YEAR"},
    {&VXM_MEDIA_TAGS::comment, L"IDC_EDIT_COMMENT", L"ID_L_COMMENT"},
    {&VXM_MEDIA_TAGS::genre, L"IDC_EDIT_GENRE", L"ID_L_GENRE"},
    {&VXM_MEDIA_TAGS::track, L"IDC_EDIT_TRACK", L"ID_L_TRACK"},
    {&VXM_MEDIA_TAGS::lyrics, L"IDC_EDIT_LYDRIC", nullptr},
};

// Posted by the tag writer to the dialog's own target.
constexpr UINT kTagsSaved = WM_USER + 1;

// What cannot be pressed while the file is being written.
const wchar_t* const kSaveLockedControls[] = {L"ID_BUTTON_OK", L"ID_BUTTON_CANCEL", L"IDC_BUTTON_CLOSE_WINDOW",
                                              L"ID_BUTTON_RESET", L"IDC_EDIT_IMG"};

const wchar_t* const kTagViewParts[] = {L"ID_LAYOUT_IMAGE_PAD", L"ID_LAYOUT_TITLE", L"ID_LAYOUT_RIGHT"};
const wchar_t* const kListViewParts[] = {L"ID_LAYOUT_LISTTAG", L"ID_LAYOUT_LYDRIC"};

bool IsPictureFile(const std::wstring& path)
{
    std::error_code ec;
    return !path.empty() && path[0] == L'/' && std::filesystem::is_regular_file(PathFromWide(path), ec);
}

}  // namespace

CEditMusicDlg::CEditMusicDlg(CMediaListItemUI* row)
    : WindowImplBase(L"VXMEditMusicDlg", L"dlg_edit_music.xml"), m_row(row), m_media(row ? row->GetMedia() : nullptr) {}

CEditMusicDlg::~CEditMusicDlg() = default;

void CEditMusicDlg::InitWindow()
{
    m_PaintManager.AddDefaultAttributeList(L"ImageFolder", JoinPath(JoinPath(GetProgramFolder(), L"skins"), CVXMSettings::GetInstance()->SkinDir));
    LoadTags();
    m_PaintManager.NeedUpdate();
}

void CEditMusicDlg::LoadTags()
{
    if (!m_row) return;
    const VXM_MEDIA_TAGS& tags = m_row->GetTags();
    for (const CTagField& field : kFields) {
        SetEditText(field.edit, tags.*field.value);
        if (field.label)
            if (CControlUI* label = m_PaintManager.FindControl(field.label)) label->SetText(tags.*field.value);
    }
    ShowCover(m_row->GetShownImage());
    ShowView(0);
    // The name as the row shows it: the output name, else the source's title.
    if (CControlUI* name = m_PaintManager.FindControl(L"ID_MEDIA_OUTPUTNAME"); name && m_media) {
        const std::wstring output = m_media->GetOutputName();
        name->SetText(output.empty() ? m_media->GetSourceTitle() : output);
    }
}

void CEditMusicDlg::ShowView(int view)
{
    if (view == m_view) return;
    m_view = view;
    for (const wchar_t* name : kTagViewParts)
        if (CControlUI* part = m_PaintManager.FindControl(name)) part->SetVisible(view == 1);
    for (const wchar_t* name : kListViewParts)
        if (CControlUI* part = m_PaintManager.FindControl(name)) part->SetVisible(view != 1);
    const wchar_t* shownSwitch = view == 1 ? L"IDC_LABEL_EDIT_MUSIC" : L"IDC_LABEL_EDIT_LYDRIC";
    if (auto* option = dynamic_cast<COptionUI*>(m_PaintManager.FindControl(shownSwitch))) option->Selected(true, false);
}

void CEditMusicDlg::ChooseCover()
{
    IFileChooser* chooser = Desktop().files;
    if (!chooser || !m_row) return;
    CFileRequest request;
    request.owner = GetHWND();
    const std::wstring name = CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_IMAGE_FILES");
    request.filters = ParseFileFilters(name + L"|*.jpg;*.gif;*.png|");
    std::vector<std::wstring> chosen = chooser->OpenFiles(request);
    if (chosen.empty()) return;
    // The cover is the row's at once, whatever the dialog ends with.
    m_row->SetShownImage(chosen.front());
    VXM_MEDIA_TAGS tags = m_row->GetTags();
    tags.cover = chosen.front();
    m_row->SetTags(tags);
    ShowCover(chosen.front());
}

void CEditMusicDlg::Accept()
{
    if (m_saving) return;
    if (!m_row) {
        Close(1);
        return;
    }
    VXM_MEDIA_TAGS tags = m_row->GetTags();
    for (const CTagField& field : kFields) tags.*field.value = EditText(field.edit);
    // Only what the user changed is written: a value the row shows from the
    // probe stays as the file has it.
    const unsigned changed = DifferentFields(tags, m_row->GetTags());
    if (IsPictureFile(m_row->GetShownImage())) tags.cover = m_row->GetShownImage();

    const bool toSource = m_row->GetStatus() != ITEM_STATUS_DONE;
    if (toSource && m_row->IsFromCueSheet()) {
        LogInfoW(kCategory, L"%ls holds a whole cue sheet; the track's tags go into its output only",
                 m_media ? m_media->GetSourcePath().c_str() : L"");
    } else if (toSource && !SourceIsFree()) {
        LogInfoW(kCategory, L"%ls is being converted; its tags go into the output only",
                 m_media ? m_media->GetSourcePath().c_str() : L"");
    } else if (m_media) {
        const std::wstring file = toSource ? m_media->GetSourcePath() : m_media->GetOutputPath();
        if (!StartSave(file, tags, changed)) ShowError(TagsNotWrittenText(file, "the program is closing"));
        return;
    }
    m_row->SetTags(tags);
    Close(0);
}

bool CEditMusicDlg::StartSave(const std::wstring& file, const VXM_MEDIA_TAGS& tags, unsigned changed)
{
    if (!m_saveDone)
        m_saveDone = std::make_unique<CMessageWindow>([this](HWND, UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
            if (msg != kTagsSaved) return 0;
            std::unique_ptr<CTagWriteResult> result(reinterpret_cast<CTagWriteResult*>(lParam));
            if (result) OnSaved(*result);
            return 0;
        });
    // Copying a long file takes seconds: the window keeps serving the user meanwhile.
    if (!WriteMediaTagsLater(file, tags, true, m_saveDone->Get(), kTagsSaved, 0, changed)) return false;
    m_savingFile = file;
    m_savingTags = std::make_unique<VXM_MEDIA_TAGS>(tags);
    ShowSaving(true);
    return true;
}

void CEditMusicDlg::OnSaved(const CTagWriteResult& result)
{
    if (!m_saving) return;
    ShowSaving(false);
    // Nothing changed, in the file or in the row: the user may cancel or try again.
    if (result.result == kTagsFormatUnknown) {
        ShowError(FillIn(CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_TAGS_NO_WRITER"),
                         {m_savingFile}));
        return;
    }
    if (result.result != kTagsWritten) {
        ShowError(TagsNotWrittenText(m_savingFile, result.why, result.whyText));
        return;
    }
    if (m_row && m_savingTags) m_row->SetTags(*m_savingTags);
    Close(0);
}

void CEditMusicDlg::ShowSaving(bool saving)
{
    m_saving = saving;
    for (const wchar_t* name : kSaveLockedControls)
        if (CControlUI* control = m_PaintManager.FindControl(name)) control->SetEnabled(!saving);
    CControlUI* ok = m_PaintManager.FindControl(L"ID_BUTTON_OK");
    if (!ok) return;
    if (saving) {
        m_okText = ok->GetText();
        ok->SetText(CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_SAVING"));
    } else {
        ok->SetText(m_okText);
    }
}

std::wstring TagsNotWrittenText(const std::wstring& file, const std::string& why, const std::string& whyText)
{
    CLanguageManager* lang = CLanguageManager::GetInstance();
    const std::wstring reason = whyText.empty() ? Utf8ToWide(why) : lang->TranslateDictionary(Utf8ToWide(whyText));
    return FillIn(lang->TranslateDictionary(L"ID_STRING_TAGS_NOT_WRITTEN"), {file, reason});
}

void CEditMusicDlg::ShowError(const std::wstring& text)
{
    LogErrorW(kCategory, L"%ls", text.c_str());
    if (IMessageBox* box = Desktop().messageBox)
        box->Show(GetHWND(), text, CLanguageManager::GetInstance()->LoadStringW(103), MB_OK | MB_ICONERROR);
}

bool CEditMusicDlg::SourceIsFree() const
{
    CMediaListUI* list = m_row->GetOwnerList();
    if (!list || !m_media) return true;
    const std::wstring source = m_media->GetSourcePath();
    for (int i = 0; i < list->GetCount(); ++i) {
        CMediaListItemUI* other = list->GetMediaItem(i);
        IVXMMedia* media = other ? other->GetMedia() : nullptr;
        if (media && other->GetStatus() == ITEM_STATUS_CONVERTING && media->GetSourcePath() == source) return false;
    }
    return true;
}

void CEditMusicDlg::Notify(TNotifyUI& msg)
{
    if (msg.sType == DUI_MSGTYPE_WINDOWINIT) return;
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        const std::wstring name = msg.pSender ? msg.pSender->GetName() : std::wstring();
        // While the file is written only the view may change.
        if (m_saving && name != L"IDC_LABEL_EDIT_MUSIC" && name != L"IDC_LABEL_EDIT_LYDRIC") return;
        if (name == L"ID_BUTTON_OK") Accept();
        else if (name == L"ID_BUTTON_CANCEL" || name == L"IDC_BUTTON_CLOSE_WINDOW") Close(1);
        else if (name == L"IDC_LABEL_EDIT_MUSIC") ShowView(1);
        else if (name == L"IDC_LABEL_EDIT_LYDRIC") ShowView(0);
        else if (name == L"IDC_EDIT_IMG") ChooseCover();
        else if (name == L"ID_BUTTON_RESET") LoadTags();
        return;
    }
    WindowImplBase::Notify(msg);
}

LRESULT CEditMusicDlg::HandleCustomMessage(UINT uMsg, WPARAM, LPARAM lParam, BOOL& bHandled)
{
    // Dropped text adds nothing while the editor is open; the copy is the receiver's.
    if (uMsg == WM_VXM_TEXT_DROPPED) {
        delete[] reinterpret_cast<wchar_t*>(lParam);
        bHandled = TRUE;
        return 0;
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CEditMusicDlg::ResponseDefaultKeyEvent(WPARAM wParam)
{
    // Escape does not leave a save half-seen: the dialog closes when it ends.
    // (Ending the program still closes it; the write then finishes on its own.)
    if (wParam == VK_ESCAPE && !m_saving) {
        Close(1);
        return TRUE;
    }
    return FALSE;
}

std::wstring CEditMusicDlg::EditText(const wchar_t* name) const
{
    CControlUI* edit = m_PaintManager.FindControl(name);
    return edit ? edit->GetText() : std::wstring();
}

void CEditMusicDlg::SetEditText(const wchar_t* name, const std::wstring& text)
{
    if (CControlUI* edit = m_PaintManager.FindControl(name)) {
        edit->SetText(std::wstring());
        edit->SetText(text);
    }
}

void CEditMusicDlg::ShowCover(const std::wstring& path)
{
    if (CControlUI* cover = m_PaintManager.FindControl(L"IDC_EDIT_IMG")) cover->SetBkImage(path);
}

int RunEditMusicDialog(CMediaListItemUI* row)
{
    if (!row) return 1;
    CPaintManagerUI* manager = row->GetManager();
    CEditMusicDlg dialog(row);
    if (!dialog.Create(manager ? manager->GetPaintWindow() : nullptr, L"VXMEditMusicDlg", WS_POPUP | WS_VISIBLE, 0))
        return 1;
    dialog.CenterWindow();
    return static_cast<int>(dialog.ShowModal());
}
