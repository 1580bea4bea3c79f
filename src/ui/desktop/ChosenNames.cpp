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
