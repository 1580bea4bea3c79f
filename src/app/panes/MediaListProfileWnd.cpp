// The profile chooser of one list row: the list keeps the one chooser and
// shows it under the row's output-format button.
#include "MediaListUI.h"

#include "VXMSettings.h"
#include "ui/desktop/Desktop.h"

#if __has_include("ProfileWndMediaItem.h")
#include "ProfileWndMediaItem.h"
#define VXM_HAVE_ROW_PROFILE_CHOOSER 1
#endif

#include <QWidget>

#include <algorithm>

namespace {
constexpr int kChooserWidth = 300;
constexpr int kChooserHeight = 500;
constexpr int kBurnCategory = 13;
}  // namespace

RECT CMediaListUI::PlaceItemProfileWnd(const RECT& button, int screenWidth, int screenHeight, double zoom)
{
    if (zoom <= 0) zoom = 1.0;
    const int width = static_cast<int>(kChooserWidth * zoom);
    const int height = static_cast<int>(kChooserHeight * zoom);
    int x = button.left;
    int y = button.bottom;
    if (screenWidth < x + width) x -= width;
    if (screenHeight < button.top + height) y = button.top - height;
    return RECT{x, y, x + width, y + height};
}

void CMediaListUI::OnShowItemProfileWnd(CMediaListItemUI* row, CControlUI* button)
{
    if (!row || !button) return;
    const CVXMSettings* settings = CVXMSettings::GetInstance();
    int category = row->GetCategoryId();
    if (category == -1) category = m_burnList ? kBurnCategory : settings->nProfileCategory;
    int profile = row->GetProfileId();
    if (profile == -1) profile = m_burnList ? settings->nBurnerProfile : settings->nProfile;

    CPaintManagerUI* manager = GetManager();
    HWND window = manager ? manager->GetPaintWindow() : nullptr;
    RECT onScreen = button->GetPos();
    RECT frame{};
    if (window && GetWindowRect(window, &frame)) {
        onScreen.left += frame.left;
        onScreen.right += frame.left;
        onScreen.top += frame.top;
        onScreen.bottom += frame.top;
    }
    int screenWidth = 1 << 20, screenHeight = 1 << 20;
    if (IScreens* screens = Desktop().screens) {
        const std::vector<CScreenInfo> list = screens->List();
        const int at = NearestScreen(list, POINT{onScreen.left, onScreen.bottom});
        if (at >= 0) {
            screenWidth = list[at].area.right;
            screenHeight = list[at].area.bottom;
        }
    }
    const RECT place = PlaceItemProfileWnd(onScreen, screenWidth, screenHeight, CPaintManagerUI::GetZoom());
#ifdef VXM_HAVE_ROW_PROFILE_CHOOSER
    if (!m_profileWnd) m_profileWnd = std::make_unique<CMediaItemProfileWndUI>(m_burnList);
    auto* chooser = static_cast<CMediaItemProfileWndUI*>(m_profileWnd.get());
    chooser->SetInitialCategory(category);
    chooser->SetCurrentProfileId(profile);
    chooser->SetOwner(this);
    chooser->SetTargetRow(row);
    if (!chooser->GetHWND()) {
        if (!window) return;
        chooser->Create(window, L"VXMProfileWnd", WS_POPUP | WS_VISIBLE, 0, place);
    } else {
        chooser->FillCategories(category, profile);
    }
    if (QWidget* widget = chooser->GetWidget()) {
        widget->move(place.left, place.top);
        widget->resize(place.right - place.left, place.bottom - place.top);
    }
    chooser->ShowWindow(true);
#else
    (void)place;
    (void)window;
#endif
}
