#include "platform/fonts.h"

#include "platform/text.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <memory>
#include <set>

namespace {

struct CPatternFree {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct CObjectSetFree {
    void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
struct CFontSetFree {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};

std::string StringOf(FcPattern* font, const char* object)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(font, object, 0, &value) != FcResultMatch || !value) return std::string();
    return reinterpret_cast<const char*>(value);
}

// "Family Style", the style left out when regular.
std::string NameOf(FcPattern* font)
{
    std::string name = StringOf(font, FC_FULLNAME);
    if (!name.empty()) return name;
    name = StringOf(font, FC_FAMILY);
    const std::string style = StringOf(font, FC_STYLE);
    if (!style.empty() && style != "Regular" && style != "Book") name += " " + style;
    return name;
}

}  // namespace

std::vector<CInstalledFont> ListInstalledFonts()
{
    std::vector<CInstalledFont> fonts;
    if (!FcInit()) return fonts;
    std::unique_ptr<FcPattern, CPatternFree> pattern(FcPatternCreate());
    if (!pattern) return fonts;
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    std::unique_ptr<FcObjectSet, CObjectSetFree> objects(
        FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FULLNAME, FC_FILE, static_cast<char*>(nullptr)));
    if (!objects) return fonts;
    std::unique_ptr<FcFontSet, CFontSetFree> set(FcFontList(nullptr, pattern.get(), objects.get()));
    if (!set) return fonts;
    std::set<std::string> files;
    for (int i = 0; i < set->nfont; ++i) {
        FcPattern* font = set->fonts[i];
        const std::string file = StringOf(font, FC_FILE);
        const std::string name = NameOf(font);
        if (file.empty() || name.empty() || !files.insert(file).second) continue;
        fonts.push_back(CInstalledFont{Utf8ToWide(name), Utf8ToWide(file)});
    }
    std::sort(fonts.begin(), fonts.end(), [](const CInstalledFont& a, const CInstalledFont& b) {
        const int order = CompareNoCaseW(a.name, b.name);
        return order != 0 ? order < 0 : a.file < b.file;
    });
    return fonts;
}
