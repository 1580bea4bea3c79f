// libFuzzer entry for the engine's XML parser: any bytes must load into a
// document with a root, write back and load again without a fault.
#include "vxmtranscode/libvxmmedia/profiles/XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void Walk(CXmlElement* root)
{
    // Touch every accessor that decodes or converts stored text.
    std::vector<CXmlElement*> work{root};
    while (!work.empty()) {
        CXmlElement* e = work.back();
        work.pop_back();
        e->GetName();
        for (std::size_t i = 0; i < e->GetVariableCount(); ++i) {
            const CXmlVariable* v = e->GetVariable(i);
            v->GetValue();
            v->GetInt();
            v->GetInt64();
            v->GetFloat();
            XmlDecodeEntities(v->GetRawValue(), 255);
        }
        for (std::size_t i = 0; i < e->GetContentCount(); ++i)
            e->GetContent(i);
        for (std::size_t i = 0; i < e->GetChildCount(); ++i)
            work.push_back(e->GetChild(i));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CXmlDocument doc(text, XML_SOURCE_TEXT);
    CXmlElement* root = doc.GetRoot();
    if (!root || doc.HasPath())
        __builtin_trap();
    Walk(root);
    root->CountElements(-1);
    root->GetMemoryUsage();
    std::unique_ptr<CXmlElement> copy = root->Duplicate();
    if (!copy->IsEqual(*root))
        __builtin_trap();
    root->Query("id >= 1 ? == \"p*\"", -1);
    XmlMatchPattern(text.substr(0, 64), text.substr(text.size() > 64 ? 64 : text.size(), 16));

    std::string written = doc.SaveToString();
    CXmlDocument again(written, XML_SOURCE_TEXT);
    if (!again.GetRoot())
        __builtin_trap();
    again.SaveToString();
    return 0;
}
