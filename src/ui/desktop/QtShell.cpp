#include "ui/desktop/QtDesktop.h"
#include "platform/desktop.h"
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

bool CQtShell::Open(const std::wstring& target)
{
    QString t = QString::fromStdWString(target);
    if (t.isEmpty()) return false;
    QUrl url = t.contains(QStringLiteral("://")) || t.startsWith(QStringLiteral("mailto:")) ? QUrl(t) : QUrl::fromLocalFile(t);
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool CQtShell::ShowInFolder(const std::wstring& path)
{
    QFileInfo info(QString::fromStdWString(path));
    if (info.isFile()) return ShowFileInFileManager(info.absoluteFilePath().toStdWString());
    QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    if (!QFileInfo(folder).isDir()) return false;
    return OpenFolderInFileManager(folder.toStdWString());
}
