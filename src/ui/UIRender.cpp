#include "ui/UIRender.h"
#include "ui/UIManager.h"
#include <QFontMetrics>
#include <QPainter>
#include <QTextOption>
#include <algorithm>
#include <cwctype>
#include <vector>

bool IntersectRect(RECT* out, const RECT& a, const RECT& b)
{
    RECT r = MakeRect(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom));
    if (IsRectEmpty(r)) {
        *out = RECT();
        return false;
    }
    *out = r;
    return true;
}

DWORD ParseColor(const std::wstring& text)
{
    std::wstring t = text;
    while (!t.empty() && iswspace(t.front())) t.erase(t.begin());
    if (!t.empty() && t[0] == L'#') t.erase(0, 1);
    else if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) t.erase(0, 2);
    if (t.empty()) return 0;
    for (wchar_t c : t)
        if (!iswxdigit(c)) return 0;
    DWORD value = static_cast<DWORD>(std::wcstoul(t.c_str(), nullptr, 16));
    if (t.size() <= 6) value |= 0xFF000000;
    return value;
}

static std::vector<long> ParseNumbers(const std::wstring& text)
{
    std::vector<long> out;
    const wchar_t* p = text.c_str();
    while (*p) {
        wchar_t* end = nullptr;
        long v = std::wcstol(p, &end, 10);
        if (end == p) {
            ++p;
            continue;
        }
        out.push_back(v);
        p = end;
    }
    return out;
}

RECT ParseRect(const std::wstring& text)
{
    std::vector<long> v = ParseNumbers(text);
    v.resize(4, 0);
    return MakeRect(v[0], v[1], v[2], v[3]);
}

SIZE ParseSize(const std::wstring& text)
{
    std::vector<long> v = ParseNumbers(text);
    v.resize(2, 0);
    SIZE s;
    s.cx = v[0];
    s.cy = v[1];
    return s;
}

bool ParseBool(const std::wstring& text)
{
    return text == L"true" || text == L"True" || text == L"TRUE" || text == L"1";
}

TDrawInfo ParseImageString(const std::wstring& text)
{
    TDrawInfo info;
    if (text.find(L'=') == std::wstring::npos) {
        info.file = text;
    } else {
        size_t i = 0;
        const size_t n = text.size();
        while (i < n) {
            while (i < n && iswspace(text[i])) ++i;
            size_t ks = i;
            while (i < n && text[i] != L'=') ++i;
            std::wstring key = text.substr(ks, i - ks);
            while (!key.empty() && iswspace(key.back())) key.pop_back();
            if (i >= n) break;
            ++i;
            while (i < n && iswspace(text[i])) ++i;
            std::wstring value;
            if (i < n && (text[i] == L'\'' || text[i] == L'"')) {
                wchar_t q = text[i++];
                size_t vs = i;
                while (i < n && text[i] != q) ++i;
                value = text.substr(vs, i - vs);
                if (i < n) ++i;
            } else {
                size_t vs = i;
                while (i < n && !iswspace(text[i])) ++i;
                value = text.substr(vs, i - vs);
            }
            if (key == L"file" || key == L"res") info.file = value;
            else if (key == L"source") { info.source = ParseRect(value); info.hasSource = true; }
            else if (key == L"corner") info.corner = ParseRect(value);
            else if (key == L"dest") { info.dest = ParseRect(value); info.hasDest = true; }
            else if (key == L"align") info.centered = value == L"center";
            else if (key == L"fade") info.fade = std::clamp(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)), 0, 255);
            else if (key == L"hole") info.hole = ParseBool(value);
            else if (key == L"xtiled") info.xtiled = ParseBool(value);
            else if (key == L"ytiled") info.ytiled = ParseBool(value);
            else if (key == L"mask") info.mask = ParseColor(value);
        }
    }
    std::replace(info.file.begin(), info.file.end(), L'\\', L'/');
    return info;
}

static QColor ToQColor(DWORD argb)
{
    return QColor((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, (argb >> 24) & 0xFF);
}

CPaintClip::CPaintClip(QPainter& painter, const QRect& rc) : m_painter(painter)
{
    painter.save();
    painter.setClipRect(rc, Qt::IntersectClip);
}

CPaintClip::~CPaintClip() { m_painter.restore(); }

void CRenderEngine::DrawColor(QPainter& painter, const RECT& rc, DWORD argb)
{
    if (IsRectEmpty(rc) || (argb >> 24) == 0) return;
    painter.fillRect(ToQRect(rc), ToQColor(argb));
}

void CRenderEngine::DrawBorder(QPainter& painter, const RECT& rc, int size, DWORD argb)
{
    if (IsRectEmpty(rc) || size <= 0) return;
    QColor c = ToQColor(argb);
    QRect r = ToQRect(rc);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), size), c);
    painter.fillRect(QRect(r.left(), r.bottom() - size + 1, r.width(), size), c);
    painter.fillRect(QRect(r.left(), r.top(), size, r.height()), c);
    painter.fillRect(QRect(r.right() - size + 1, r.top(), size, r.height()), c);
}

// Draws `src` of the image into `dst` with the corners kept unscaled (nine parts).
static void DrawNinePatch(QPainter& painter, const QImage& image, const QRect& dst, const QRect& src, const RECT& corner, bool hole)
{
    int l = corner.left, t = corner.top, r = corner.right, b = corner.bottom;
    if (l + r > src.width() || t + b > src.height() || l + r > dst.width() || t + b > dst.height()) {
        painter.drawImage(dst, image, src);
        return;
    }
    const int sx[4] = {src.left(), src.left() + l, src.left() + src.width() - r, src.left() + src.width()};
    const int sy[4] = {src.top(), src.top() + t, src.top() + src.height() - b, src.top() + src.height()};
    const int dx[4] = {dst.left(), dst.left() + l, dst.left() + dst.width() - r, dst.left() + dst.width()};
    const int dy[4] = {dst.top(), dst.top() + t, dst.top() + dst.height() - b, dst.top() + dst.height()};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            if (hole && row == 1 && col == 1) continue;
            QRect s(sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row]);
            QRect d(dx[col], dy[row], dx[col + 1] - dx[col], dy[row + 1] - dy[row]);
            if (s.isEmpty() || d.isEmpty()) continue;
            painter.drawImage(d, image, s);
        }
    }
}

bool CRenderEngine::DrawImageString(QPainter& painter, CPaintManagerUI* manager, const RECT& rcItem, const RECT& rcPaint,
                                    const std::wstring& image, const std::wstring& modify)
{
    if (!manager || image.empty()) return false;
    TDrawInfo info = ParseImageString(image);
    if (!modify.empty()) {
        TDrawInfo mod = ParseImageString(modify);
        if (mod.hasSource) { info.source = mod.source; info.hasSource = true; }
        if (mod.hasDest) { info.dest = mod.dest; info.hasDest = true; }
        if (modify.find(L"corner") != std::wstring::npos) info.corner = mod.corner;
        if (modify.find(L"fade") != std::wstring::npos) info.fade = mod.fade;
    }
    const QImage* img = manager->GetImage(info.file);
    if (!img || img->isNull()) return false;
    QImage masked;
    if (info.mask != 0) {
        masked = img->convertToFormat(QImage::Format_ARGB32);
        const QRgb key = info.mask | 0xFF000000;
        for (int y = 0; y < masked.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
            for (int x = 0; x < masked.width(); ++x)
                if ((line[x] | 0xFF000000) == key) line[x] = 0;
        }
        img = &masked;
    }
    QRect src = info.hasSource ? ToQRect(info.source) : img->rect();
    src = src.intersected(img->rect());
    RECT rcDest = rcItem;
    if (info.centered) {
        const int w = info.hasDest ? info.dest.right - info.dest.left : src.width();
        const int h = info.hasDest ? info.dest.bottom - info.dest.top : src.height();
        const int left = (rcItem.left + rcItem.right - w) / 2;
        const int top = (rcItem.top + rcItem.bottom - h) / 2;
        rcDest = MakeRect(left, top, left + w, top + h);
    } else if (info.hasDest) {
        rcDest = MakeRect(rcItem.left + info.dest.left, rcItem.top + info.dest.top,
                          rcItem.left + info.dest.right, rcItem.top + info.dest.bottom);
        rcDest.right = std::min(rcDest.right, rcItem.right);
        rcDest.bottom = std::min(rcDest.bottom, rcItem.bottom);
    }
    RECT clip;
    if (!IntersectRect(&clip, rcDest, rcPaint) || src.isEmpty()) return true;
    CPaintClip clipScope(painter, clip);
    painter.setOpacity(painter.opacity() * info.fade / 255.0);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QRect dst = ToQRect(rcDest);
    if (info.xtiled || info.ytiled) {
        int stepX = info.xtiled ? src.width() : dst.width();
        int stepY = info.ytiled ? src.height() : dst.height();
        for (int y = dst.top(); y < dst.top() + dst.height(); y += stepY)
            for (int x = dst.left(); x < dst.left() + dst.width(); x += stepX)
                painter.drawImage(QRect(x, y, stepX, stepY), *img, src);
    } else {
        DrawNinePatch(painter, *img, dst, src, info.corner, info.hole);
    }
    return true;
}

static int ToQtFlags(UINT style)
{
    int flags = 0;
    if (style & DT_CENTER) flags |= Qt::AlignHCenter;
    else if (style & DT_RIGHT) flags |= Qt::AlignRight;
    else flags |= Qt::AlignLeft;
    if (style & DT_VCENTER) flags |= Qt::AlignVCenter;
    else if (style & DT_BOTTOM) flags |= Qt::AlignBottom;
    else flags |= Qt::AlignTop;
    if ((style & DT_WORDBREAK) && !(style & DT_SINGLELINE)) flags |= Qt::TextWordWrap;
    if (style & DT_SINGLELINE) flags |= Qt::TextSingleLine;
    return flags;
}

std::wstring WithoutMnemonicMarks(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'&') out += text[i];
        else if (i + 1 < text.size() && text[i + 1] == L'&') out += text[++i];
    }
    return out;
}

static QString Prepared(const std::wstring& text, UINT style)
{
    QString s = QString::fromStdWString(text);
    if (style & DT_HIDEPREFIX) s = QString::fromStdWString(WithoutMnemonicMarks(text));
    if (style & DT_SINGLELINE) s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

void CRenderEngine::DrawText(QPainter& painter, CPaintManagerUI* manager, const RECT& rc, const std::wstring& text,
                             DWORD argb, int font, UINT style)
{
    if (text.empty() || IsRectEmpty(rc)) return;
    QFont f = manager ? manager->GetFont(font) : QFont();
    QString s = Prepared(text, style);
    QRect r = ToQRect(rc);
    painter.save();
    painter.setFont(f);
    painter.setPen(ToQColor(argb));
    if (!(style & DT_NOCLIP)) painter.setClipRect(r, Qt::IntersectClip);
    if ((style & DT_END_ELLIPSIS) && !(style & DT_WORDBREAK)) {
        QFontMetrics fm(f);
        s = fm.elidedText(s, Qt::ElideRight, r.width());
    }
    painter.drawText(r, ToQtFlags(style), s);
    painter.restore();
}

SIZE CRenderEngine::MeasureText(CPaintManagerUI* manager, const std::wstring& text, int font, UINT style, int width)
{
    QFont f = manager ? manager->GetFont(font) : QFont();
    QFontMetrics fm(f);
    QRect bound(0, 0, width > 0 ? width : 100000, 100000);
    QRect r = fm.boundingRect(bound, ToQtFlags(style), Prepared(text, style));
    SIZE s;
    s.cx = r.width();
    s.cy = r.height();
    return s;
}

namespace {

const QColor kMarkAccent(0x3A, 0x6E, 0xA5);
const QColor kMarkEdge(0x8A, 0x97, 0xA8);

}  // namespace

void CRenderEngine::DrawCheckMark(QPainter& painter, const QRectF& box, bool checked, bool hot, bool enabled)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!enabled) painter.setOpacity(0.45);
    painter.setPen(QPen(checked || hot ? kMarkAccent : kMarkEdge, 1.2));
    painter.setBrush(checked ? kMarkAccent : QColor(Qt::white));
    painter.drawRoundedRect(box, 2.5, 2.5);
    if (checked) {
        QPen tick(Qt::white, 2.0);
        tick.setCapStyle(Qt::RoundCap);
        tick.setJoinStyle(Qt::RoundJoin);
        painter.setPen(tick);
        const double left = box.left() - 0.5, top = box.top() - 0.5, s = box.width() + 1;
        const QPointF points[] = {QPointF(left + s * 0.22, top + s * 0.52), QPointF(left + s * 0.42, top + s * 0.72),
                                  QPointF(left + s * 0.78, top + s * 0.30)};
        painter.drawPolyline(points, 3);
    }
    painter.restore();
}

void CRenderEngine::DrawRadioMark(QPainter& painter, const QRectF& box, bool checked, bool hot, bool enabled)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!enabled) painter.setOpacity(0.45);
    painter.setPen(QPen(checked || hot ? kMarkAccent : kMarkEdge, 1.2));
    painter.setBrush(QColor(Qt::white));
    painter.drawEllipse(box);
    if (checked) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kMarkAccent);
        const double inset = box.width() * 0.28;
        painter.drawEllipse(box.adjusted(inset, inset, -inset, -inset));
    }
    painter.restore();
}
