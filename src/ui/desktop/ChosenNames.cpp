#include "ui/desktop/ChosenNames.h"

#include "platform/filesystems.h"
#include "platform/text.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

// The entry of `folder` that Qt would show as `shown`; empty when none is.
std::wstring MatchEntry(const std::wstring& folder, const QString& shown)
{
    std::vector<std::wstring> entries = ListFolderEntries(folder.empty() ? std::wstring(L"/") : folder);
    std::sort(entries.begin(), entries.end());
    for (const std::wstring& entry : entries) {
        const std::string raw = WideToUtf8(entry);
        if (QFile::decodeName(QByteArray(raw.data(), static_cast<qsizetype>(raw.size()))) == shown) return entry;
    }
    return std::wstring();
}

}  // namespace

std::wstring RealChosenPath(const QString& chosen)
{
    if (!chosen.contains(QChar::ReplacementCharacter)) return chosen.toStdWString();
    const QStringList parts = chosen.split(QLatin1Char('/'));
    std::wstring path;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        std::wstring name;
        if (part.contains(QChar::ReplacementCharacter)) name = MatchEntry(path, part);
        if (name.empty()) name = part.toStdWString();
        if (i > 0) path += L'/';
        path += name;
    }
    return path;
}

QStringList SplitChosenNames(const QString& field, const std::function<bool(const QString&)>& exists)
{
    const QString text = field.trimmed();
    if (text.size() < 2 || !text.startsWith(u'"') || !text.endsWith(u'"')) return {};
    const QString between = QStringLiteral("\" \"");
    QStringList names;
    QString name;
    bool open = false;
    for (const QString& piece : text.mid(1, text.size() - 2).split(between)) {
        name = open ? name + between + piece : piece;
        open = !exists(name);
        if (!open) names.push_back(name);
    }
    if (open) return {};
    return names;
}
