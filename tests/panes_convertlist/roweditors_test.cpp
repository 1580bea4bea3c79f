// The editors a row opens: the editor library's trim and effect dialogs and
// the tag editor hook.
#include "list_fixture.h"

namespace {

class RowEditors : public ConvertList {};

TEST_F(RowEditors, TrimOfAChildRowOpensOnItsParent)
{
    CFakeMedia* parent = NewMedia(L"album");
    AddRow(parent);
    CFakeMedia* track = NewMedia(L"track 1");
    static_cast<CChildListItemUI*>(AddRow(track, EMediaRowKind::Child))->SetParentMedia(parent);
    list->SelectItem(1);
    TNotifyUI msg;
    msg.sType = L"item_clip";
    msg.pSender = list;
    EXPECT_TRUE(list->HandleNotify(msg));
    // The editor stops the preview of the media it edits first.
    EXPECT_EQ(parent->calls, (std::vector<std::wstring>{L"stoppreview"}));
    EXPECT_TRUE(track->calls.empty());
    msg.sType = L"item_effect";
    EXPECT_TRUE(list->HandleNotify(msg));
    EXPECT_EQ(track->calls, (std::vector<std::wstring>{L"stoppreview"}));
}

TEST_F(RowEditors, BurnListLeavesTheEditorsToTheConversionList)
{
    CMediaListUI* burn = new CMediaListUI(true);
    CPaintManagerUI burnManager;
    burnManager.AttachDialog(burn);
    CFakeMedia* m = NewMedia(L"a");
    burn->AddMedia(m, EMediaRowKind::File, false);
    burn->SelectItem(0);
    TNotifyUI msg;
    msg.sType = L"item_clip";
    msg.pSender = burn;
    EXPECT_FALSE(burn->HandleNotify(msg));
    EXPECT_TRUE(m->calls.empty());
}

TEST_F(RowEditors, ProtectedMediaOpensNoEditor)
{
    CFakeMedia* m = NewMedia(L"a");
    m->protectedMedia = 1;
    CMediaListItemUI* row = AddRow(m);
    row->ShowClipDialog();
    row->ShowEffectDialog();
    EXPECT_TRUE(m->calls.empty());
}

TEST_F(RowEditors, AcceptedTagEditorPutsTheChosenCoverOnTheRowAndMedia)
{
    CFakeMedia* m = NewMedia(L"song");
    CMediaListItemUI* row = AddRow(m);
    int shown = 0;
    CMediaListItemUI::SetTagEditor([&](CMediaListItemUI* r) {
        ++shown;
        r->SetShownImage(L"/covers/front.jpg");
        return shown == 1 ? 1 : 0;  // cancelled first, accepted then
    });
    row->ShowTagEditor();
    EXPECT_EQ(m->thumbPath, L"");
    row->ShowTagEditor();
    EXPECT_EQ(m->thumbPath, L"/covers/front.jpg");
    EXPECT_EQ(Sub(row, L"ID_LAYOUT_THUMBNAIL_V")->GetBkImage(), L"/covers/front.jpg");
    CMediaListItemUI::SetTagEditor(nullptr);
    row->ShowTagEditor();  // without an editor: nothing
    EXPECT_EQ(shown, 2);
}

}  // namespace
