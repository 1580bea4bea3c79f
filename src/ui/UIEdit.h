// Text entry: the single-line edit (a QLineEdit laid over the control while
// it has the focus) and the multi-line rich edit (a QTextEdit that stays over
// the control). Both keep their text in the control, so they also work in a
// manager without a window.
#pragma once
#include "ui/UILabel.h"
#include <QPointer>

class QLineEdit;
class QTextEdit;



// Notifications: "textchanged" on every edit by the user, "return" on the
// Return key (the text is the control's text), "killfocus" when the
// editing ends.
class CEditUI : public CLabelUI {
public:
    CEditUI();
    ~CEditUI() override;
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    UINT GetControlFlags() const override;

    void SetText(const std::wstring& text) override;
    bool IsReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    void SetPasswordMode(bool password);
    void SetNumberOnly(bool numberOnly);
    void SetMaxChar(int maxChar);
    // The Qt editor while the control is being edited (null otherwise).
    QLineEdit* GetEditor() const;

    void SetPos(RECT rc, bool needInvalidate = true) override;
    void SetEnabled(bool enabled = true) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintText(QPainter& painter) override;

private:
    void OpenEditor();
    void CloseEditor();
    // Takes a text typed by the user (editor or control keys).
    void UserEdited(const std::wstring& text);
    void SendReturn();
    bool Accepts(wchar_t ch) const;

    QPointer<QLineEdit> m_editor;
    bool m_readOnly = false;
    bool m_password = false;
    bool m_numberOnly = false;
    int m_maxChar = 255;
};

// A read-mostly text log: AppendText, Clear.
class CRichEditUI : public CControlUI {
public:
    CRichEditUI();
    ~CRichEditUI() override;
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    std::wstring GetText() const override { return m_text; }
    void SetText(const std::wstring& text) override;
    void AppendText(const std::wstring& text);
    void Clear() { SetText(std::wstring()); }
    bool IsReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    QTextEdit* GetEditor() const;

    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void DoPaint(QPainter& painter, const RECT& rcPaint) override;

private:
    void SyncEditor();

    QPointer<QTextEdit> m_editor;
    bool m_readOnly = true;
    int m_font = -1;
    DWORD m_textColor = 0;
};
