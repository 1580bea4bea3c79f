#include "ProfileWndUI.h"

#include "IProfile.h"
#include "Log.h"
#include "MediaHandler.h"
#include "VXMGlobal.h"
#include "VXMSettings.h"
#include "ui/UILanguage.h"

namespace {

const char* const kCategory = "CProfileWndUI";

std::wstring Translate(const std::wstring& key)
{
    return CLanguageManager::GetInstance()->TranslateDictionary(key);
}

// The three cells of a category icon strip: selected on top, then hot, then normal.
std::wstring CategoryImage(const std::wstring& icon, const wchar_t* source)
{
    return L"file='profile_wnd/" + icon + L"' source='" + source + L"'";
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CProfileWndUI, WindowImplBase)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, CProfileWndUI::OnClick)
DUI_ON_MSGTYPE(DUI_MSGTYPE_WINDOWINIT, CProfileWndUI::OnWindowInit)
DUI_END_MESSAGE_MAP()

CProfileWndUI::CProfileWndUI(int categoryIndex, int groupId, int profileId, bool burnMode)
    : WindowImplBase(L"VXMProfileWnd", L"profile_wnd.xml"),
      m_burnMode(burnMode),
      m_initialCategory(categoryIndex), m_initialGroup(groupId), m_currentProfileId(profileId)
{
}

CProfileWndUI::~CProfileWndUI() = default;

HWND CProfileWndUI::Create(HWND parent, const std::wstring& name, DWORD style, DWORD exStyle, int x, int y, int cx, int cy)
{
    m_parent = parent;
    return CWindowWnd::Create(parent, name, style, exStyle, x, y, cx, cy);
}

HWND CProfileWndUI::Create(HWND parent, const std::wstring& name, DWORD style, DWORD exStyle, const RECT& rc)
{
    return Create(parent, name, style, exStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

IProfileManager* CProfileWndUI::ProfileManager() const
{
    if (m_manager) return m_manager;
    return CMediaHandler::GetInstance()->GetProfileManager();
}

void CProfileWndUI::FindControls()
{
    m_categoryList = static_cast<CListUI*>(m_PaintManager.FindControl(L"ID_LIST_CATEGORY"));
    m_profileList = static_cast<CListUI*>(m_PaintManager.FindControl(L"ID_LIST_PROFILE"));
    if (m_categoryList && !m_categoryList->GetInterface(L"List")) m_categoryList = nullptr;
    if (m_profileList && !m_profileList->GetInterface(L"List")) m_profileList = nullptr;
    CControlUI* option = m_PaintManager.FindControl(L"ID_BTN_PROFILE_APPLY_TO_ALL");
    m_applyToAll = option ? static_cast<COptionUI*>(option->GetInterface(L"Option")) : nullptr;
}

void CProfileWndUI::InitWindow()
{
    const std::wstring skinDir = CVXMSettings::GetInstance()->SkinDir;
    m_PaintManager.AddDefaultAttributeList(L"ImageFolder", JoinPath(JoinPath(GetProgramFolder(), L"skin"), skinDir));
    m_PaintManager.UpdateUI();
    CLanguageManager::GetInstance()->Translate(this);

    FindControls();
    if (m_categoryList && m_categoryList->GetParent()) m_categoryList->GetParent()->SetVisible(!m_burnMode);
    if (m_applyToAll) m_applyToAll->Selected(false, false);
    if (CControlUI* layout = m_PaintManager.FindControl(L"ID_LAYOUT_PROFILE_APPLY_TO_ALL")) layout->SetVisible(!m_burnMode);
    if (!m_categoryList || !m_profileList) LogError(kCategory, "profile_wnd.xml lacks ID_LIST_CATEGORY or ID_LIST_PROFILE");

    FillCategories(m_initialCategory, m_currentProfileId);
}

void CProfileWndUI::OnFinalMessage(HWND hwnd)
{
    WindowImplBase::OnFinalMessage(hwnd);
    // The owner keeps this object and may create the window again; the old
    // control tree goes with the next skin build.
    m_currentCategoryRow = nullptr;
    m_currentGroupRow = nullptr;
    m_currentProfileRow = nullptr;
}

void CProfileWndUI::Notify(TNotifyUI& msg)
{
    auto row = [&msg](const wchar_t* face) { return msg.pSender ? msg.pSender->GetInterface(face) : nullptr; };
    if (msg.sType == kNotifyCategoryChanged) {
        SelectCategory(static_cast<CProfileCategoryItemUI*>(row(L"ProfileCategoryItem")));
    } else if (msg.sType == kNotifyGroupExpand) {
        ExpandGroup(static_cast<CProfileGroupItemUI*>(row(L"ProfileGroupItem")), static_cast<int>(msg.wParam),
                    msg.lParam != 0);
    } else if (msg.sType == kNotifyProfileChanged) {
        SelectProfile(static_cast<CProfileItemUI*>(row(L"ProfileItem")));
    }
    WindowImplBase::Notify(msg);
}

void CProfileWndUI::OnClick(TNotifyUI& msg)
{
    const std::wstring name = msg.pSender ? msg.pSender->GetName() : std::wstring();
    if (name == L"ID_BUTTON_ALL_EXPAND") ExpandAll(true);
    else if (name == L"ID_BUTTON_ALL_COLLAPSE") ExpandAll(false);
}

LRESULT CProfileWndUI::ResponseDefaultKeyEvent(WPARAM wParam)
{
    if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
        Hide();
        return TRUE;
    }
    return FALSE;
}

LRESULT CProfileWndUI::OnKillFocus(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    Hide();
    bHandled = TRUE;
    return 0;
}

void CProfileWndUI::Hide()
{
    ShowWindow(false, false);
}

CControlUI* CProfileWndUI::CreateControl(const std::wstring& className)
{
    if (className == L"ProfileCategoryItem") return new CProfileCategoryItemUI(&m_PaintManager);
    if (className == L"ProfileGroupItem") return new CProfileGroupItemUI(&m_PaintManager);
    if (className == L"ProfileItem") return new CProfileItemUI(&m_PaintManager);
    return nullptr;
}

void CProfileWndUI::ClearLists()
{
    if (m_categoryList) m_categoryList->RemoveAll();
    if (m_profileList) m_profileList->RemoveAll();
    m_currentCategoryRow = nullptr;
    m_currentGroupRow = nullptr;
    m_currentProfileRow = nullptr;
}

void CProfileWndUI::Reload()
{
    m_PaintManager.UpdateUI();
    FillCategories(m_initialCategory, m_currentProfileId);
}

void CProfileWndUI::FillCategories(int categoryIndex, int profileId)
{
    ClearLists();
    IProfileManager* manager = ProfileManager();
    if (!manager || !m_categoryList) return;

    const int count = manager->GetCategoryCount();
    for (int i = 0; i < count; ++i) {
        if ((i != kBurnCategoryIndex) == m_burnMode) continue;
        IProfileCategory* category = manager->GetCategory(i);
        if (!category) continue;
        CProfileCategoryItemUI* row = AddCategoryRow(category, i);
        if (row && i == categoryIndex) m_currentCategoryRow = row;
    }
    if (!m_currentCategoryRow) return;
    if (COptionUI* option = m_currentCategoryRow->GetCategoryButton()) option->Selected(true, false);
    FillProfiles(m_currentCategoryRow, profileId);
}

void CProfileWndUI::FillProfiles(CProfileCategoryItemUI* row, int profileId)
{
    FillProfileRows(row, profileId, true);
}

void CProfileWndUI::FillProfileRows(CProfileCategoryItemUI* row, int profileId, bool firstWhenNone)
{
    if (!m_profileList) return;
    m_profileList->RemoveAll();
    m_currentGroupRow = nullptr;
    m_currentProfileRow = nullptr;
    IProfileCategory* category = row ? row->GetCategory() : nullptr;
    if (!category) return;

    CProfileGroupItemUI* currentGroup = nullptr;
    CProfileItemUI* current = nullptr;
    const int groups = category->GetGroupCount();
    for (int i = 0; i < groups; ++i) {
        IProfileGroup* group = category->GetGroup(static_cast<unsigned>(i));
        if (!group) continue;
        CProfileGroupItemUI* groupRow = AddGroupRow(group);
        const int profiles = group->GetProfileCount();
        for (int j = 0; j < profiles; ++j) {
            IProfile* profile = group->GetProfile(static_cast<unsigned>(j));
            if (!profile) continue;
            CProfileItemUI* profileRow = AddProfileRow(profile, groupRow);
            if (!profileRow || current) continue;
            const bool match = profileId != -1 ? profile->GetId() == profileId : (firstWhenNone && i == 0 && j == 0);
            if (match) {
                current = profileRow;
                currentGroup = groupRow;
            }
        }
    }
    MakeCurrent(currentGroup, current);
}

void CProfileWndUI::MakeCurrent(CProfileGroupItemUI* groupRow, CProfileItemUI* profileRow)
{
    m_currentGroupRow = profileRow ? groupRow : nullptr;
    m_currentProfileRow = profileRow;
    if (profileRow && m_profileList) m_profileList->SelectItem(m_profileList->GetItemIndex(profileRow));
}

void CProfileWndUI::SelectCategory(CProfileCategoryItemUI* row)
{
    if (!row || row == m_currentCategoryRow) return;
    FillProfiles(row, -1);
    m_currentCategoryRow = row;
    PostCurrentChoice();
}

void CProfileWndUI::SelectProfile(CProfileItemUI* row)
{
    if (!row) return;
    if (row == m_currentProfileRow) {
        Hide();
        return;
    }
    m_currentGroupRow = row->GetGroupItem();
    m_currentProfileRow = row;
    Hide();
    PostCurrentChoice();
}

bool CProfileWndUI::TakeCurrentChoice(SProfileSelection& choice)
{
    if (!CurrentSelection(choice)) return false;
    RememberChoice(choice);
    return true;
}

void CProfileWndUI::PostCurrentChoice()
{
    SProfileSelection choice;
    if (!TakeCurrentChoice(choice) || !m_parent) return;
    ::PostMessage(m_parent, WM_VXM_PROFILE_SELECTED, MakeProfileSelectionWParam(choice.profileId),
                  MakeProfileSelectionLParam(choice.categoryId, choice.groupId));
}

bool CProfileWndUI::CurrentSelection(SProfileSelection& out) const
{
    IProfileCategory* category = m_currentCategoryRow ? m_currentCategoryRow->GetCategory() : nullptr;
    IProfileGroup* group = m_currentGroupRow ? m_currentGroupRow->GetGroup() : nullptr;
    IProfile* profile = m_currentProfileRow ? m_currentProfileRow->GetProfile() : nullptr;
    if (!category || !group || !profile) return false;
    out.profileId = profile->GetId();
    out.groupId = group->GetId();
    out.categoryId = category->GetId();
    return true;
}

void CProfileWndUI::RememberChoice(const SProfileSelection& choice)
{
    m_currentProfileId = choice.profileId;
    if (m_currentCategoryRow) m_initialCategory = m_currentCategoryRow->GetCategoryIndex();
}

void CProfileWndUI::ExpandGroup(CProfileGroupItemUI* row, int index, bool expand)
{
    if (!row || !m_profileList) return;
    row->Expand(expand);
    const int count = m_profileList->GetCount();
    for (int k = index + 1; k < count; ++k) {
        CControlUI* item = m_profileList->GetItemAt(k);
        auto* profileRow = item ? static_cast<CProfileItemUI*>(item->GetInterface(L"ProfileItem")) : nullptr;
        if (profileRow && profileRow->GetGroupItem() == row) profileRow->SetVisible(expand);
    }
}

void CProfileWndUI::ExpandAll(bool expand)
{
    if (!m_profileList) return;
    const int count = m_profileList->GetCount();
    for (int k = 0; k < count; ++k) {
        CControlUI* item = m_profileList->GetItemAt(k);
        auto* groupRow = item ? static_cast<CProfileGroupItemUI*>(item->GetInterface(L"ProfileGroupItem")) : nullptr;
        if (groupRow) ExpandGroup(groupRow, k, expand);
    }
}

CControlUI* CProfileWndUI::BuildRow(CDialogBuilder& builder, bool& parsed, const wchar_t* file)
{
    CControlUI* control = parsed ? builder.Create(this, &m_PaintManager)
                                 : builder.Create(file, std::wstring(), this, &m_PaintManager);
    if (control) parsed = true;
    else LogErrorW(kCategory, L"row template %ls not built", file);
    return control;
}

void* CProfileWndUI::AddListRow(CListUI* list, CDialogBuilder& builder, bool& parsed, const wchar_t* file,
                              const wchar_t* rowInterface)
{
    CControlUI* control = BuildRow(builder, parsed, file);
    void* row = control ? control->GetInterface(rowInterface) : nullptr;
    if (!row || !list->Add(control)) {
        delete control;
        return nullptr;
    }
    return row;
}

CProfileCategoryItemUI* CProfileWndUI::AddCategoryRow(IProfileCategory* category, int index)
{
    auto* row = static_cast<CProfileCategoryItemUI*>(AddListRow(m_categoryList, m_categoryBuilder, m_categoryParsed, L"profile_category_item.xml", L"ProfileCategoryItem"));
    if (!row) return nullptr;
    row->SetCategory(category);
    row->SetCategoryIndex(index);
    if (COptionUI* option = row->GetCategoryButton()) {
        const std::wstring icon = category->GetIcon();
        option->SetToolTip(Translate(category->GetDesc()));
        // A skin without the icon strip names the category instead.
        if (m_PaintManager.GetImage(L"profile_wnd/" + icon)) {
            option->SetAttribute(L"normalimage", CategoryImage(icon, L"0,68,35,102"));
            option->SetAttribute(L"hotimage", CategoryImage(icon, L"0,34,35,68"));
            option->SetAttribute(L"selectedimage", CategoryImage(icon, L"0,0,35,34"));
        } else {
            option->SetText(Translate(category->GetDesc()));
        }
    }
    return row;
}

CProfileGroupItemUI* CProfileWndUI::AddGroupRow(IProfileGroup* group)
{
    auto* row = static_cast<CProfileGroupItemUI*>(AddListRow(m_profileList, m_groupBuilder, m_groupParsed, L"profile_group_item.xml", L"ProfileGroupItem"));
    if (!row) return nullptr;
    row->SetGroup(group);
    if (CLabelUI* label = row->GetNameLabel()) label->SetText(Translate(group->GetDesc()));
    if (CControlUI* icon = row->GetIconControl()) icon->SetBkImage(L"profile_wnd/icons/" + group->GetIcon());
    return row;
}

CProfileItemUI* CProfileWndUI::AddProfileRow(IProfile* profile, CProfileGroupItemUI* groupRow)
{
    auto* row = static_cast<CProfileItemUI*>(AddListRow(m_profileList, m_profileBuilder, m_profileParsed, L"profile_item.xml", L"ProfileItem"));
    if (!row) return nullptr;
    row->SetProfile(profile);
    row->SetGroupItem(groupRow);
    if (CLabelUI* label = row->GetLabel()) label->SetText(Translate(profile->GetDesc()));
    return row;
}
