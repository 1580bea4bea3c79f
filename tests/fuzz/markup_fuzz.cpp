// libFuzzer target: any bytes as a skin or language file. The markup loads
// or is refused, never nests deeper than its limit (256), and frees without a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "ui/UIMarkup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CMarkup markup;
    if (!markup.Load(Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data), size)))) return 0;
    // Walk every element without recursion, checking the depth limit.
    std::vector<std::pair<const CMarkupElement*, int>> work{{markup.GetRoot(), 1}};
    while (!work.empty()) {
        auto [element, depth] = work.back();
        work.pop_back();
        if (!element || depth > 256) __builtin_trap();  // the markup's depth limit
        element->GetAttribute(L"name");
        for (const auto& child : element->children) work.emplace_back(child.get(), depth + 1);
    }
    return 0;
}
