#include "ui/UIImageLookup.h"

#include <QIcon>
#include <QPixmap>

namespace {

void EnsureIconThemes()
{
    static const bool ready = [] {
        // Without a desktop the theme is often unset or bare hicolor.
        if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QLatin1String("hicolor"))
            QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
        if (QIcon::themeName().isEmpty()) QIcon::setThemeName(QStringLiteral("Adwaita"));
        // The system's themes also when the data folders point elsewhere.
        QStringList paths = QIcon::themeSearchPaths();
        if (!paths.contains(QStringLiteral("/usr/share/icons"))) {
            paths.append(QStringLiteral("/usr/share/icons"));
            QIcon::setThemeSearchPaths(paths);
        }
        return true;
    }();
    (void)ready;
}

}  // namespace

std::wstring ThemeIconName(const std::wstring& image)
{
    static const std::wstring prefix = L"icon:";
    if (image.compare(0, prefix.size(), prefix) != 0) return std::wstring();
    return image.substr(prefix.size());
}

QImage LoadThemeIcon(const std::wstring& name, int size)
{
    if (name.empty()) return QImage();
    EnsureIconThemes();
    const QString qname = QString::fromStdWString(name);
    QIcon icon = QIcon::fromTheme(qname);
    if (icon.isNull()) {
        // The user's theme lacks it: the fallback theme directly.
        const QString theme = QIcon::themeName();
        QIcon::setThemeName(QIcon::fallbackThemeName());
        icon = QIcon::fromTheme(qname);
        QIcon::setThemeName(theme);
    }
    if (icon.isNull()) return QImage();
    return icon.pixmap(size, size).toImage();
}

std::wstring SvgTwinName(const std::wstring& file)
{
    const size_t dot = file.rfind(L'.');
    if (dot == std::wstring::npos) return std::wstring();
    std::wstring ext = file.substr(dot);
    for (wchar_t& c : ext) c = static_cast<wchar_t>(towlower(c));
    if (ext != L".png" && ext != L".bmp" && ext != L".jpg") return std::wstring();
    return file.substr(0, dot) + L".svg";
}
