// The clip and effect editor library, loaded by name as the engine loads it.
#include "IVXMMedia.h"
#include "VXMMediaBase.h"
#include "VXMMediaExports.h"
#include "platform/messages.h"
#include "platform/module.h"
#include "prismel/Prismel.h"
#include "support/test_media.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QSpinBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "test_panes_list_prismel";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

struct MediaDeleter {
    void operator()(IVXMMedia* m) const { m->Release(); }
};
using MediaPtr = std::unique_ptr<IVXMMedia, MediaDeleter>;

// An engine media object of 10 s with a 640x360 video stream.
MediaPtr VideoMedia()
{
    RegisterMediaLibrary();
    MediaPtr media(CreateVXMMediaObject(nullptr));
    auto* base = dynamic_cast<CVXMMediaBase*>(media.get());
    if (!base) return nullptr;
    media->SetSourcePath(L"/media/film.mp4");
    base->m_nDuration = 10000;
    auto v = std::make_unique<VXM_VIDEO_STREAM>();
    v->m_dFrameRate = 25;
    v->m_nWidth = 640;
    v->m_nHeight = 360;
    base->m_lstVideo.push_back(std::move(v));
    base->m_bHasVideo = 1;
    return media;
}

// The library's entry points through the engine's loader.
struct Library {
    Library()
    {
        CModule* module = LoadPrismelDll();
        if (!module) return;
        setLanguage = reinterpret_cast<PrismelSetLanguageFn>(module->GetSymbol("SetLanguage"));
        clip = reinterpret_cast<PrismelShowDlgFn>(module->GetSymbol("ShowDlgClip"));
        crop = reinterpret_cast<PrismelShowDlgFn>(module->GetSymbol("ShowDlgCrop"));
        effect = reinterpret_cast<PrismelGetEffectCmdFn>(module->GetSymbol("GetEffectCmd"));
        applyClip = reinterpret_cast<int (*)(IVXMMedia*, int, int)>(module->GetSymbol("PrismelApplyClip"));
        applyCrop = reinterpret_cast<int (*)(IVXMMedia*, int, int, int, int, int)>(module->GetSymbol("PrismelApplyCrop"));
        effectCount = reinterpret_cast<int (*)()>(module->GetSymbol("PrismelEffectCount"));
    }
    PrismelSetLanguageFn setLanguage = nullptr;
    PrismelShowDlgFn clip = nullptr;
    PrismelShowDlgFn crop = nullptr;
    PrismelGetEffectCmdFn effect = nullptr;
    int (*applyClip)(IVXMMedia*, int, int) = nullptr;
    int (*applyCrop)(IVXMMedia*, int, int, int, int, int) = nullptr;
    int (*effectCount)() = nullptr;
};

// The library's own calls, reached as a loader reaches them.
Library& Lib()
{
    static Library lib;
    return lib;
}

int ApplyClip(IVXMMedia* m, int start, int end)
{
    return Lib().applyClip ? Lib().applyClip(m, start, end) : -2;
}

int ApplyCrop(IVXMMedia* m, int l, int t, int w, int h, int effect)
{
    return Lib().applyCrop ? Lib().applyCrop(m, l, t, w, h, effect) : -2;
}

int EffectCount()
{
    return Lib().effectCount ? Lib().effectCount() : 0;
}

// Messages an editor posted to its owner window.
class Owner {
public:
    Owner()
    {
        m_hwnd = CreateMessageWindow([this](HWND, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
            got.push_back({msg, wParam});
            return 0;
        });
    }
    ~Owner() { DestroyMessageWindow(m_hwnd); }
    HWND Handle() const { return m_hwnd; }
    void Drain()
    {
        MSG msg;
        while (PeekMessage(&msg, m_hwnd, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    }
    std::vector<std::pair<UINT, WPARAM>> got;

private:
    HWND m_hwnd = nullptr;
};

// Runs `act` on the dialog once it is shown modally.
void OnDialog(std::function<void(QDialog*)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) dialog = d;
        }
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
}

void SetSpin(QDialog* dialog, const char* name, int value)
{
    auto* spin = dialog->findChild<QSpinBox*>(name);
    ASSERT_NE(spin, nullptr) << name;
    spin->setValue(value);
}

TEST(PrismelLibrary, EngineLoadsItByNameWithItsEntryPoints)
{
    Library lib;
    EXPECT_NE(lib.setLanguage, nullptr);
    EXPECT_NE(lib.clip, nullptr);
    EXPECT_NE(lib.crop, nullptr);
    EXPECT_NE(lib.effect, nullptr);
    EXPECT_NE(lib.applyClip, nullptr);
    EXPECT_NE(lib.applyCrop, nullptr);
    EXPECT_GT(EffectCount(), 5);
}

TEST(PrismelEffects, EveryEffectIsAFilterChainFfmpegAccepts)
{
    Library lib;
    ASSERT_NE(lib.effect, nullptr);
    EXPECT_EQ(lib.effect(0), nullptr);
    EXPECT_EQ(lib.effect(-1), nullptr);
    EXPECT_EQ(lib.effect(EffectCount() + 1), nullptr);
    std::string all;
    for (int id = 1; id <= EffectCount(); ++id) {
        const wchar_t* chain = lib.effect(id);
        ASSERT_NE(chain, nullptr) << id;
        const std::wstring w(chain);
        // It travels inside double quotes on a command line.
        EXPECT_EQ(w.find_first_of(L"\" "), std::wstring::npos) << id;
        all += (all.empty() ? "" : ",") + std::string(w.begin(), w.end());
    }
    // One run filters a few frames through every chain in turn.
    EXPECT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=5:duration=0.4", "-vf", all, "-f",
                                    "null", "-"}));
}

TEST(PrismelClip, TrimIsCheckedStoredAndReported)
{
    MediaPtr media = VideoMedia();
    ASSERT_TRUE(media);
    Owner owner;
    dynamic_cast<CVXMMediaBase*>(media.get())->m_hClipEditorWnd = owner.Handle();
    EXPECT_EQ(ApplyClip(media.get(), 2000, 6000), 1);
    EXPECT_EQ(media->GetStartTime(), 2000);
    EXPECT_EQ(media->GetEndTime(), 6000);
    owner.Drain();
    ASSERT_EQ(owner.got.size(), 1u);
    EXPECT_EQ(owner.got[0].first, PRISMEL_CLIP_CHANGED);
    EXPECT_EQ(owner.got[0].second, reinterpret_cast<WPARAM>(media.get()));

    // Out of range: nothing changes and nobody is told.
    EXPECT_EQ(ApplyClip(media.get(), 5000, 5000), -1);
    EXPECT_EQ(ApplyClip(media.get(), -1, 3000), -1);
    EXPECT_EQ(ApplyClip(media.get(), 1000, 10001), -1);
    EXPECT_EQ(ApplyClip(media.get(), 2000, 6000), 0);
    EXPECT_EQ(media->GetStartTime(), 2000);
    EXPECT_EQ(media->GetEndTime(), 6000);
    owner.Drain();
    EXPECT_EQ(owner.got.size(), 1u);

    // An end at the source's end is no end trim.
    EXPECT_EQ(ApplyClip(media.get(), 0, 10000), 1);
    EXPECT_EQ(media->GetEndTime(), 0);
}

TEST(PrismelCrop, RectangleAndEffectAreCheckedStoredAndReported)
{
    MediaPtr media = VideoMedia();
    ASSERT_TRUE(media);
    auto* base = dynamic_cast<CVXMMediaBase*>(media.get());
    Owner owner;
    base->m_hEffectEditorWnd = owner.Handle();
    EXPECT_EQ(ApplyCrop(media.get(), 10, 20, 320, 240, 3), 1);
    EXPECT_EQ(base->m_nCropLeft, 10);
    EXPECT_EQ(base->m_nCropTop, 20);
    EXPECT_EQ(base->m_nCropWidth, 320);
    EXPECT_EQ(base->m_nCropHeight, 240);
    EXPECT_EQ(base->m_nEffectId, 3);
    EXPECT_EQ(base->IsCropped(), 1);
    // Past the frame's edge, or an unknown effect: refused, nothing changes.
    EXPECT_EQ(ApplyCrop(media.get(), 400, 0, 320, 240, 3), -1);
    EXPECT_EQ(ApplyCrop(media.get(), 0, 200, 320, 240, 3), -1);
    EXPECT_EQ(ApplyCrop(media.get(), 0, 0, 320, 240, EffectCount() + 1), -1);
    EXPECT_EQ(base->m_nCropLeft, 10);
    EXPECT_EQ(base->m_nEffectId, 3);
    owner.Drain();
    ASSERT_EQ(owner.got.size(), 1u);
    EXPECT_EQ(owner.got[0].first, PRISMEL_EFFECT_CHANGED);
    // All zeros remove the crop.
    EXPECT_EQ(ApplyCrop(media.get(), 0, 0, 0, 0, 0), 1);
    EXPECT_EQ(base->IsCropped(), 0);
    EXPECT_EQ(base->m_nEffectId, 0);
}

TEST(PrismelDialogs, ClipDialogTrimsTheMediaOnOkOnly)
{
    App();
    Library lib;
    ASSERT_NE(lib.clip, nullptr);
    MediaPtr media = VideoMedia();
    ASSERT_TRUE(media);
    OnDialog([](QDialog* d) {
        SetSpin(d, "start", 1500);
        SetSpin(d, "end", 4000);
        d->reject();
    });
    EXPECT_EQ(lib.clip(media.get()), 0);
    EXPECT_EQ(media->GetStartTime(), 0);
    OnDialog([](QDialog* d) {
        SetSpin(d, "start", 1500);
        SetSpin(d, "end", 4000);
        d->accept();
    });
    EXPECT_EQ(lib.clip(media.get()), 1);
    EXPECT_EQ(media->GetStartTime(), 1500);
    EXPECT_EQ(media->GetEndTime(), 4000);
    // An end before the start is refused and changes nothing.
    OnDialog([](QDialog* d) {
        SetSpin(d, "start", 5000);
        SetSpin(d, "end", 1000);
        d->accept();
    });
    EXPECT_EQ(lib.clip(media.get()), 0);
    EXPECT_EQ(media->GetStartTime(), 1500);
}

TEST(PrismelDialogs, CropDialogSetsRectangleAndEffectInTheChosenLanguage)
{
    App();
    Library lib;
    ASSERT_NE(lib.crop, nullptr);
    MediaPtr media = VideoMedia();
    ASSERT_TRUE(media);
    lib.setLanguage(L"de");
    QString title;
    OnDialog([&title](QDialog* d) {
        title = d->windowTitle();
        SetSpin(d, "left", 8);
        SetSpin(d, "top", 4);
        SetSpin(d, "width", 320);
        SetSpin(d, "height", 180);
        d->findChild<QComboBox*>("effect")->setCurrentIndex(2);
        d->accept();
    });
    EXPECT_EQ(lib.crop(media.get()), 1);
    lib.setLanguage(L"en");
    EXPECT_EQ(title, QStringLiteral("Bildausschnitt und Effekt"));
    auto* base = dynamic_cast<CVXMMediaBase*>(media.get());
    EXPECT_EQ(base->m_nCropLeft, 8);
    EXPECT_EQ(base->m_nCropHeight, 180);
    EXPECT_EQ(base->m_nEffectId, 2);
}

TEST(PrismelDialogs, NoDialogForMediaWithoutVideoOrForeignObjects)
{
    App();
    Library lib;
    ASSERT_NE(lib.crop, nullptr);
    RegisterMediaLibrary();
    MediaPtr audioOnly(CreateVXMMediaObject(nullptr));
    dynamic_cast<CVXMMediaBase*>(audioOnly.get())->m_nDuration = 3000;
    EXPECT_EQ(lib.crop(audioOnly.get()), -1);
    EXPECT_EQ(lib.clip(nullptr), -1);
    EXPECT_EQ(lib.crop(nullptr), -1);
}

}  // namespace

// A list row's trim button: the editor library's dialog trims the row's
// engine media and tells the window that owns the list.
#include "panes/MediaListUI.h"
#include "ui/UILib.h"

namespace {

TEST(PrismelFromARow, TrimDialogOfARowTrimsItsMediaAndTellsTheListWindow)
{
    App();
    Owner window;
    CPaintManagerUI manager;
    manager.Init(window.Handle(), nullptr);
    auto* list = new CMediaListUI(false);
    manager.AttachDialog(list);
    IVXMMedia* media = VideoMedia().release();
    CMediaListItemUI* row = list->AddMedia(media, EMediaRowKind::File, false);
    ASSERT_NE(row, nullptr);
    OnDialog([](QDialog* d) {
        SetSpin(d, "start", 2500);
        SetSpin(d, "end", 7000);
        d->accept();
    });
    row->ShowClipDialog();
    EXPECT_EQ(media->GetStartTime(), 2500);
    EXPECT_EQ(media->GetEndTime(), 7000);
    window.Drain();
    ASSERT_EQ(window.got.size(), 1u);
    EXPECT_EQ(window.got[0].first, PRISMEL_CLIP_CHANGED);
    EXPECT_EQ(window.got[0].second, reinterpret_cast<WPARAM>(media));
    list->RemoveItem(row);  // releases the media
}

}  // namespace
