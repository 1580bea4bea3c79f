#include "ui/desktop/QtDesktop.h"
#include "ui/desktop/ChosenNames.h"
#include "ui/UILanguage.h"
#include "ui/UIWindow.h"
#include <QBoxLayout>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSlider>
#include <QStringList>
#include <QWidget>

namespace {
QWidget* OwnerWidget(HWND owner)
{
    CWindowWnd* wnd = owner ? CWindowWnd::FromHandle(owner) : nullptr;
    return wnd ? wnd->GetWidget() : nullptr;
}

// Gives the keyboard back to the owner once its dialog closed, as our own
// modal windows do; Qt leaves no window active.
struct CGiveBackKeyboard {
    QPointer<QWidget> owner;
    ~CGiveBackKeyboard()
    {
        if (owner) owner->activateWindow();
    }
};

// A filter's name in the UI language: "Subtitle Files" as a whole, "MP3
// Files (*.mp3)" by the words before its patterns.
std::wstring TranslatedFilterName(const std::wstring& name)
{
    const CLanguageManager* language = CLanguageManager::GetInstance();
    const size_t open = name.rfind(L" (");
    if (open == std::wstring::npos || name.back() != L')' || name.find(L'*', open) == std::wstring::npos)
        return language->TranslateDictionary(name);
    return language->TranslateDictionary(name.substr(0, open)) + name.substr(open);
}

QString QtFilters(const CFileRequest& request, QString* selected)
{
    QStringList list;
    for (CFileFilter f : request.filters) {
        f.name = TranslatedFilterName(f.name);
        list << QString::fromStdWString(FormatFilterForQt(f));
    }
    if (selected && request.filterIndex >= 0 && request.filterIndex < list.size()) *selected = list[request.filterIndex];
    return list.join(QStringLiteral(";;"));
}

QColor FromColorRef(DWORD colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF), static_cast<int>((colour >> 16) & 0xFF));
}

DWORD ToColorRef(const QColor& c)
{
    return static_cast<DWORD>(c.red()) | (static_cast<DWORD>(c.green()) << 8) | (static_cast<DWORD>(c.blue()) << 16);
}

// The custom colours start as a fixed row once per process; the user's own
// choices stay for the rest of it.
void InitCustomColours()
{
    static const bool done = [] {
        static const DWORD start[16] = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFF00FF, 0x00FFFF,
                                        0x000080, 0x008000, 0x800000, 0x404040, 0x808080, 0xC0C0C0, 0x000000, 0x000000};
        for (int i = 0; i < 16 && i < QColorDialog::customCount(); ++i) QColorDialog::setCustomColor(i, FromColorRef(start[i]));
        return true;
    }();
    (void)done;
}

QString PercentText(int transparency)
{
    return QStringLiteral("%1%").arg(transparency * 100 / 255);
}

// The folder itself, else the nearest folder above it that exists, else
// the home folder: a chooser started where it can list and make folders.
QString ExistingFolder(const std::wstring& wanted)
{
    QString folder = QString::fromStdWString(wanted);
    if (folder.isEmpty()) return folder;
    while (!QDir(folder).exists()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder) return QDir::homePath();
        folder = parent;
    }
    return folder;
}

QString StartPath(const CFileRequest& request)
{
    QString folder = ExistingFolder(request.folder);
    if (request.fileName.empty()) return folder;
    return folder.isEmpty() ? QString::fromStdWString(request.fileName) : folder + QLatin1Char('/') + QString::fromStdWString(request.fileName);
}
}  // namespace

int CQtMessageBox::Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)
{
    CGiveBackKeyboard back{OwnerWidget(owner)};
    QMessageBox box(OwnerWidget(owner));
    box.setWindowTitle(QString::fromStdWString(caption));
    box.setTextFormat(Qt::PlainText);
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

namespace {
// Qt's dialog for several files, which also closes when a chosen name holds
// a double quote (Qt's own reading of its name field refuses such a list).
class COpenFilesDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    QStringList Chosen() const { return m_chosen.isEmpty() ? selectedFiles() : m_chosen; }

protected:
    void accept() override
    {
        m_chosen.clear();
        const QDir folder = directory();
        auto isFile = [&](const QString& name) { return QFileInfo(folder, name).isFile(); };
        QStringList names;
        if (auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            names = SplitChosenNames(field->text(), isFile);
        if (names.size() > 1 && names.join(QString()).contains(u'"')) {
            for (const QString& name : names) m_chosen.push_back(folder.absoluteFilePath(name));
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }

private:
    QStringList m_chosen;
};
}  // namespace

std::vector<std::wstring> CQtFileChooser::OpenFiles(const CFileRequest& request)
{
    QString selected;
    QString filters = QtFilters(request, &selected);
    QWidget* parent = OwnerWidget(request.owner);
    CGiveBackKeyboard back{parent};
    QString title = QString::fromStdWString(request.title);
    std::vector<std::wstring> out;
    if (request.multiSelect) {
        COpenFilesDialog dialog(parent, title, StartPath(request), filters);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        if (!selected.isEmpty()) dialog.selectNameFilter(selected);
        if (dialog.exec() == QDialog::Accepted)
            for (const QString& f : dialog.Chosen()) out.push_back(RealChosenPath(f));
    } else {
        QString f = QFileDialog::getOpenFileName(parent, title, StartPath(request), filters, &selected);
        if (!f.isEmpty()) out.push_back(RealChosenPath(f));
    }
    return out;
}

std::wstring CQtFileChooser::SaveFile(const CFileRequest& request)
{
    QString selected;
    QString filters = QtFilters(request, &selected);
    CGiveBackKeyboard back{OwnerWidget(request.owner)};
    return RealChosenPath(QFileDialog::getSaveFileName(OwnerWidget(request.owner), QString::fromStdWString(request.title),
                                                       StartPath(request), filters, &selected));
}

std::wstring CQtFileChooser::ChooseFolder(HWND owner, const std::wstring& title, const std::wstring& start)
{
    // A folder not made yet (the output folder before the first conversion)
    // is offered from its nearest existing parent, where it can be made.
    CGiveBackKeyboard back{OwnerWidget(owner)};
    return RealChosenPath(QFileDialog::getExistingDirectory(OwnerWidget(owner), QString::fromStdWString(title),
                                                            ExistingFolder(start)));
}

bool CQtColourChooser::Choose(HWND owner, DWORD initial, DWORD& chosen)
{
    InitCustomColours();
    CGiveBackKeyboard back{OwnerWidget(owner)};
    QColor c = QColorDialog::getColor(FromColorRef(initial), OwnerWidget(owner));
    if (!c.isValid()) return false;
    chosen = ToColorRef(c);
    return true;
}

bool CQtColourChooser::ChooseWithTransparency(HWND owner, DWORD initial, const std::wstring& transparencyLabel,
                                              DWORD& chosen)
{
    InitCustomColours();
    CGiveBackKeyboard back{OwnerWidget(owner)};
    QDialog dialog(OwnerWidget(owner));
    auto* layout = new QVBoxLayout(&dialog);
    auto* colours = new QColorDialog(FromColorRef(initial), &dialog);
    colours->setWindowFlags(Qt::Widget);
    colours->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle(colours->windowTitle());
    layout->addWidget(colours);

    // The transparency row: label, percentage and a slider over 0..255.
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QString::fromStdWString(transparencyLabel), &dialog);
    auto* percent = new QLabel(&dialog);
    percent->setObjectName(QStringLiteral("transparencyPercent"));
    percent->setMinimumWidth(40);
    auto* slider = new QSlider(Qt::Horizontal, &dialog);
    slider->setObjectName(QStringLiteral("transparencySlider"));
    slider->setRange(0, 255);
    slider->setValue(static_cast<int>((initial >> 24) & 0xFF));
    percent->setText(PercentText(slider->value()));
    QObject::connect(slider, &QSlider::valueChanged, percent, [percent](int value) { percent->setText(PercentText(value)); });
    row->addWidget(label);
    row->addWidget(percent);
    row->addWidget(slider, 1);
    layout->addLayout(row);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    if (dialog.exec() != QDialog::Accepted) return false;
    chosen = ToColorRef(colours->currentColor()) | (static_cast<DWORD>(slider->value()) << 24);
    return true;
}
