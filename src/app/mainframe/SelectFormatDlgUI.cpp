#include "SelectFormatDlgUI.h"

#include "platform/text.h"
#include "ui/UIButton.h"
#include "ui/UIContainer.h"
#include "ui/UILabel.h"
#include "ui/UILanguage.h"
#include "ui/UIList.h"

namespace {

const wchar_t* const kRowAttributes = L"height=\"25\" bordersize=\"0\" bordercolor=\"#33999999\" rectangular=\"true\"";
// A radio button of the "format" group (drawn by the option itself).
const wchar_t* const kOptionAttributes = L"width=\"17\" group=\"format\" padding=\"0,4,0,4\"";

COptionUI* RowOption(CControlUI* row)
{
    auto* container = dynamic_cast<CContainerUI*>(row);
    auto* inner = container && container->GetCount() > 0 ? dynamic_cast<CContainerUI*>(container->GetItemAt(0)) : nullptr;
    return inner && inner->GetCount() > 0 ? dynamic_cast<COptionUI*>(inner->GetItemAt(0)) : nullptr;
}

}  // namespace

std::wstring CSelectFormatDlgUI::QualityText(const VXM_FORMAT_RECORD& format)
{
    const std::wstring quality = Utf8ToWide(format.quality), second = Utf8ToWide(format.description);
    if (!quality.empty() && !second.empty()) return quality + L" (" + second + L")";
    return quality.empty() ? second : quality;
}

std::wstring CSelectFormatDlgUI::SizeText(std::uint64_t bytes)
{
    return FormatW(L"%.2f MB", static_cast<double>(bytes) / 1048576.0);
}

CControlUI* CSelectFormatDlgUI::MakeRow(const VXM_FORMAT_RECORD& format)
{
    auto* row = new CListContainerElementUI();
    row->ApplyAttributeList(kRowAttributes);
    auto* inner = new CHorizontalLayoutUI();
    inner->SetAttribute(L"inset", L"10,0,0,0");
    row->Add(inner);
    auto* option = new COptionUI();
    option->SetName(L"ID_OPTION_FORMAT");
    option->ApplyAttributeList(kOptionAttributes);
    inner->Add(option);
    auto addLabel = [inner](const wchar_t* name, const std::wstring& text, const wchar_t* attributes) {
        auto* label = new CLabelUI();
        label->SetName(name);
        label->SetText(text);
        label->ApplyAttributeList(attributes);
        inner->Add(label);
        return label;
    };
    addLabel(L"ID_LABEL_MEDIA_TYPE", format.mediaType, L"width=\"140\" mouse=\"false\" padding=\"10,0,0,0\" endellipsis=\"true\"");
    addLabel(L"ID_LABEL_MEDIA_QUALITY", QualityText(format), L"width=\"150\" mouse=\"false\" padding=\"10,0,0,0\" endellipsis=\"true\"");
    inner->Add(new CControlUI());
    CLabelUI* size = addLabel(L"ID_LABEL_MEDIA_SIZE", SizeText(format.size),
                              L"width=\"80\" textcolor=\"#FFBE2805\" mouse=\"false\" align=\"right\"");
    size->SetAttribute(L"align", L"vcenter");
    return row;
}

void CSelectFormatDlgUI::InitWindow()
{
    CLanguageManager::GetInstance()->Translate(this);
    if (CControlUI* label = m_PaintManager.FindControl(L"IDC_LABEL_SELECT_FORMAT"))
        label->SetText(label->GetText() + L" - " + m_request.title);
    m_list = dynamic_cast<CListUI*>(m_PaintManager.FindControl(L"IDC_LIST_FORMATS"));
    if (!m_list) return;
    for (const VXM_FORMAT_RECORD& format : m_request.formats) m_list->Add(MakeRow(format));
    if (m_list->GetCount() > 0) {
        m_list->SelectItem(0);
        if (COptionUI* option = RowOption(m_list->GetItemAt(0))) option->Selected(true, false);
    }
}

void CSelectFormatDlgUI::TakeChoice()
{
    for (int i = 0; m_list && i < m_list->GetCount(); ++i) {
        COptionUI* option = RowOption(m_list->GetItemAt(i));
        if (option && option->IsSelected()) {
            m_request.chosen = i;
            return;
        }
    }
}

void CSelectFormatDlgUI::OnClick(TNotifyUI& msg)
{
    if (!msg.pSender) return;
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"ID_BUTTON_OK") {
        TakeChoice();
        Close(0);
    } else if (name == L"ID_BUTTON_CANCEL" || name == L"IDC_BUTTON_CLOSE_WINDOW") {
        Close(1);
    }
}

int RunSelectFormatDialog(HWND owner, VXM_FORMAT_REQUEST& request)
{
    if (request.formats.empty()) return 1;
    CSelectFormatDlgUI dialog(request);
    if (!dialog.Create(owner, L"VXMSelectFormatDlg", WS_POPUP | WS_VISIBLE, 0)) return 1;
    dialog.CenterWindow();
    return dialog.ShowModal() == 0 ? 0 : 1;
}
