#include "ui/desktop/MimeNames.h"

#include "platform/text.h"

#include <QByteArray>
#include <QList>
#include <QMimeData>
#include <QString>

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

std::wstring ToWide(const QByteArray& bytes) { return Utf8ToWide(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))); }

// The local path of one URI-list line; empty when it names no local file.
QByteArray LocalPathOf(QByteArray line)
{
    line = line.trimmed();
    if (!line.toLower().startsWith("file:")) return QByteArray();
    QByteArray rest = line.mid(5);
    // A query or fragment is no part of the path.
    for (qsizetype i = 0; i < rest.size(); ++i)
        if (rest[i] == '?' || rest[i] == '#') {
            rest.truncate(i);
            break;
        }
    if (rest.startsWith("//")) {
        const qsizetype slash = rest.indexOf('/', 2);
        if (slash < 0) return QByteArray();
        const QByteArray host = rest.mid(2, slash - 2).toLower();
        if (!host.isEmpty() && host != "localhost") return QByteArray();
        rest = rest.mid(slash);
    }
    if (!rest.startsWith('/')) return QByteArray();
    return QByteArray::fromPercentEncoding(rest);
}

}  // namespace

std::vector<std::wstring> LocalFilesOf(const QMimeData* data)
{
    std::vector<std::wstring> files;
    if (!data || !data->hasFormat(kUriList)) return files;
    for (const QByteArray& line : data->data(kUriList).split('\n')) {
        if (line.trimmed().startsWith('#')) continue;
        const QByteArray path = LocalPathOf(line);
        if (!path.isEmpty()) files.push_back(ToWide(path));
    }
    return files;
}

std::wstring PlainTextOf(const QMimeData* data)
{
    if (!data) return std::wstring();
    for (const QString& type : {QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("text/plain")})
        if (data->hasFormat(type)) return ToWide(data->data(type));
    return data->text().toStdWString();
}

QMimeData* MimeDataForFiles(const std::vector<std::wstring>& files)
{
    QByteArray list;
    for (const std::wstring& file : files) {
        const std::string bytes = WideToUtf8(file);
        list += "file://" + QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toPercentEncoding("/") + "\r\n";
    }
    auto* data = new QMimeData;
    data->setData(kUriList, list);
    return data;
}
