#include "ui/desktop/QtDesktop.h"
#include "ui/desktop/MimeNames.h"
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
QClipboard* Board() { return QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr; }
}  // namespace

CQtClipboard::CQtClipboard() : m_context(std::make_unique<QObject>()) {}
CQtClipboard::~CQtClipboard() = default;

bool CQtClipboard::HasText() const
{
    const QMimeData* data = Board() ? Board()->mimeData() : nullptr;
    return data && !data->hasUrls() && !PlainTextOf(data).empty();
}

std::wstring CQtClipboard::GetText() const { return HasText() ? PlainTextOf(Board()->mimeData()) : std::wstring(); }

void CQtClipboard::SetText(const std::wstring& text)
{
    if (Board()) Board()->setText(QString::fromStdWString(text));
}

bool CQtClipboard::HasFiles() const { return !GetFiles().empty(); }

std::vector<std::wstring> CQtClipboard::GetFiles() const
{
    return LocalFilesOf(Board() ? Board()->mimeData() : nullptr);
}

void CQtClipboard::SetFiles(const std::vector<std::wstring>& files)
{
    if (Board()) Board()->setMimeData(MimeDataForFiles(files));
}

int CQtClipboard::Subscribe(std::function<void()> onChange)
{
    if (!onChange) return 0;
    if (!m_connected && Board()) {
        QObject::connect(Board(), &QClipboard::dataChanged, m_context.get(), [this] {
            auto copy = m_subscribers;
            for (auto& entry : copy)
                if (m_subscribers.count(entry.first)) entry.second();
        });
        m_connected = true;
    }
    int token = m_nextToken++;
    m_subscribers[token] = std::move(onChange);
    return token;
}

void CQtClipboard::Unsubscribe(int token) { m_subscribers.erase(token); }
