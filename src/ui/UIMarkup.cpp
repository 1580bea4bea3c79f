#include "ui/UIMarkup.h"
#include <QFile>
#include <QXmlStreamReader>

bool CMarkupElement::HasAttribute(const std::wstring& attr) const
{
    for (const auto& a : attributes)
        if (a.first == attr) return true;
    return false;
}

std::wstring CMarkupElement::GetAttribute(const std::wstring& attr, const std::wstring& fallback) const
{
    for (const auto& a : attributes)
        if (a.first == attr) return a.second;
    return fallback;
}

// Deepest nesting of elements a skin or language file may have.
constexpr size_t kMarkupMaxDepth = 256;

static bool ParseXml(QXmlStreamReader& reader, std::unique_ptr<CMarkupElement>& root, std::wstring& error)
{
    std::vector<CMarkupElement*> stack;
    while (!reader.atEnd()) {
        QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (stack.size() >= kMarkupMaxDepth) {
                error = L"elements nested deeper than " + std::to_wstring(kMarkupMaxDepth) + L" (line " +
                        std::to_wstring(reader.lineNumber()) + L")";
                root.reset();
                return false;
            }
            auto element = std::make_unique<CMarkupElement>();
            element->name = reader.name().toString().toStdWString();
            element->line = static_cast<int>(reader.lineNumber());
            for (const QXmlStreamAttribute& a : reader.attributes())
                element->attributes.emplace_back(a.name().toString().toStdWString(), a.value().toString().toStdWString());
            CMarkupElement* raw = element.get();
            if (stack.empty())
                root = std::move(element);
            else
                stack.back()->children.push_back(std::move(element));
            stack.push_back(raw);
        } else if (token == QXmlStreamReader::EndElement) {
            if (!stack.empty()) stack.pop_back();
        }
    }
    if (reader.hasError() || !root) {
        error = reader.hasError()
            ? (reader.errorString() + QStringLiteral(" (line %1)").arg(reader.lineNumber())).toStdWString()
            : std::wstring(L"no root element");
        root.reset();
        return false;
    }
    return true;
}

bool CMarkup::Load(const std::wstring& xml)
{
    Release();
    QXmlStreamReader reader(QString::fromStdWString(xml));
    return ParseXml(reader, m_root, m_error);
}

bool CMarkup::LoadFromFile(const std::wstring& path)
{
    Release();
    QFile file(QString::fromStdWString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = L"cannot open " + path;
        return false;
    }
    QXmlStreamReader reader(&file);
    return ParseXml(reader, m_root, m_error);
}
