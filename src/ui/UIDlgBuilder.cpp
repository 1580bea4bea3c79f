#include "ui/UIDlgBuilder.h"
#include "ui/UIButton.h"
#include "ui/UICombo.h"
#include "ui/UIEdit.h"
#include "ui/UIList.h"
#include "ui/UIScrollBar.h"
#include "ui/UITreeView.h"
#include "ui/UIContainer.h"
#include "ui/UILanguage.h"
#include "ui/UICustomControls.h"
#include "ui/UIManager.h"
#include "ui/UIProgress.h"
#include "ui/UIRender.h"
#include <QDebug>
#include <QString>
#include <map>

namespace {
std::map<std::wstring, CDialogBuilder::ControlFactory>& Factories()
{
    static std::map<std::wstring, CDialogBuilder::ControlFactory> table = {
        {L"Control", [] { return new CControlUI; }},
        {L"Container", []() -> CControlUI* { return new CContainerUI; }},
        {L"VerticalLayout", []() -> CControlUI* { return new CVerticalLayoutUI; }},
        {L"HorizontalLayout", []() -> CControlUI* { return new CHorizontalLayoutUI; }},
        {L"TabLayout", []() -> CControlUI* { return new CTabLayoutUI; }},
        {L"Label", []() -> CControlUI* { return new CLabelUI; }},
        {L"Text", []() -> CControlUI* { return new CTextUI; }},
        {L"Button", []() -> CControlUI* { return new CButtonUI; }},
        {L"Option", []() -> CControlUI* { return new COptionUI; }},
        {L"CheckBox", []() -> CControlUI* { return new CCheckBoxUI; }},
        {L"Progress", []() -> CControlUI* { return new CProgressUI; }},
        {L"Slider", []() -> CControlUI* { return new CSliderUI; }},
        {L"Edit", []() -> CControlUI* { return new CEditUI; }},
        {L"RichEdit", []() -> CControlUI* { return new CRichEditUI; }},
        {L"Combo", []() -> CControlUI* { return new CComboUI; }},
        {L"List", []() -> CControlUI* { return new CListUI; }},
        {L"ListContainerElement", []() -> CControlUI* { return new CListContainerElementUI; }},
        {L"ListLabelElement", []() -> CControlUI* { return new CListLabelElementUI; }},
        {L"ScrollBar", []() -> CControlUI* { return new CScrollBarUI; }},
        {L"TreeView", []() -> CControlUI* { return new CTreeViewUI; }},
        {L"TimeEdit", []() -> CControlUI* { return new CTimeEditUI; }},
        {L"CircularProgress", []() -> CControlUI* { return new CCircularProgressUI; }},
        {L"CCircularProgress", []() -> CControlUI* { return new CCircularProgressUI; }},
        {L"TextProgress", []() -> CControlUI* { return new CTextProgressUI; }},
        {L"SizeProgress", []() -> CControlUI* { return new CSizeProgressUI; }},
        {L"OverlapButton", []() -> CControlUI* { return new COverlapButton; }},
    };
    return table;
}

bool IsWindowPart(const std::wstring& name)
{
    return name == L"Font" || name == L"Default" || name == L"Image" || name == L"Window";
}
}  // namespace

void CDialogBuilder::RegisterControl(const std::wstring& element, ControlFactory factory)
{
    if (factory) Factories()[element] = factory;
}

CControlUI* CDialogBuilder::CreateBuiltinControl(const std::wstring& element)
{
    auto it = Factories().find(element);
    return it == Factories().end() ? nullptr : it->second();
}

CControlUI* CDialogBuilder::Create(const std::wstring& xml, const std::wstring&, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent)
{
    size_t first = xml.find_first_not_of(L" \t\r\n");
    if (first != std::wstring::npos && xml[first] == L'<') {
        if (!m_xml.Load(xml)) {
            qWarning("skin markup not loaded: %s", QString::fromStdWString(m_xml.GetLastErrorMessage()).toUtf8().constData());
            return nullptr;
        }
    } else {
        std::wstring path = xml;
        std::replace(path.begin(), path.end(), L'\\', L'/');
        if (path.empty()) return nullptr;
        if (path[0] != L'/') path = CPaintManagerUI::GetResourcePath() + path;
        if (!m_xml.LoadFromFile(path)) {
            qWarning("skin file not loaded: %s: %s", QString::fromStdWString(path).toUtf8().constData(),
                     QString::fromStdWString(m_xml.GetLastErrorMessage()).toUtf8().constData());
            return nullptr;
        }
    }
    return Create(callback, manager, parent);
}

CControlUI* CDialogBuilder::Create(IDialogBuilderCallback* callback, CPaintManagerUI* manager, CControlUI* parent)
{
    m_callback = callback;
    const CMarkupElement* root = m_xml.GetRoot();
    if (!root) return nullptr;
    if (root->name == L"Window") {
        if (manager) ApplyWindowElement(root, manager);
        return Parse(root, parent, manager);
    }
    // A bare control tree: the root element is the control.
    return ParseOne(root, parent, manager);
}

void CDialogBuilder::ApplyWindowElement(const CMarkupElement* window, CPaintManagerUI* manager)
{
    for (const auto& a : window->attributes) {
        const std::wstring& n = a.first;
        const std::wstring& v = a.second;
        if (n == L"size") {
            SIZE s = ParseSize(v);
            manager->SetInitSize(CPaintManagerUI::Scale(s.cx), CPaintManagerUI::Scale(s.cy));
        } else if (n == L"sizebox") {
            manager->SetSizeBox(CPaintManagerUI::Scale(ParseRect(v)));
        } else if (n == L"caption") {
            manager->SetCaptionRect(CPaintManagerUI::Scale(ParseRect(v)));
            manager->SetFrameless(true);
        } else if (n == L"mininfo") {
            SIZE s = ParseSize(v);
            manager->SetMinInfo(CPaintManagerUI::Scale(s.cx), CPaintManagerUI::Scale(s.cy));
        } else if (n == L"maxinfo") {
            SIZE s = ParseSize(v);
            manager->SetMaxInfo(CPaintManagerUI::Scale(s.cx), CPaintManagerUI::Scale(s.cy));
        } else if (n == L"defaultfontcolor") {
            manager->SetDefaultFontColor(ParseColor(v));
        } else if (n == L"disabledfontcolor") {
            manager->SetDefaultDisabledColor(ParseColor(v));
        }
    }
    int fontIndex = 0;
    for (const auto& child : window->children) {
        if (child->name == L"Font") {
            int id = child->HasAttribute(L"id") ? static_cast<int>(std::wcstol(child->GetAttribute(L"id").c_str(), nullptr, 10)) : fontIndex;
            ++fontIndex;
            int size = static_cast<int>(std::wcstol(child->GetAttribute(L"size", L"12").c_str(), nullptr, 10));
            manager->AddFont(id, child->GetAttribute(L"name"), size, ParseBool(child->GetAttribute(L"bold")),
                             ParseBool(child->GetAttribute(L"underline")), ParseBool(child->GetAttribute(L"italic")),
                             ParseBool(child->GetAttribute(L"default")));
        } else if (child->name == L"Default") {
            std::wstring name = child->GetAttribute(L"name");
            if (!name.empty()) manager->AddDefaultAttributeList(name, child->GetAttribute(L"value"));
        }
    }
}

CControlUI* CDialogBuilder::Parse(const CMarkupElement* node, CControlUI* parent, CPaintManagerUI* manager)
{
    CControlUI* first = nullptr;
    for (const auto& child : node->children) {
        if (IsWindowPart(child->name)) continue;
        CControlUI* control = ParseOne(child.get(), parent, manager);
        if (!first) first = control;
    }
    return first;
}

CControlUI* CDialogBuilder::ParseOne(const CMarkupElement* element, CControlUI* parent, CPaintManagerUI* manager)
{
    const std::wstring& cls = element->name;
    CControlUI* control = CreateBuiltinControl(cls);
    if (!control && m_callback) control = m_callback->CreateControl(cls);
    if (!control) {
        qWarning("skin element <%s> (line %d) names no control", QString::fromStdWString(cls).toUtf8().constData(), element->line);
        return nullptr;
    }
    if (!element->children.empty()) Parse(element, control, manager);
    if (manager) {
        control->SetManager(manager, nullptr, false);
        std::wstring defaults = manager->GetDefaultAttributeList(cls);
        if (!defaults.empty()) control->ApplyAttributeList(defaults);
    }
    for (const auto& a : element->attributes) control->SetAttribute(a.first, a.second);
    // The UI language's texts of a named control, for windows and list rows alike.
    CLanguageManager::GetInstance()->ApplyLocaleTexts(control);
    if (parent) {
        auto* container = static_cast<IContainerUI*>(parent->GetInterface(L"IContainer"));
        if (!container || !container->Add(control)) {
            qWarning("skin element <%s> (line %d) has no container to go into",
                     QString::fromStdWString(cls).toUtf8().constData(), element->line);
            delete control;
            return nullptr;
        }
    }
    return control;
}
