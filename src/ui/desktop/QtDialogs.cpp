#include "ui/desktop/QtDesktop.h"
#include "ui/UIWindow.h"
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QWidget>

namespace {
QWidget* OwnerWidget(HWND owner)
{
    CWindowWnd* wnd = owner ? CWindowWnd::FromHandle(owner) : nullptr;
    return wnd ? wnd->GetWidget() : nullptr;
}

QString QtFilters(const CFileRequest& request, QString* selected)
{
    QStringList list;
    for (const CFileFilter& f : request.filters) list << QString::fromStdWString(FormatFilterForQt(f));
    if (selected && request.filterIndex >= 0 && request.filterIndex < list.size()) *selected = list[request.filterIndex];
    return list.join(QStringLiteral(";;"));
}

QString StartPath(const CFileRequest& request)
{
    QString folder = QString::fromStdWString(request.folder);
    if (request.fileName.empty()) return folder;
    return folder.isEmpty() ? QString::fromStdWString(request.fileName) : folder + QLatin1Char('/') + QString::fromStdWString(request.fileName);
}
}  // namespace

int CQtMessageBox::Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)
{
    QMessageBox box(OwnerWidget(owner));
    box.setWindowTitle(QString::fromStdWString(caption));
    box.setText(QString::fromStdWString(text));
    switch (type & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    switch (type & 0x0F) {
    case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB_YESNOCANCEL: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MB_RETRYCANCEL: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return static_cast<int>(IDOK);
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Retry: return IDRETRY;
    default:
        // Closing a yes/no box without an answer means no.
        return (type & 0x0F) == MB_YESNO ? IDNO : static_cast<int>(IDCANCEL);
    }
}

std::vector<std::wstring> CQtFileChooser::OpenFiles(const CFileRequest& request)
{
    QString selected;
    QString filters = QtFilters(request, &selected);
    QWidget* parent = OwnerWidget(request.owner);
    QString title = QString::fromStdWString(request.title);
    std::vector<std::wstring> out;
    if (request.multiSelect) {
        for (const QString& f : QFileDialog::getOpenFileNames(parent, title, StartPath(request), filters, &selected))
            out.push_back(f.toStdWString());
    } else {
        QString f = QFileDialog::getOpenFileName(parent, title, StartPath(request), filters, &selected);
        if (!f.isEmpty()) out.push_back(f.toStdWString());
    }
    return out;
}

std::wstring CQtFileChooser::SaveFile(const CFileRequest& request)
{
    QString selected;
    QString filters = QtFilters(request, &selected);
    return QFileDialog::getSaveFileName(OwnerWidget(request.owner), QString::fromStdWString(request.title), StartPath(request),
                                        filters, &selected)
        .toStdWString();
}

std::wstring CQtFileChooser::ChooseFolder(HWND owner, const std::wstring& title, const std::wstring& start)
{
    return QFileDialog::getExistingDirectory(OwnerWidget(owner), QString::fromStdWString(title), QString::fromStdWString(start))
        .toStdWString();
}

bool CQtColourChooser::Choose(HWND owner, DWORD initial, DWORD& chosen)
{
    QColor start(static_cast<int>(initial & 0xFF), static_cast<int>((initial >> 8) & 0xFF), static_cast<int>((initial >> 16) & 0xFF));
    QColor c = QColorDialog::getColor(start, OwnerWidget(owner));
    if (!c.isValid()) return false;
    chosen = static_cast<DWORD>(c.red()) | (static_cast<DWORD>(c.green()) << 8) | (static_cast<DWORD>(c.blue()) << 16);
    return true;
}
