// On an X display: every page of the options dialog (in English and in
// German) and both views of the tag editor, checked by the layout check and
// kept as screenshots in the build folder.
#include "EditMusicDlg.h"
#include "MediaFileTypes.h"
#include "MainPaneUI.h"
#include "MediaListItemUI.h"
#include "OptionDlgUI.h"
#include "SkinFolders.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "support/fake_media.h"
#include "support/language_texts.h"
#include "support/main_window_environment.h"
#include "support/private_home.h"
#include "support/skin_check.h"
#include "support/test_media.h"
#include "FakeDesktop.h"
#include "OpenList.h"
#include "ui/UICombo.h"
#include "ui/UILanguage.h"
#include "ui/desktop/QtDesktop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QToolButton>
#include <QGuiApplication>
#include <QSlider>
#include <QTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QListWidget>
#include <QWheelEvent>
#include <QScreen>
#include <QPixmap>
#include <QWidget>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

namespace {

// On the X display xvfb-run gives.
[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(true, false);

// Draws the window and saves it; the number of distinct colours it holds.
// The window's layout passes the layout check.
size_t Shoot(CWindowWnd& window, const std::string& name)
{
    vxmtest::PumpPending();
    std::string problems;
    for (const std::string& p : vxmtest::CheckLayout(*window.GetPaintManager())) problems += "\n  " + p;
    EXPECT_TRUE(problems.empty()) << name << ":" << problems;
    // In German, no English text of the program.
    static const vxmtest::CTextsOfLanguages texts = vxmtest::ReadTextsOfLanguages();
    std::string english;
    if (CLanguageManager::GetInstance()->GetLangID() == L"de")
        for (const std::string& e : vxmtest::ControlsShowing(*window.GetPaintManager(), texts.englishOnly)) english += "\n  " + e;
    EXPECT_TRUE(english.empty()) << name << " shows English in German:" << english;
    QImage image = window.GetWidget()->grab().toImage();
    image.save(QString::fromStdString(std::string(VXM_SCREENSHOT_DIR) + "/" + name + ".png"));
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
    return colours.size();
}

class CSong : public CStubMedia {
public:
    std::wstring GetSourcePath() const override { return source; }
    std::wstring GetSourceTitle() const override { return L"Night Cafe"; }
    std::wstring GetOutputName() const override { return L"Night Cafe"; }
    std::wstring GetThumbnailPath() const override { return thumbnail; }
    void SetThumbnailPath(const std::wstring& path) override { thumbnail = path; }
    std::wstring source;
    std::wstring thumbnail;
};

}  // namespace

TEST(DialogScreenshots, EveryOptionsPage)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    ApplySkinImageFolders(kDefaultSkin);
    CVXMSettings* settings = CVXMSettings::GetInstance();
    settings->OutputFolder = L"/home/user/Videos/Vexmora Professional";
    settings->SnapshotFolder = L"/home/user/Videos/Vexmora Professional/Snapshot";
    settings->PrimaryColour = static_cast<int>(0x4000D7FF);
    settings->bForceColor = 1;
    settings->SubEncoding = 1252;
    for (const wchar_t* lang : {L"en", L"de"}) {
        CLanguageManager::GetInstance()->SetLang(lang);
        const std::string suffix = std::wstring(lang) == L"en" ? "" : "_" + WideToUtf8(lang);
        COptionDlgUI dialog(settings);
        ASSERT_NE(dialog.Create(nullptr, L"VXMOptionDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        static const char* const pages[] = {"general", "video", "audio", "online", "dvd", "subtitles", "record", "misc"};
        for (int page = 0; page < 8; ++page) {
            dialog.SelectTab(page);
            EXPECT_GT(Shoot(dialog, std::string("options_") + pages[page] + suffix), 4u) << pages[page];
        }
        dialog.DestroyWindow();
        vxmtest::PumpPending();
    }
    CLanguageManager::GetInstance()->SetLang(L"en");
}

// On a fresh start no font is stored: the box shows the one the burn-in takes.
TEST(DialogScreenshots, TheFontBoxOnAFreshStart)
{
    ApplySkinImageFolders(kDefaultSkin);
    CVXMSettings fresh;
    ASSERT_TRUE(fresh.SubFontFile.empty());
    COptionDlgUI dialog(&fresh);
    ASSERT_NE(dialog.Create(nullptr, L"VXMOptionDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    dialog.SelectTab(5);
    EXPECT_GT(Shoot(dialog, "options_font_fresh"), 4u);
    dialog.DestroyWindow();
    vxmtest::PumpPending();
}

TEST(DialogScreenshots, TagEditorInBothViews)
{
    ApplySkinImageFolders(kDefaultSkin);
    vxmtest::CTempDir dir;
    const std::string song = dir.File("song.mp3");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=duration=1", "-metadata", "title=Night Cafe", "-metadata",
                                    "artist=The Edits", "-metadata", "album=Second Take", "-metadata", "date=2024",
                                    "-metadata", "genre=Jazz", song}));
    const std::string cover = dir.File("cover.png");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=s=170x170", "-frames:v", "1", cover}));
    CSong media;
    media.source = Utf8ToWide(song);
    CFakeDesktop desktop;
    auto pane = std::make_unique<CMainPaneUI>(nullptr, nullptr, false);
    pane->BuildPane();
    CMediaListItemUI* row = pane->AddFileRow(-1, &media);
    ASSERT_NE(row, nullptr);
    {
        CEditMusicDlg dialog(row);
        ASSERT_NE(dialog.Create(nullptr, L"VXMEditMusicDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        CPaintManagerUI* pm = dialog.GetPaintManager();
        pm->FindControl(L"IDC_EDIT_LYDRIC")->SetText(L"Under the lamps of the night cafe\nwe played till the morning came");
        EXPECT_GT(Shoot(dialog, "tag_editor_list"), 4u);
        desktop.files.openAnswer = {Utf8ToWide(cover)};
        pm->SendNotify(pm->FindControl(L"IDC_EDIT_IMG"), DUI_MSGTYPE_CLICK);
        dialog.ShowView(1);
        EXPECT_GT(Shoot(dialog, "tag_editor_tags"), 4u);
        dialog.DestroyWindow();
    }
    pane.reset();
}

// In German every label and button of the editor shows its text whole, and
// tags with "&" show as they are.
TEST(DialogScreenshots, TagEditorInGerman)
{
    ApplySkinImageFolders(kDefaultSkin);
    CLanguageManager::GetInstance()->SetLang(L"de");
    CSong media;
    media.source = L"/home/user/Musik/Rock & Roll.mp3";
    CFakeDesktop desktop;
    auto pane = std::make_unique<CMainPaneUI>(nullptr, nullptr, false);
    pane->BuildPane();
    CMediaListItemUI* row = pane->AddFileRow(-1, &media);
    ASSERT_NE(row, nullptr);
    row->SetTags({.title = L"Rock & Roll", .artist = L"Beth Hart & Joe Bonamassa", .album = L"Seesaw",
                  .comment = L"Live aufgenommen in Amsterdam", .genre = L"Blues & Soul", .year = L"2013", .track = L"4",
                  .cover = {}, .lyrics = {}});
    {
        CEditMusicDlg dialog(row);
        ASSERT_NE(dialog.Create(nullptr, L"VXMEditMusicDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        EXPECT_GT(Shoot(dialog, "tageditor_de"), 4u);
        dialog.ShowView(1);
        EXPECT_GT(Shoot(dialog, "tageditor_de_tags"), 4u);
        dialog.DestroyWindow();
    }
    pane.reset();
    CLanguageManager::GetInstance()->SetLang(L"en");
}

TEST(DialogScreenshots, ColourChooserWithTransparency)
{
    // The chooser runs its own loop: a timer shoots it, drags the
    // transparency to 128 and presses OK.
    QString percent;
    QTimer::singleShot(300, [&percent] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        auto* slider = dialog->findChild<QSlider*>(QStringLiteral("transparencySlider"));
        if (slider) slider->setValue(128);
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("transparencyPercent"))) percent = label->text();
        dialog->grab().save(QStringLiteral(VXM_SCREENSHOT_DIR "/colour_chooser.png"));
        dialog->accept();
    });
    CQtColourChooser chooser;
    DWORD chosen = 0;
    ASSERT_TRUE(chooser.ChooseWithTransparency(nullptr, 0x4000D7FF, L"Transparency:", chosen));
    EXPECT_EQ(chosen, 0x8000D7FFu);
    EXPECT_EQ(percent, QStringLiteral("50%"));
}

// The font list drops down as one list with each face once, no higher than
// sixteen rows.
TEST(DialogScreenshots, TheFontListDropsDownWithEachFaceOnce)
{
    ApplySkinImageFolders(kDefaultSkin);
    COptionDlgUI dialog(CVXMSettings::GetInstance());
    ASSERT_NE(dialog.Create(nullptr, L"VXMOptionDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    dialog.SelectTab(5);
    vxmtest::PumpPending();
    auto* fonts = dynamic_cast<CComboUI*>(dialog.GetPaintManager()->FindControl(L"IDC_EDIT_SUB_FONT"));
    ASSERT_TRUE(fonts && fonts->GetCount() > 16);
    std::set<QString> faces;
    EXPECT_TRUE(vxmtest::WithOpenList(*fonts, [&](QListWidget& list) {
        for (int i = 0; i < list.count(); ++i) faces.insert(list.item(i)->text());
        EXPECT_LE(list.height(), list.visualItemRect(list.item(0)).height() * 17);
        vxmtest::SaveScreen(list, dialog.GetWidget()->frameGeometry().united(list.frameGeometry()),
                            "dialog_options_font_list");
    }));
    EXPECT_EQ(static_cast<int>(faces.size()), fonts->GetCount()) << "a face is listed twice";
    dialog.DestroyWindow();
    vxmtest::PumpPending();
}

// The code page list in German: the wheel and the keys move through it, 1251
// is chosen with Return and stored by OK; opened again it shows 1251.
TEST(DialogScreenshots, TheCodePageListScrollsByWheelAndKeysAndChoosesCyrillic)
{
    ApplySkinImageFolders(kDefaultSkin);
    CLanguageManager::GetInstance()->SetLang(L"de");
    CVXMSettings settings;
    settings.SubEncoding = 0;
    COptionDlgUI dialog(&settings);
    ASSERT_NE(dialog.Create(nullptr, L"VXMOptionDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    dialog.SelectTab(5);
    vxmtest::PumpPending();
    auto* pages = dynamic_cast<CComboUI*>(dialog.GetPaintManager()->FindControl(L"IDC_COMBO_SUB_ENCODING"));
    ASSERT_TRUE(pages && pages->GetCount() > 40);
    auto inView = [](QListWidget& list) { return list.viewport()->rect().contains(list.visualItemRect(list.currentItem())); };
    EXPECT_TRUE(vxmtest::WithOpenList(*pages, [&](QListWidget& list) {
        EXPECT_EQ(list.currentRow(), 0);
        const QPointF at = QRectF(list.viewport()->rect()).center();
        QWheelEvent wheel(at, list.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -360), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(list.viewport(), &wheel);
        EXPECT_FALSE(inView(list)) << "the wheel does not scroll the list";
        for (int i = 0; i < list.count() && !list.currentItem()->text().startsWith(QStringLiteral("1251 ")); ++i)
            vxmtest::Key(list, Qt::Key_Down);
        EXPECT_TRUE(inView(list)) << "the keys leave the row out of view";
        vxmtest::SaveScreen(list, dialog.GetWidget()->frameGeometry().united(list.frameGeometry()), "codepage_open_de");
        vxmtest::Key(list, Qt::Key_Return);
    }));
    EXPECT_EQ(pages->GetText(), L"1251 (ANSI \u2013 Kyrillisch)");
    EXPECT_TRUE(vxmtest::WithOpenList(*pages, [&](QListWidget& list) { EXPECT_TRUE(inView(list)) << "opened elsewhere"; }));
    ASSERT_TRUE(dialog.ApplyChanges());
    EXPECT_EQ(settings.SubEncoding, 1251);
    dialog.DestroyWindow();
    vxmtest::PumpPending();
    CLanguageManager::GetInstance()->SetLang(L"en");
}

// The subtitle file dialog in German: Qt's own words from the translations
// Qt is installed with, the file types in the program's.
TEST(DialogScreenshots, TheSubtitleFileDialogSpeaksGerman)
{
    CLanguageManager::GetInstance()->SetLang(L"de");
    QStringList words;
    QTimer look;
    look.callOnTimeout([&] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!chooser || !chooser->isVisible()) return;
        look.stop();
        words << chooser->windowTitle() << chooser->findChild<QLabel*>(QStringLiteral("lookInLabel"))->text()
              << chooser->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Cancel)->text();
        auto* types = chooser->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; i < types->count(); ++i) words << types->itemText(i);
        chooser->grab().save(QStringLiteral(VXM_SCREENSHOT_DIR "/file_dialog_de.png"));
        chooser->reject();
    });
    look.start(20);
    CFileRequest request;
    request.filters = SubtitleFileFilters();
    EXPECT_TRUE(CQtFileChooser().OpenFiles(request).empty());
    CLanguageManager::GetInstance()->SetLang(L"en");
    EXPECT_EQ(words.join(QLatin1Char('|')).toStdString(),
              "\u00d6ffnen|Suchen in:|Abbrechen|Untertiteldateien (*.srt *.ssa *.ass)|Alle Dateien [*.*] (*.*)");
}

// The output folder before the first conversion does not exist yet: the
// folder chooser starts at the nearest folder above it, where a new folder
// can be made.
TEST(DialogScreenshots, TheFolderChooserStartsAtTheNearestFolderThereAndCanMakeOne)
{
    vxmtest::CTempDir dir;
    const std::string missing = dir.File("Vidéos/Vexmora Professional");
    QString startedIn;
    bool canMake = false;
    QTimer look;
    look.callOnTimeout([&] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!chooser || !chooser->isVisible()) return;
        look.stop();
        startedIn = chooser->directory().absolutePath();
        if (auto* make = chooser->findChild<QToolButton*>(QStringLiteral("newFolderButton"))) {
            canMake = make->isEnabled();
            make->click();
        }
        chooser->reject();
    });
    look.start(20);
    CQtFileChooser files;
    EXPECT_EQ(files.ChooseFolder(nullptr, L"Please select the output folder :", Utf8ToWide(missing)), L"");
    EXPECT_EQ(startedIn.toStdString(), dir.Path());
    EXPECT_TRUE(canMake);
    size_t made = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) made += entry.is_directory();
    EXPECT_EQ(made, 1u) << "no folder was made";
}

// Several files picked at once, one with a double quote in its name: the
// dialog writes them into its name field as "a" "b" and closes with both.
TEST(DialogScreenshots, SeveralFilesOneWithAQuoteInItsNameAreChosenTogether)
{
    vxmtest::CTempDir dir;
    const std::string quoted = dir.File("-l\u00e0 'live\" \u6771\u4eac.mp4");
    const std::string plain = dir.File("Caf\u00e9.mp4");
    for (const std::string& file : {quoted, plain}) std::ofstream(file) << "x";
    bool closedByOpen = false;
    QTimer look;
    look.callOnTimeout([&] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!chooser || !chooser->isVisible()) return;
        look.stop();
        auto* field = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* buttons = chooser->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (field && buttons && buttons->button(QDialogButtonBox::Open)) {
            field->setText(QStringLiteral("\"%1\" \"%2\"")
                               .arg(QString::fromStdString(std::filesystem::path(quoted).filename().string()),
                                    QString::fromStdString(std::filesystem::path(plain).filename().string())));
            buttons->button(QDialogButtonBox::Open)->click();
            closedByOpen = !chooser->isVisible();
        }
        if (chooser->isVisible()) chooser->reject();
    });
    look.start(20);
    CFileRequest request;
    request.title = L"Add Video Files";
    request.folder = Utf8ToWide(dir.Path());
    request.filters = ParseFileFilters(L"All Files (*.*)|*.*|");
    request.multiSelect = true;
    const std::vector<std::wstring> chosen = CQtFileChooser().OpenFiles(request);
    EXPECT_TRUE(closedByOpen) << "the dialog refused the two names";
    EXPECT_EQ(chosen, (std::vector<std::wstring>{Utf8ToWide(quoted), Utf8ToWide(plain)}));
}
