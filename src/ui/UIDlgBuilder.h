// Builds control trees from skin XML: a file (under the resource path) or
// markup text; the parsed markup is kept, so one builder can make the same
// tree again and again (list rows).
#pragma once
#include "ui/UIDefine.h"
#include "ui/UIMarkup.h"
#include <string>

class CControlUI;
class CPaintManagerUI;

class CDialogBuilder {
public:
    using ControlFactory = CControlUI* (*)();

    // `xml` is markup text when it starts with '<', else a file name
    // (absolute, or relative to the resource path). `type` is kept for
    // callers that name a resource type; only files and text exist here.
    CControlUI* Create(const std::wstring& xml, const std::wstring& type = {}, IDialogBuilderCallback* callback = nullptr,
                       CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);
    // Builds again from the markup parsed last time.
    CControlUI* Create(IDialogBuilderCallback* callback = nullptr, CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);

    CMarkup* GetMarkup() { return &m_xml; }
    std::wstring GetLastErrorMessage() const { return m_xml.GetLastErrorMessage(); }

    // Control classes by XML element name; later parts of the framework add theirs.
    static void RegisterControl(const std::wstring& element, ControlFactory factory);
    static CControlUI* CreateBuiltinControl(const std::wstring& element);

private:
    // Builds the control elements under `node` into `parent`; the first one built.
    CControlUI* Parse(const CMarkupElement* node, CControlUI* parent, CPaintManagerUI* manager);
    CControlUI* ParseOne(const CMarkupElement* element, CControlUI* parent, CPaintManagerUI* manager);
    void ApplyWindowElement(const CMarkupElement* window, CPaintManagerUI* manager);

    CMarkup m_xml;
    IDialogBuilderCallback* m_callback = nullptr;
};
