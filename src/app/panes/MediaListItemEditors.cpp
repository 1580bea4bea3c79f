// The editors a row opens: the trim and effect dialogs of the editor
// library, and the tag editor hook.
#include "MediaListItemUI.h"

#include "EditMusicDlg.h"
#include "Log.h"
#include "MainFrameMessages.h"
#include "MediaListUI.h"
#include "VXMMediaBase.h"
#include "VXMMediaExports.h"
#include "platform/module.h"
#include "prismel/Prismel.h"
#include "ui/UILanguage.h"

#include <string>

// The editors report to the main window with its own message numbers.
static_assert(PRISMEL_CLIP_CHANGED == WM_VXM_CLIP_CHANGED);
static_assert(PRISMEL_EFFECT_CHANGED == WM_VXM_EFFECT_CHANGED);

namespace {
CMediaListItemUI::TagEditorFn& TagEditor()
{
    static CMediaListItemUI::TagEditorFn editor = RunEditMusicDialog;
    return editor;
}
}  // namespace

void CMediaListItemUI::RunEditor(const char* entry)
{
    if (!m_media || m_media->IsProtected() == 1) return;
    CModule* library = LoadPrismelDll();
    auto show = library ? reinterpret_cast<PrismelShowDlgFn>(library->GetSymbol(entry)) : nullptr;
    if (!show) {
        LogError("CMediaListItemUI", "the clip editor library is missing; %s not shown", entry);
        return;
    }
    if (auto setLanguage = reinterpret_cast<PrismelSetLanguageFn>(library->GetSymbol("SetLanguage")))
        setLanguage(CLanguageManager::GetInstance()->GetLangID().c_str());
    m_media->StopPreview();
    HWND owner = m_manager ? m_manager->GetPaintWindow() : nullptr;
    if (auto* data = dynamic_cast<CVXMMediaBase*>(m_media)) {
        if (std::string(entry) == "ShowDlgClip") data->m_hClipEditorWnd = owner;
        else data->m_hEffectEditorWnd = owner;
    }
    show(m_media);
}

void CMediaListItemUI::ShowClipDialog()
{
    RunEditor("ShowDlgClip");
}

void CMediaListItemUI::ShowEffectDialog()
{
    RunEditor("ShowDlgCrop");
}

void CMediaListItemUI::OnDoubleClick()
{
    if (m_manager)
        m_manager->SendNotify(this, L"item_dbclick", reinterpret_cast<WPARAM>(static_cast<IListOwnerUI*>(m_owner)));
}

void CMediaListItemUI::SetTagEditor(TagEditorFn editor)
{
    TagEditor() = std::move(editor);
}

void CMediaListItemUI::ShowTagEditor()
{
    // Without an editor the button does nothing; nor while the output's tags are written.
    if (!TagEditor() || !m_media || IsSavingTags()) return;
    if (TagEditor()(this) != 0) return;
    m_media->SetThumbnailPath(m_shownImage);
    if (CControlUI* t = Sub(L"ID_LAYOUT_THUMBNAIL_V")) t->SetBkImage(m_shownImage);
}
