// Rows built from one template share their skin's names and pictures: one
// copy each, however many rows; a row's own texts stay its own and go with it.
#include "ui_test_support.h"
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace {
const wchar_t* kRow = LR"(<HorizontalLayout name="ID_ROW">
  <Label name="ID_LABEL_NAME" tooltip="Nom du fichier" />
  <Button name="ID_BUTTON_REMOVE" normalimage="file='icon:edit-delete' dest='4,4,20,20'" hotimage="file='list\hot.png'" />
  <Control name="ID_THUMBNAIL" bkimage="list\empty.png" />
</HorizontalLayout>)";
}  // namespace

TEST(UISharedText, RowsOfOneTemplateShareTheSkinsTextsAndKeepTheirOwn)
{
    const size_t before = CSharedText::DistinctCount();
    CDialogBuilder builder;
    std::unique_ptr<CControlUI> first(builder.Create(kRow));
    ASSERT_NE(first, nullptr);
    std::vector<std::unique_ptr<CControlUI>> rows;
    for (int i = 0; i < 100; ++i) rows.emplace_back(builder.Create());
    const size_t withRows = CSharedText::DistinctCount();
    // Names, tooltip and pictures once, not once per row.
    EXPECT_LE(withRows - before, 8u);

    auto* container = static_cast<CContainerUI*>(first->GetInterface(L"Container"));
    auto* other = static_cast<CContainerUI*>(rows.back()->GetInterface(L"Container"));
    auto* button = static_cast<CButtonUI*>(container->GetItemAt(1)->GetInterface(L"Button"));
    auto* otherButton = static_cast<CButtonUI*>(other->GetItemAt(1)->GetInterface(L"Button"));
    EXPECT_EQ(button->GetName(), L"ID_BUTTON_REMOVE");
    EXPECT_EQ(&button->GetName(), &otherButton->GetName());
    EXPECT_EQ(button->GetNormalImage(), L"file='icon:edit-delete' dest='4,4,20,20'");
    EXPECT_EQ(&button->GetNormalImage(), &otherButton->GetNormalImage());
    EXPECT_EQ(container->GetItemAt(0)->GetToolTip(), L"Nom du fichier");

    // A picture of the row's own (its thumbnail) belongs to that row alone.
    CControlUI* thumbnail = container->GetItemAt(2);
    thumbnail->SetBkImage(L"/tmp/東京の夜 2.png");
    EXPECT_EQ(thumbnail->GetBkImage(), L"/tmp/東京の夜 2.png");
    EXPECT_EQ(other->GetItemAt(2)->GetBkImage(), L"list\\empty.png");
    EXPECT_EQ(CSharedText::DistinctCount(), withRows + 1);

    // Rows freed on other threads (as Remove All does) while rows are built:
    // every text goes when its last holder does.
    std::vector<std::thread> disposers;
    for (int part = 0; part < 4; ++part)
        disposers.emplace_back([&rows, part] {
            for (size_t i = part; i < rows.size(); i += 4) rows[i].reset();
        });
    for (int i = 0; i < 50; ++i) std::unique_ptr<CControlUI>(builder.Create());
    for (auto& t : disposers) t.join();
    // The first row's own picture stays; the template's picture, held by the
    // freed rows only, is gone.
    EXPECT_EQ(CSharedText::DistinctCount(), withRows);
    EXPECT_EQ(button->GetNormalImage(), L"file='icon:edit-delete' dest='4,4,20,20'");
    first.reset();
    EXPECT_EQ(CSharedText::DistinctCount(), before);
}
