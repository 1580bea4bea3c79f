// The main window as a person sizes it and switches its language, under a
// window manager: every caption button at the smallest size the window
// allows; the right column's names whole once the window is maximised; no
// tooltip left over from a button that changed; every page, the media
// manager unfolded, back in English after German. Screenshots go to the build's screenshot folder.
#include "MainPaneUI.h"
#include "MainFrameCommands.h"
#include "MediaListUI.h"
#include "ProfileSettingsPaneUI.h"
#include "PropListItemUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "support/fake_media.h"
#include "support/language_texts.h"
#include "support/main_window_environment.h"
#include "support/skin_check.h"
#include "ui/UILanguage.h"
#include "ui/UIMenu.h"
#include "OpenList.h"
#include "wm_screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>

#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace vxmtest;

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += "\n  " + line;
    return text;
}

// A file whose conversion state the test sets.
class CStateMedia : public CSampleMedia {
public:
    using CSampleMedia::CSampleMedia;
    int GetConvertState() override { return state; }
    int state = 0;
};

class CMainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The main window of the test before ended the loops it ran in.
        ResetUIQuit();
        CVXMSettings::GetInstance()->LangID = L"en";
        window = new CVXMMainFrameWnd(L"");
        ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
                  nullptr);
        window->ShowWindow(true);
        main = window->GetWidget();
        pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
        ASSERT_NE(pane, nullptr);
        for (CStateMedia* m : {&video, &music, &done}) pane->AddMedia(m, -1, 0);
        pane->OnConversionStarted(&video);
        pane->SetProgress(&video, 420);
        done.state = -1;
        if (CMediaListItemUI* row = pane->GetMediaList()->FindItem(&done)) row->UpdateStatus();
        pane->GetMediaList()->SelectItem(0);
        WaitFor("the main window on the screen", [this] { return main->isActiveWindow() && ShownOnScreen(main); });
    }
    void TearDown() override
    {
        CLanguageManager::GetInstance()->SetLang(L"en");
        CVXMSettings::GetInstance()->ShowMM = 0;
        pane->GetMediaList()->RemoveAll();
        window->DestroyWindow();
        PumpPending();
    }

    CControlUI* Find(const wchar_t* name) { return window->GetPaintManager()->FindControl(name); }
    void Save(const std::string& name)
    {
        PumpPending();
        EXPECT_TRUE(main->grab().save(QString::fromStdString(std::string(VXM_SCREENSHOT_DIR) + "/" + name + ".png")));
    }
    // Every page as it is now, one below the other; the convert page last
    // selected.
    void SavePages(const std::string& name)
    {
        std::vector<QImage> pages;
        for (int page : {0, 1, 2}) {
            window->SelectPage(page);
            WaitFor("page " + std::to_string(page) + " on the screen", [&] { return ShownOnScreen(main); });
            pages.push_back(main->grab().toImage());
        }
        window->SelectPage(0);
        QImage all(pages[0].width(), pages[0].height() * 3, QImage::Format_RGB32);
        QPainter painter(&all);
        for (int i = 0; i < 3; ++i) painter.drawImage(0, i * pages[0].height(), pages[i]);
        painter.end();
        EXPECT_TRUE(all.save(QString::fromStdString(std::string(VXM_SCREENSHOT_DIR) + "/" + name + ".png")));
    }
    // The names of the settings pane that do not show whole.
    std::vector<std::string> CutNames()
    {
        std::vector<std::string> cut;
        auto* settings = dynamic_cast<CProfileSettingsPaneUI*>(pane->GetProfileSettingsPane());
        for (int row = 0; settings && row < CProfileSettingsPaneUI::kRowCount; ++row) {
            CPropListItemUI* item = settings->GetRow(static_cast<CProfileSettingsPaneUI::ERow>(row));
            if (item && item->IsVisible() && item->GetNameLabel() && item->GetNameLabel()->IsTextCut())
                cut.push_back(WideToUtf8(item->GetNameText()));
        }
        return cut;
    }
    // The language menu's entry of that language.
    UINT LanguageCommand(const std::wstring& name)
    {
        for (UINT id = ID_LANGUAGE_AUTO + 1; id < ID_LANGUAGE_AUTO + 20; ++id)
            if (window->GetMenus()->GetItemText(id, EMenuBy::Command) == name) return id;
        ADD_FAILURE() << "no language " << WideToUtf8(name) << " in the menu";
        return 0;
    }

    CStateMedia video{L"A holiday video filmed high up in the mountains at sunrise", true};
    CStateMedia music{L"Symphony No. 9 in D minor (live recording)", false};
    CStateMedia done{L"Café déjà vu", true};
    CVXMMainFrameWnd* window = nullptr;
    QWidget* main = nullptr;
    CMainPaneUI* pane = nullptr;
};

TEST_F(CMainWindow, EveryCaptionButtonShowsAtTheSmallestSizeAndTheRightColumnGrowsWhenMaximised)
{
    // Smaller than the skin allows: the window stays at its minimum.
    Xdotool({"windowsize", std::to_string(main->winId()), "600", "400"});
    WaitFor("the smallest size", [&] { return main->width() == 760 && main->height() == 480; });
    window->GetPaintManager()->UpdateLayout();
    const RECT tabs = Find(L"ID_OVERLAPBUTTON_CONVERT")->GetPos();
    for (const wchar_t* name : {L"ID_BTN_OPTIONS", L"ID_BTN_MENU_HELP", L"ID_BTN_MENU_MAIN", L"ID_BTN_MINIMIZE_WINDOW",
                                L"ID_BTN_MAXIMIZE_WINDOW", L"ID_BTN_CLOSE_WINDOW"}) {
        CControlUI* button = Find(name);
        ASSERT_NE(button, nullptr);
        const RECT rc = button->GetPos();
        EXPECT_TRUE(button->IsVisible()) << WideToUtf8(name);
        EXPECT_GE(rc.left, tabs.right) << WideToUtf8(name);
        EXPECT_LE(rc.right, main->width()) << WideToUtf8(name);
        EXPECT_EQ(rc.right - rc.left, button->GetFixedWidth()) << WideToUtf8(name);
    }
    // The product's name is cut short there, and says itself whole on the mouse.
    EXPECT_EQ(Find(L"ID_LABEL_MAIN_VEXMORA_PROFESSIONAL")->GetHoverTip(), L"Vexmora Professional");
    ShownOnScreen(main);
    Save("main_min_size");
    // The media manager unfolded there widens the window by its column: the
    // list keeps its Convert button whole. Folded again, the window may be
    // as small as before.
    const RECT arrow = Find(L"ID_BTN_SHOW_LEFT")->GetPos();
    const QPoint at = main->mapToGlobal(QPoint((arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2));
    Xdotool({"mousemove", std::to_string(at.x()), std::to_string(at.y()), "click", "1"});
    WaitFor("the media manager", [&] { return Find(L"ID_LAYOUT_MEDIA_MAN")->IsVisible(); });
    WaitFor("the window widened by the media manager", [&] { return main->width() >= 760 + 200; });
    window->GetPaintManager()->UpdateLayout();
    const RECT convert = Find(L"ID_BTN_CONVERT")->GetPos();
    EXPECT_EQ(convert.right - convert.left, 124);
    EXPECT_LE(convert.right, Find(L"ID_LAYOUT_RIGHT")->GetPos().left);
    WaitFor("the unfolded window on the screen", [&] { return ShownOnScreen(main); });
    Save("main_min_size_media_manager");
    const RECT fold = Find(L"ID_BTN_HIDE_LEFT")->GetPos();
    const QPoint back = main->mapToGlobal(QPoint((fold.left + fold.right) / 2, (fold.top + fold.bottom) / 2));
    Xdotool({"mousemove", std::to_string(back.x()), std::to_string(back.y()), "click", "1"});
    WaitFor("the media manager folded", [&] { return !Find(L"ID_LAYOUT_MEDIA_MAN")->IsVisible(); });
    Xdotool({"windowsize", std::to_string(main->winId()), "600", "400"});
    WaitFor("the smallest size again", [&] { return main->width() == 760; });

    // The mouse rests on Maximize until its tooltip shows; the click maximises,
    // and no tooltip is left naming the button that went.
    const RECT maximize = Find(L"ID_BTN_MAXIMIZE_WINDOW")->GetPos();
    const QPoint over = main->mapToGlobal(QPoint((maximize.left + maximize.right) / 2, (maximize.top + maximize.bottom) / 2));
    Xdotool({"mousemove", std::to_string(over.x()), std::to_string(over.y())});
    WaitFor("the Maximize tooltip", [] { return QToolTip::isVisible() && QToolTip::text() == QStringLiteral("Maximize"); });
    Xdotool({"click", "1"});
    WaitFor("the maximised window", [&] { return main->isMaximized() && main->width() > 1024; });
    WaitFor("the Restore button", [&] { return Find(L"ID_BTN_RESTORE_WINDOW")->IsVisible(); });
    EXPECT_FALSE(Find(L"ID_BTN_MAXIMIZE_WINDOW")->IsVisible());
    EXPECT_FALSE(QToolTip::isVisible() && QToolTip::text() == QStringLiteral("Maximize"));
    window->GetPaintManager()->UpdateLayout();
    EXPECT_GT(Find(L"ID_LAYOUT_RIGHT")->GetWidth(), 260);
    EXPECT_TRUE(CutNames().empty()) << Joined(CutNames());
    EXPECT_TRUE(CheckLayout(*window->GetPaintManager()).empty()) << Joined(CheckLayout(*window->GetPaintManager()));
    Xdotool({"mousemove", "0", "0"});
    WaitFor("the maximised window on the screen", [&] { return ShownOnScreen(main); });
    Save("main_maximised");
}

TEST_F(CMainWindow, NamesOfTheSettingsShowWholeAtTheDesignSizeInEnglishAndGerman)
{
    for (const wchar_t* lang : {L"English", L"Deutsch"}) {
        window->OnCommand(LanguageCommand(lang));
        window->GetPaintManager()->UpdateLayout();
        EXPECT_TRUE(CutNames().empty()) << WideToUtf8(lang) << Joined(CutNames());
    }
}

TEST_F(CMainWindow, EveryPageShowsGermanAfterTheSwitchAndEnglishAfterTheSwitchBack)
{
    const CTextsOfLanguages texts = ReadTextsOfLanguages();
    ASSERT_GT(texts.englishOnly.size(), 300u);
    ASSERT_GT(texts.germanOnly.size(), 300u);
    // The media manager unfolded as a person does it, by its arrow.
    const RECT arrow = Find(L"ID_BTN_SHOW_LEFT")->GetPos();
    const QPoint at = main->mapToGlobal(QPoint((arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2));
    Xdotool({"mousemove", std::to_string(at.x()), std::to_string(at.y()), "click", "1"});
    WaitFor("the media manager", [&] { return Find(L"ID_LAYOUT_MEDIA_MAN")->IsVisible(); });
    pane->ShowProfileWnd();
    CWindowWnd* chooser = pane->GetProfileWnd();
    ASSERT_NE(chooser, nullptr);
    auto shown = [&](const std::set<std::wstring>& wrong) {
        std::vector<std::string> found = ControlsShowing(*window->GetPaintManager(), wrong);
        for (const std::string& s : ControlsShowing(*chooser->GetPaintManager(), wrong)) found.push_back("chooser " + s);
        return found;
    };

    window->OnCommand(LanguageCommand(L"Deutsch"));
    EXPECT_TRUE(shown(texts.englishOnly).empty()) << "English left in German:" << Joined(shown(texts.englishOnly));
    // The longer German texts fit every page, the player's play list shown.
    Find(L"ID_LAYOUT_PLAYER_PLAYLIST")->SetVisible(true);
    for (int page : {0, 1, 2}) {
        window->SelectPage(page);
        window->GetPaintManager()->UpdateLayout();
        const std::vector<std::string> problems = CheckLayout(*window->GetPaintManager());
        EXPECT_TRUE(problems.empty()) << "page " << page << " in German:" << Joined(problems);
    }
    chooser->ShowWindow(false);
    SavePages("german_pages");
    window->OnCommand(LanguageCommand(L"English"));
    EXPECT_TRUE(shown(texts.germanOnly).empty()) << "German left in English:" << Joined(shown(texts.germanOnly));
    SavePages("english_after_german");
}

// A row of an MKV in the German window: its tracks listed with the titles
// the file gives them (the open list kept as a screenshot), its trim and
// crop dialogs German, Qt's words and the editor's alike, each title whole.
TEST_F(CMainWindow, AnMkvsRowListsItsTracksWithTheirTitlesAndItsEditorsSpeakGerman)
{
    CTempDir dir;
    std::ofstream(dir.File("de.srt")) << "1\n00:00:00,000 --> 00:00:01,000\nHallo\n";
    const std::string mkv = dir.File("Reise nach Köln.mkv");
    ASSERT_TRUE(RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:duration=1", "-f", "lavfi", "-i", "sine=d=1",
                           "-i", dir.File("de.srt"), "-map", "0", "-map", "1", "-map", "1", "-map", "2", "-c:v", "mpeg4",
                           "-metadata:s:a:1", "language=eng", "-metadata:s:a:1", "title=Commentary", "-metadata:s:s",
                           "language=ger", "-metadata:s:s", "title=Deutsch", mkv}));
    window->OnCommand(LanguageCommand(L"Deutsch"));
    pane->GetMediaList()->RemoveAll();  // the fixture's rows
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    media->SetSourcePath(Utf8ToWide(mkv));
    ASSERT_GE(media->Probe(), 0);
    pane->AddMedia(media, -1, 0);
    CMediaListItemUI* row = pane->GetMediaList()->FindItem(media);
    ASSERT_NE(row, nullptr);
    auto* audio = dynamic_cast<CComboUI*>(window->GetPaintManager()->FindSubControlByName(row, L"ID_COMBO_AUDIO_TRACK"));
    auto* subtitles = dynamic_cast<CComboUI*>(window->GetPaintManager()->FindSubControlByName(row, L"ID_COMBO_SUBTITLE"));
    ASSERT_TRUE(audio && subtitles);
    EXPECT_NE(audio->GetItemAt(1)->GetText().find(L"(eng) \u2013 Commentary"), std::wstring::npos);
    EXPECT_EQ(subtitles->GetItemAt(0)->GetText(), L"Untertitel 1 (ger) \u2013 Deutsch");
    WaitFor("the row on the screen", [&] { return ShownOnScreen(main); });
    EXPECT_TRUE(WithOpenList(*subtitles, [&](QListWidget& list) {
        const QRect box = ToQRect(subtitles->GetPos()).translated(main->mapToGlobal(QPoint(0, 0)));
        SaveScreen(list, box.united(list.frameGeometry()).adjusted(-240, -40, 40, 20), "tracks_titles");
    }));

    // The editors, each shot from the screen with its title bar, side by side.
    QImage both(1000, 300, QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter painter(&both);
    QStringList words;
    for (const char* name : {"PrismelClipDialog", "PrismelCropDialog"}) {
        QTimer::singleShot(0, [&, name] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            WaitFor(name, [&] {
                dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                return dialog && dialog->objectName() == QLatin1String(name) && ShownOnScreen(dialog);
            });
            const QRect frame = dialog->frameGeometry();
            painter.drawPixmap(words.isEmpty() ? 0 : 500, 0,
                               QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()));
            words << dialog->windowTitle();
            for (auto* button : dialog->findChildren<QPushButton*>()) words << button->text();
            for (auto* effects : dialog->findChildren<QComboBox*>())
                for (int i = 0; i < effects->count(); ++i) words << effects->itemText(i);
            Xdotool({"key", "Escape"});
        });
        if (std::string(name) == "PrismelClipDialog") row->ShowClipDialog();
        else row->ShowEffectDialog();
    }
    painter.end();
    both.save(QStringLiteral(VXM_SCREENSHOT_DIR "/trim_crop_de.png"));
    EXPECT_EQ(words.join(QLatin1Char('|')).toStdString(),
              "Zuschneiden|OK|Abbrechen|Bildausschnitt und Effekt|OK|Abbrechen|Keiner|Graustufen|Alter Film|Negativ|"
              "Kanten|Weichzeichnen|Sch\u00e4rfen|Vignette|Spiegeln|Warm|Kalt");
    pane->GetMediaList()->RemoveItem(row);  // releases the media
}

}  // namespace
