// The editors' dialogs: a trim dialog (start, end) and a crop and effect
// dialog (rectangle, effect). Modal Qt dialogs over the active window.
#include "Prismel.h"
#include "PrismelText.h"

#include "IVXMMedia.h"
#include "VXMMediaBase.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <QStyle>

namespace {

QString Q(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

QSpinBox* AddSpin(QDialog& dialog, QFormLayout& form, const char* name, const std::wstring& label, int max, int value)
{
    auto* spin = new QSpinBox(&dialog);
    spin->setObjectName(name);
    spin->setRange(0, max);
    spin->setValue(value);
    form.addRow(Q(label), spin);
    return spin;
}

// The buttons in the dialogs' language, whatever Qt's own is; the dialog
// wide enough for its whole title in the title bar, whose font the window
// manager chooses (a bold one, often larger: a quarter is added) beside the
// bar's icon and buttons.
QDialogButtonBox* AddButtons(QDialog& dialog, QFormLayout& form)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(Q(PrismelText(ETextId::Ok)));
    buttons->button(QDialogButtonBox::Cancel)->setText(Q(PrismelText(ETextId::Cancel)));
    QFont titleFont = dialog.font();
    titleFont.setBold(true);
    const int bar = dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &dialog);
    dialog.setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(dialog.windowTitle()) * 5 / 4 + 5 * bar);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&dialog] { dialog.accept(); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, [&dialog] { dialog.reject(); });
    form.addRow(buttons);
    return buttons;
}

}  // namespace

extern "C" {

int ShowDlgClip(IVXMMedia* media)
{
    auto* data = dynamic_cast<CVXMMediaBase*>(media);
    if (!data || !qobject_cast<QApplication*>(QCoreApplication::instance())) return -1;
    const int duration = data->m_nDuration > 0 ? data->m_nDuration : media->GetClipLength();
    if (duration <= 0) return -1;
    const int end = media->GetEndTime() > 0 ? media->GetEndTime() : duration;

    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName("PrismelClipDialog");
    dialog.setWindowTitle(Q(PrismelText(ETextId::ClipTitle)));
    auto* form = new QFormLayout(&dialog);
    QSpinBox* start = AddSpin(dialog, *form, "start", PrismelText(ETextId::Start), duration, media->GetStartTime());
    QSpinBox* stop = AddSpin(dialog, *form, "end", PrismelText(ETextId::End), duration, end);
    start->setSuffix(QStringLiteral(" ms"));
    stop->setSuffix(QStringLiteral(" ms"));
    AddButtons(dialog, *form);
    if (dialog.exec() != QDialog::Accepted) return 0;
    const int rc = PrismelApplyClip(media, start->value(), stop->value());
    return rc < 0 ? 0 : rc;
}

int ShowDlgCrop(IVXMMedia* media)
{
    auto* data = dynamic_cast<CVXMMediaBase*>(media);
    if (!data || !qobject_cast<QApplication*>(QCoreApplication::instance())) return -1;
    IVXMVideo* video = media->GetVideoStream();
    if (!video || video->GetWidth() <= 0 || video->GetHeight() <= 0) return -1;
    const int width = video->GetWidth();
    const int height = video->GetHeight();

    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName("PrismelCropDialog");
    dialog.setWindowTitle(Q(PrismelText(ETextId::CropTitle)));
    auto* form = new QFormLayout(&dialog);
    QSpinBox* left = AddSpin(dialog, *form, "left", PrismelText(ETextId::Left), width - 1, data->m_nCropLeft);
    QSpinBox* top = AddSpin(dialog, *form, "top", PrismelText(ETextId::Top), height - 1, data->m_nCropTop);
    QSpinBox* w = AddSpin(dialog, *form, "width", PrismelText(ETextId::Width), width,
                          data->m_nCropWidth > 0 ? data->m_nCropWidth : width);
    QSpinBox* h = AddSpin(dialog, *form, "height", PrismelText(ETextId::Height), height,
                          data->m_nCropHeight > 0 ? data->m_nCropHeight : height);
    auto* effect = new QComboBox(&dialog);
    effect->setObjectName("effect");
    effect->addItem(Q(PrismelText(ETextId::NoEffect)));
    for (int id = 1; id <= PrismelEffectCount(); ++id) effect->addItem(Q(PrismelEffectText(id)));
    effect->setCurrentIndex(data->m_nEffectId >= 0 && data->m_nEffectId <= PrismelEffectCount() ? data->m_nEffectId : 0);
    form->addRow(Q(PrismelText(ETextId::Effect)), effect);
    AddButtons(dialog, *form);
    if (dialog.exec() != QDialog::Accepted) return 0;

    int l = left->value(), t = top->value(), cw = w->value(), ch = h->value();
    // The whole frame is no crop.
    if (l == 0 && t == 0 && cw == width && ch == height) cw = ch = 0;
    const int rc = PrismelApplyCrop(media, l, t, cw, ch, effect->currentIndex());
    return rc < 0 ? 0 : rc;
}

}
