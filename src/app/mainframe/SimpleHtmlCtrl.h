// The simple HTML control: release notes in a read-only rich-text edit. The
// HTML becomes RTF (SimpleHtml.h); our own reader of exactly the RTF control
// words the converter writes fills the edit's document; links keep their
// character ranges, so a click can be resolved to an address.
#pragma once
#include "RtfDocument.h"
#include "SimpleHtml.h"
#include "ui/UIEdit.h"

#include <QPointer>

#include <functional>
#include <string>
#include <vector>

class QObject;

class CSimpleHtmlCtrl : public CRichEditUI {
public:
    std::wstring GetClass() const override { return L"SimpleHtmlUI"; }
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;

    // Read-only, window background, wrapped to the control's width.
    void InitControl();
    // False when the HTML cannot be converted: the control keeps what it showed.
    bool SetHtml(const std::wstring& html);
    // The address of the first link whose range covers [start, end].
    bool FindLink(int start, int end, std::wstring& address) const;
    const std::vector<CHtmlLink>& GetLinks() const { return m_conversion.links; }
    const std::wstring& GetRtf() const { return m_conversion.rtf; }
    // A left click on a link: pressed and released on the same link, told
    // once, on the release.
    std::function<void(const std::wstring& address)> OnLinkClicked;
    // The shown character under a point of the edit's view; -1 for none
    // (past the end of a line, between lines, outside the text).
    int CharacterAt(int x, int y) const;

private:
    void ShowConversion();
    void WatchLinkClicks();

    CHtmlConversion m_conversion;
    bool m_converted = false;
    QPointer<QObject> m_clickWatcher;
};
