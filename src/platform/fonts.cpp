#include "platform/fonts.h"

#include "platform/text.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <memory>
#include <cctype>
#include <map>

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

// "Family Style", the style left out when regular; the full name only for
// a face without a family.
std::string NameOf(FcPattern* font)
{
    std::string name = StringOf(font, FC_FAMILY);
    if (name.empty()) return StringOf(font, FC_FULLNAME);
    const std::string style = StringOf(font, FC_STYLE);
    if (!style.empty() && style != "Regular" && style != "Book" && style != "Roman" && style != "Normal") name += " " + style;
    return name;
}

struct CFace {
    std::string name;
    std::string file;
};

// TrueType and OpenType first, then collections, then the rest (Type 1).
int FormatRank(const std::string& file)
{
    const size_t dot = file.find_last_of('.');
    std::string ext = dot == std::string::npos ? std::string() : file.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "ttf" || ext == "otf") return 0;
    if (ext == "ttc" || ext == "otc") return 1;
    return 2;
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
    // One entry per family and style: of several files of one face (an
    // OpenType and a Type 1 copy), the one every renderer reads best.
    std::map<std::string, CFace> faces;  // by family and style, without case
    for (int i = 0; i < set->nfont; ++i) {
        FcPattern* font = set->fonts[i];
        CFace face{NameOf(font), StringOf(font, FC_FILE)};
        if (face.file.empty() || face.name.empty()) continue;
        std::string key = StringOf(font, FC_FAMILY) + '\n' + StringOf(font, FC_STYLE);
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        auto [it, added] = faces.emplace(key, face);
        const int had = FormatRank(it->second.file), has = FormatRank(face.file);
        if (!added && (has < had || (has == had && face.file < it->second.file))) it->second = face;
    }
    for (const auto& [key, face] : faces) fonts.push_back(CInstalledFont{Utf8ToWide(face.name), Utf8ToWide(face.file)});
    std::sort(fonts.begin(), fonts.end(), [](const CInstalledFont& a, const CInstalledFont& b) {
        const int order = CompareNoCaseW(a.name, b.name);
        return order != 0 ? order < 0 : a.file < b.file;
    });
    return fonts;
}

std::wstring MatchFontFile(const std::wstring& family)
{
    if (family.empty() || !FcInit()) return {};
    std::unique_ptr<FcPattern, CPatternFree> pattern(FcPatternCreate());
    if (!pattern) return {};
    const std::string name = WideToUtf8(family);
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, CPatternFree> match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match) return {};
    return Utf8ToWide(StringOf(match.get(), FC_FILE));
}
