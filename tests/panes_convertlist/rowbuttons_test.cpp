// The row's clone, remove and output-format buttons speak through
// notifications; the list acts on those it owns.
#include "list_fixture.h"

namespace {

class CSeen : public INotifyUI {
public:
    explicit CSeen(CMediaListUI* list) : m_list(list) {}
    void Notify(TNotifyUI& msg) override
    {
        if (msg.sType == L"item_clone" || msg.sType == L"item_remove" || msg.sType == L"show_item_profilewnd")
            seen.push_back({msg.sType, msg.pSender, msg.wParam});
        m_list->HandleNotify(msg);
    }
    struct Seen {
        std::wstring type;
        CControlUI* sender;
        WPARAM wParam;
    };
    std::vector<Seen> seen;

private:
    CMediaListUI* m_list;
};

void Press(CControlUI* button)
{
    TEventUI e;
    e.Type = UIEVENT_BUTTONUP;
    e.pSender = button;
    button->Event(e);
}

TEST_F(ConvertList, CloneRemoveAndFormatButtonsSpeakForTheirRow)
{
    CSeen seen(list);
    manager.AddNotifier(&seen);
    CFakeMedia* a = NewMedia(L"a");
    CMediaListItemUI* row = AddRow(a);
    CControlUI* format = Sub(row, L"ID_BUTTON_ITEM_OUTPUT_FORMAT");
    Press(format);
    Press(Sub(row, L"ID_BUTTON_ITEM_CLONE"));
    ASSERT_EQ(seen.seen.size(), 2u);
    EXPECT_EQ(seen.seen[0].type, L"show_item_profilewnd");
    EXPECT_EQ(seen.seen[0].wParam, reinterpret_cast<WPARAM>(format));
    EXPECT_EQ(seen.seen[1].type, L"item_clone");
    EXPECT_EQ(seen.seen[1].sender, row);
    EXPECT_EQ(list->GetCount(), 1);  // cloning is the pane's
    Press(Sub(row, L"ID_BUTTON_ITEM_REMOVE"));
    manager.RemoveNotifier(&seen);
    EXPECT_EQ(list->GetCount(), 0);
    Pump();
    EXPECT_EQ(released, (std::vector<CFakeMedia*>{a}));
}

}  // namespace

namespace {

TEST_F(ConvertList, FocusOpensTheNameEditAndReturnAppliesIt)
{
    CFakeMedia* m = NewMedia(L"holiday");
    CMediaListItemUI* row = AddRow(m);
    CControlUI* box = Sub(row, L"ID_CONTAINER_ITEM_EDIT_NAME");
    CControlUI* edit = Sub(row, L"ID_EDIT_ITEM_CHANGE_FILENAME");
    box->SetVisible(false);
    TEventUI focus;
    focus.Type = UIEVENT_SETFOCUS;
    focus.pSender = edit;
    edit->Event(focus);
    EXPECT_TRUE(box->IsVisible());
    EXPECT_EQ(edit->GetText(), L"holiday");
    edit->SetText(L"trip: day 1");
    TNotifyUI msg;
    msg.sType = L"return";
    msg.pSender = edit;
    EXPECT_TRUE(list->HandleNotify(msg));
    EXPECT_FALSE(box->IsVisible());
    EXPECT_TRUE(Sub(row, L"ID_BUTTON_ITEM_REMOVE")->IsVisible());
    // The colon cannot stand in a file name.
    EXPECT_EQ(m->outputName, L"trip_ day 1");
}

}  // namespace
