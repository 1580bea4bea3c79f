// The effect table: one FFmpeg filter chain per effect id.
#include "Prismel.h"
#include "PrismelText.h"

#include <iterator>

namespace {

struct SEffect {
    const wchar_t* name;
    const wchar_t* nameDe;
    const wchar_t* chain;
};

// Ids are positions + 1; stored media carry them, so rows are only appended.
// A chain goes on a command line inside double quotes: no quotes, no spaces.
constexpr SEffect kEffects[] = {
    {L"Grey", L"Graustufen", L"hue=s=0"},
    {L"Old film", L"Alter Film", L"colorchannelmixer=.393:.769:.189:0:.349:.686:.168:0:.272:.534:.131,noise=alls=12:allf=t"},
    {L"Negative", L"Negativ", L"negate"},
    {L"Edges", L"Kanten", L"edgedetect=low=0.1:high=0.4"},
    {L"Blur", L"Weichzeichnen", L"boxblur=luma_radius=4:luma_power=1"},
    {L"Sharpen", L"Sch\u00e4rfen", L"unsharp=5:5:1.2:5:5:0.0"},
    {L"Vignette", L"Vignette", L"vignette=PI/5"},
    {L"Mirror", L"Spiegeln", L"hflip"},
    {L"Warm", L"Warm", L"colorbalance=rs=0.15:gs=0.05:bs=-0.15"},
    {L"Cold", L"Kalt", L"colorbalance=rs=-0.15:gs=0.0:bs=0.2"},
};

}  // namespace

extern "C" {

int PrismelEffectCount()
{
    return static_cast<int>(std::size(kEffects));
}

const wchar_t* PrismelEffectName(int effectId)
{
    return effectId >= 1 && effectId <= PrismelEffectCount() ? kEffects[effectId - 1].name : nullptr;
}

const wchar_t* GetEffectCmd(int effectId)
{
    return effectId >= 1 && effectId <= PrismelEffectCount() ? kEffects[effectId - 1].chain : nullptr;
}

}

std::wstring PrismelEffectText(int effectId)
{
    if (effectId < 1 || effectId > PrismelEffectCount()) return {};
    return PrismelPick(kEffects[effectId - 1].name, kEffects[effectId - 1].nameDe);
}
