#include "BurnCommands.h"

#include <algorithm>
#include <cwctype>

namespace {

std::wstring In(const SBurnJob& job, const wchar_t* name) { return job.tempFolder + L"/" + name; }

}  // namespace

std::wstring DvdFolder(const SBurnJob& job) { return In(job, L"dvd"); }
std::wstring MenuPicture(const SBurnJob& job) { return In(job, L"menu_back.png"); }
std::wstring MenuHighlight(const SBurnJob& job) { return In(job, L"menu_highlight.png"); }
std::wstring MenuSelect(const SBurnJob& job) { return In(job, L"menu_select.png"); }
std::wstring MenuVideo(const SBurnJob& job) { return In(job, L"menu_back.mpg"); }
std::wstring MenuWithButtons(const SBurnJob& job) { return In(job, L"menu.mpg"); }
std::wstring AuthorPlanPath(const SBurnJob& job) { return In(job, L"dvdauthor.xml"); }
std::wstring SpumuxPlanPath(const SBurnJob& job) { return In(job, L"spumux.xml"); }
std::wstring ImageOf(const SBurnJob& job) { return In(job, L"disc.iso"); }

std::wstring XmlEscape(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        case L'\'': out += L"&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

std::wstring DiscLabel(const std::wstring& wanted)
{
    std::wstring label;
    for (wchar_t c : wanted) {
        if (label.size() == 32) break;
        const wchar_t u = static_cast<wchar_t>(std::towupper(c));
        label += ((u >= L'A' && u <= L'Z') || (u >= L'0' && u <= L'9')) ? u : L'_';
    }
    return label.empty() ? L"DVD_VIDEO" : label;
}

std::wstring DvdAuthorPlan(const SBurnJob& job, const std::vector<SMenuButton>& buttons)
{
    const bool menu = job.withMenu() && !buttons.empty();
    const int count = static_cast<int>(job.files.size());
    const int navigation = job.menu.menuNavigation;
    std::wstring x = L"<dvdauthor dest=\"" + XmlEscape(DvdFolder(job)) + L"\">\n <vmgm>\n";
    // The disc starts with the menu, or plays its first title.
    if (menu && navigation != MENU_NAVI_PLAY_ALL) x += L"  <fpc>jump titleset 1 menu;</fpc>\n";
    else x += L"  <fpc>jump title 1;</fpc>\n";
    x += L" </vmgm>\n <titleset>\n";
    if (menu) {
        x += L"  <menus>\n   <pgc entry=\"root\">\n";
        for (size_t i = 0; i < buttons.size(); ++i)
            x += L"    <button name=\"b" + std::to_wstring(i + 1) + L"\">jump title " + std::to_wstring(i + 1) + L";</button>\n";
        x += L"    <vob file=\"" + XmlEscape(MenuWithButtons(job)) + L"\"/>\n    <post>jump cell 1;</post>\n   </pgc>\n  </menus>\n";
    }
    x += L"  <titles>\n";
    for (int i = 0; i < count; ++i) {
        x += L"   <pgc>\n    <vob file=\"" + XmlEscape(job.files[static_cast<size_t>(i)].path) + L"\"/>\n";
        const bool last = i + 1 == count;
        if (menu && (navigation == MENU_NAVI_BACK_TO_MENU || last)) x += L"    <post>call menu;</post>\n";
        else if (!last && (!menu || navigation != MENU_NAVI_BACK_TO_MENU))
            x += L"    <post>jump title " + std::to_wstring(i + 2) + L";</post>\n";
        x += L"   </pgc>\n";
    }
    x += L"  </titles>\n </titleset>\n</dvdauthor>\n";
    return x;
}

std::wstring SpumuxPlan(const SBurnJob& job, const std::vector<SMenuButton>& buttons)
{
    std::wstring x = L"<subpictures format=\"" + std::wstring(job.ntsc ? L"NTSC" : L"PAL") + L"\">\n <stream>\n";
    x += L"  <spu force=\"yes\" start=\"00:00:00.00\" highlight=\"" + XmlEscape(MenuHighlight(job)) + L"\" select=\"" +
         XmlEscape(MenuSelect(job)) + L"\">\n";
    for (size_t i = 0; i < buttons.size(); ++i) {
        const SMenuButton& b = buttons[i];
        x += L"   <button name=\"b" + std::to_wstring(i + 1) + L"\" x0=\"" + std::to_wstring(b.x0) + L"\" y0=\"" +
             std::to_wstring(b.y0) + L"\" x1=\"" + std::to_wstring(b.x1) + L"\" y1=\"" + std::to_wstring(b.y1) + L"\"/>\n";
    }
    x += L"  </spu>\n </stream>\n</subpictures>\n";
    return x;
}

std::vector<std::wstring> MenuVideoArgs(const std::wstring& encoder, const SBurnJob& job)
{
    std::vector<std::wstring> args = {encoder, L"-hide_banner", L"-nostdin", L"-y", L"-loop", L"1", L"-i", MenuPicture(job)};
    const bool music = !job.menu.backgroundAudio.empty();
    if (music) {
        // The tune loops for a fixed length, or plays once for its own.
        if (!job.menu.durationFromAudio) args.insert(args.end(), {L"-stream_loop", L"-1"});
        args.insert(args.end(), {L"-i", job.menu.backgroundAudio});
    } else {
        args.insert(args.end(), {L"-f", L"lavfi", L"-i", L"anullsrc=r=48000:cl=stereo"});
    }
    args.insert(args.end(), {L"-map", L"0:v", L"-map", L"1:a"});
    if (music && job.menu.durationFromAudio) {
        args.push_back(L"-shortest");
    } else {
        const int seconds = std::clamp(job.menu.musicDuration, 1, 600);
        args.insert(args.end(), {L"-t", std::to_wstring(seconds)});
    }
    args.insert(args.end(), {L"-target", job.ntsc ? L"ntsc-dvd" : L"pal-dvd", L"-aspect", L"4:3", MenuVideo(job)});
    return args;
}

std::vector<std::wstring> DvdAuthorArgs(const std::wstring& author, const SBurnJob& job)
{
    return {author, L"-x", AuthorPlanPath(job)};
}

std::vector<std::wstring> SpumuxArgs(const std::wstring& spumux, const SBurnJob& job)
{
    return {spumux, L"-m", L"dvd", SpumuxPlanPath(job)};
}

std::vector<std::wstring> ImageArgs(const std::wstring& maker, bool xorriso, const SBurnJob& job,
                                    const std::wstring& output)
{
    std::vector<std::wstring> args = {maker};
    if (xorriso) args.insert(args.end(), {L"-as", L"mkisofs"});
    args.insert(args.end(), {L"-dvd-video", L"-V", DiscLabel(job.label)});
    if (!job.publisher.empty()) args.insert(args.end(), {L"-publisher", job.publisher});
    args.insert(args.end(), {L"-o", output, DvdFolder(job)});
    return args;
}

std::vector<std::wstring> WriteArgs(const std::wstring& writer, bool xorriso, const SBurnJob& job)
{
    std::vector<std::wstring> args = {writer};
    if (xorriso) {
        args.insert(args.end(), {L"-as", L"cdrecord", L"-v", L"dev=" + job.device});
        if (job.speed > 0) args.push_back(L"speed=" + std::to_wstring(job.speed));
        args.insert(args.end(), {L"-dao", ImageOf(job)});
        return args;
    }
    args.push_back(L"-dvd-compat");
    if (job.speed > 0) args.push_back(L"-speed=" + std::to_wstring(job.speed));
    args.insert(args.end(), {L"-Z", job.device + L"=" + ImageOf(job)});
    return args;
}
