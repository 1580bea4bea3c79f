// What the burner writes and runs for one disc: the authoring plan of
// dvdauthor, the menu's button plan of spumux, and the argument lists of
// the menu encoder, the image maker and the disc writer.
#pragma once
#include "BurnerRecords.h"

#include <string>
#include <vector>

struct SMenuButton {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // even rows, inside the picture
};

struct SBurnJob {
    std::vector<VXM_BURN_FILE> files;
    VXM_DVD_MENU_SETTINGS menu;
    bool ntsc = true;
    std::wstring tempFolder;  // intermediate files; removed afterwards
    std::wstring device;      // the drive written to; empty: an image file
    std::wstring imagePath;   // the finished image (image file only)
    std::wstring label;
    std::wstring publisher;
    int speed = 0;            // 0: the drive's best
    bool withMenu() const { return menu.menuEnabled && !files.empty(); }
};

// Where the job's pieces go under its temp folder.
std::wstring DvdFolder(const SBurnJob& job);        // the VIDEO_TS tree's parent
std::wstring MenuPicture(const SBurnJob& job);      // background with the texts
std::wstring MenuHighlight(const SBurnJob& job);    // the buttons' marks
std::wstring MenuSelect(const SBurnJob& job);
std::wstring MenuVideo(const SBurnJob& job);        // the background as MPEG-2
std::wstring MenuWithButtons(const SBurnJob& job);  // with the subpicture
std::wstring AuthorPlanPath(const SBurnJob& job);
std::wstring SpumuxPlanPath(const SBurnJob& job);
std::wstring ImageOf(const SBurnJob& job);          // the ISO image made

// Text with XML's five special characters escaped.
std::wstring XmlEscape(const std::wstring& text);
// The disc label an image takes: at most 32 characters of A-Z, 0-9 and "_".
std::wstring DiscLabel(const std::wstring& wanted);

std::wstring DvdAuthorPlan(const SBurnJob& job, const std::vector<SMenuButton>& buttons);
std::wstring SpumuxPlan(const SBurnJob& job, const std::vector<SMenuButton>& buttons);
std::vector<std::wstring> MenuVideoArgs(const std::wstring& encoder, const SBurnJob& job);
std::vector<std::wstring> DvdAuthorArgs(const std::wstring& author, const SBurnJob& job);
std::vector<std::wstring> SpumuxArgs(const std::wstring& spumux, const SBurnJob& job);
std::vector<std::wstring> ImageArgs(const std::wstring& maker, bool xorriso, const SBurnJob& job,
                                     const std::wstring& output);
std::vector<std::wstring> WriteArgs(const std::wstring& writer, bool xorriso, const SBurnJob& job);
