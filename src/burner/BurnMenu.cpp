// Menu pictures and template previews (GetXMLImg), drawn with Qt.
#include "BurnMenu.h"

#include "Burner.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "ui/UIMarkup.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryFile>
#include <QString>

#include <algorithm>
#include <filesystem>

namespace {

unsigned ParseColour(const std::wstring& text, unsigned fallback)
{
    const QColor c(QString::fromStdWString(text));
    return c.isValid() ? static_cast<unsigned>(c.rgba()) : fallback;
}

QString Q(const std::wstring& text) { return QString::fromStdWString(text); }

struct SLayout {
    QRect titleRect;
    std::vector<QRect> labels;  // in the square picture
};

// Labels in one column up to six titles, else two; the title above them.
SLayout Place(int width, int height, int count)
{
    SLayout layout;
    const int marginX = width / 10;
    const int top = height / 10;
    layout.titleRect = QRect(marginX, top, width - 2 * marginX, height / 6);
    const int columns = count > 6 ? 2 : 1;
    const int rows = std::max(1, (count + columns - 1) / columns);
    const int areaTop = layout.titleRect.bottom() + height / 20;
    const int areaHeight = height - height / 10 - areaTop;
    const int rowHeight = std::min(areaHeight / rows, height / 10);
    const int columnWidth = (width - 2 * marginX) / columns;
    for (int i = 0; i < count; ++i) {
        const int column = i / rows;
        const int row = i % rows;
        layout.labels.emplace_back(marginX + column * columnWidth, areaTop + row * rowHeight, columnWidth - 8, rowHeight - 4);
    }
    return layout;
}

QFont FontOf(int pixels, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(8, pixels));
    font.setBold(bold);
    return font;
}

// The background: gradient (or the user's picture), title and labels.
QImage DrawBackground(const SMenuTemplate& look, const std::wstring& picture, const std::wstring& title,
                      const std::vector<std::wstring>& labels, int width, int height, const SLayout& layout)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QImage own;
    if (!picture.empty() && own.load(Q(picture))) {
        p.drawImage(image.rect(), own);
    } else {
        QLinearGradient gradient(0, 0, 0, height);
        gradient.setColorAt(0, QColor::fromRgba(look.top));
        gradient.setColorAt(1, QColor::fromRgba(look.bottom));
        p.fillRect(image.rect(), gradient);
    }
    p.setPen(QColor::fromRgba(look.title));
    p.setFont(FontOf(layout.titleRect.height() / 2, true));
    p.drawText(layout.titleRect, Qt::AlignCenter | Qt::TextSingleLine, Q(title));
    p.setPen(QColor::fromRgba(look.text));
    for (size_t i = 0; i < labels.size() && i < layout.labels.size(); ++i) {
        const QRect& r = layout.labels[i];
        p.setFont(FontOf(r.height() * 5 / 10, false));
        const QString text = p.fontMetrics().elidedText(Q(labels[i]), Qt::ElideRight, r.width() - r.height());
        p.drawText(r.adjusted(r.height(), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
    return image;
}

// A mark per button: a bar left of its label, one colour, no blending (the
// subpicture takes few colours).
QImage DrawMarks(unsigned colour, int width, int height, const std::vector<SMenuButton>& buttons)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    for (const SMenuButton& b : buttons) {
        const int h = b.y1 - b.y0;
        p.fillRect(QRect(b.x0 + 4, b.y0 + h / 4, h / 3, h / 2), QColor::fromRgba(colour));
        p.fillRect(QRect(b.x0 + h, b.y1 - 4, b.x1 - b.x0 - h, 3), QColor::fromRgba(colour));
    }
    return image;
}

int Even(int v) { return v & ~1; }

}  // namespace

bool LoadMenuTemplate(const std::wstring& path, SMenuTemplate& out)
{
    CMarkup xml;
    if (!xml.LoadFromFile(path) || !xml.GetRoot() || xml.GetRoot()->name != L"MenuTemplate") return false;
    const CMarkupElement* root = xml.GetRoot();
    out.name = root->GetAttribute(L"name");
    out.top = ParseColour(root->GetAttribute(L"top"), out.top);
    out.bottom = ParseColour(root->GetAttribute(L"bottom"), out.bottom);
    out.title = ParseColour(root->GetAttribute(L"title"), out.title);
    out.text = ParseColour(root->GetAttribute(L"text"), out.text);
    out.highlight = ParseColour(root->GetAttribute(L"highlight"), out.highlight);
    out.select = ParseColour(root->GetAttribute(L"select"), out.select);
    return true;
}

bool DrawMenuPictures(const SBurnJob& job, const SMenuTemplate& look, std::vector<SMenuButton>& buttons)
{
    // Drawn with square pixels, stored at the disc's 720 columns.
    const int height = job.ntsc ? 480 : 576;
    const int squareWidth = height * 4 / 3;
    const int count = std::min(static_cast<int>(job.files.size()), kMaxMenuButtons);
    std::vector<std::wstring> labels;
    for (int i = 0; i < count; ++i) labels.push_back(job.files[static_cast<size_t>(i)].title);
    const SLayout layout = Place(squareWidth, height, count);
    const QImage square = DrawBackground(look, job.menu.useBackgroundImage ? job.menu.backgroundImage : std::wstring(),
                                         job.menu.menuTitle, labels, squareWidth, height, layout);
    const QImage background = square.scaled(720, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    buttons.clear();
    for (const QRect& r : layout.labels) {
        SMenuButton b;
        b.x0 = Even(r.left() * 720 / squareWidth);
        b.x1 = Even(r.right() * 720 / squareWidth);
        b.y0 = Even(r.top());
        b.y1 = Even(r.bottom());
        buttons.push_back(b);
    }
    return background.save(Q(MenuPicture(job)), "PNG") &&
           DrawMarks(look.highlight, 720, height, buttons).save(Q(MenuHighlight(job)), "PNG") &&
           DrawMarks(look.select, 720, height, buttons).save(Q(MenuSelect(job)), "PNG");
}

std::wstring GetXMLImg(const wchar_t* templatePath)
{
    SMenuTemplate look;
    if (!templatePath || !LoadMenuTemplate(templatePath, look)) return {};
    const int width = 192;
    const int height = 144;
    const std::vector<std::wstring> labels = {L"Title 1", L"Title 2", L"Title 3"};
    const SLayout layout = Place(width, height, static_cast<int>(labels.size()));
    QImage image = DrawBackground(look, {}, look.name, labels, width, height, layout);
    {
        QPainter p(&image);
        const QRect& first = layout.labels.front();
        p.fillRect(QRect(first.left() + 2, first.top() + first.height() / 4, first.height() / 3, first.height() / 2),
                   QColor::fromRgba(look.highlight));
    }
    // Each caller gets a file of its own, which it removes when done: other
    // windows or copies of the program keep their previews.
    const std::wstring stem = WideFromPath(PathFromWide(templatePath).stem());
    QTemporaryFile file(Q(GetTempFolder() + L"/vxm_menu_" + stem + L"_XXXXXX.png"));
    file.setAutoRemove(false);
    if (!file.open()) return {};
    const std::wstring out = file.fileName().toStdWString();
    if (!image.save(&file, "PNG")) {
        file.remove();
        return {};
    }
    file.close();
    return out;
}
