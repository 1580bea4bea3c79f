#include "ui/UIStringTable.h"
#include <algorithm>

namespace {
const std::vector<TUIStringEntry> kStrings = {
    {103, L"Vexmora"},
    {104, L"Failed to parse UI XML files!"},
    {105, L"Failed to load the output profiles! Please check the installation of the program, or write to support@kestrane.com for help."},
    {106, L"Low(Smaller File Size)"},
    {107, L"Normal"},
    {108, L"High(Larger File Size)"},
    {109, L"Analyzing video URL..."},
    {110, L"Analyzing successfully, start to download video file, please wait..."},
    {111, L"Analyzing failed, %s"},
    {112, L"Download successfully."},
    {113, L"Download video file failed."},
    {114, L"Download canceled by user."},
    {115, L"Add Video files in Folder Selected ..."},
    {116, L"Load DVD Disc"},
    {117, L"Eject DVD Disc"},
    {118, L"No usable DVD drive found"},
    {120, L"Analyzing DVD..."},
    {121, L"Opening DVD titles, please wait..."},
    {122, L"Can not get DVD title information, please change another DVD disc and try again!"},
    {123, L"Please select the folder to save recorded movies in:"},
    {124, L"Failed to load the video recorder library! Please reinstall the program, or write to support@kestrane.com for help."},
    {125, L"Can not find the intermediate video or audio file, video recording failed!"},
    {126, L"File not found!"},
    {127, L"Export file %s to iTunes, please wait..."},
    {128, L"Adding %s ..."},
    {129, L"Please select the output folder :"},
    {130, L"Please select the snapshot folder :"},
    {131, L"Recycle bin"},
    {132, L"Recorded"},
    {133, L"Converted"},
    {134, L"Downloaded"},
    {135, L"Conversion"},
    {136, L"File Name:"},
    {137, L"All Clip Duration:"},
    {138, L"Start Time:"},
    {139, L"Stop Time:"},
    {140, L"Video Size:"},
    {141, L"Quality:"},
    {142, L"Video Codec:"},
    {143, L"Video Bitrate:"},
    {144, L"Frame Rate:"},
    {145, L"Video Aspect:"},
    {146, L"Encode Pass:"},
    {147, L"Audio Codec:"},
    {148, L"Audio Bitrate:"},
    {149, L"Sample Rate:"},
    {150, L"Audio Channel:"},
    {151, L"Audio Track:"},
    {152, L"Disable Audio:"},
    {153, L"Subtitle:"},
    {154, L"Disable"},
    {155, L"Output to %s"},
    {156, L"Select or add audio track"},
    {157, L"Select or add subtitle"},
    {158, L"Select DVD angle"},
    {159, L"DVD Chapter:"},
    {160, L"Checking new version of %s, please wait..."},
    {161, L"A new version of %s is available!"},
    {162, L"%s %d.%d.%d is now available (you have %d.%d.%d). Would you like to download it now?"},
    {163, L"You are up to date!"},
    {164, L"%s is currently the newest version available."},
    {165, L"Close"},
    {166, L"Cannot get version info of %s!"},
    {167, L"Converting..."},
    {168, L"Completed"},
    {169, L"Waiting..."},
    {170, L"Cancelled"},
    {171, L"Cannot load burning library!"},
    {172, L"Output Folder:"},
    {173, L"Customized %s"},
    {174, L"Please select the temporary folder for video recording:"},
    {175, L"Scanning %s..."},
    {180, L"Version %d.%d.%d"},
    {182, L"Export file to iTunes failed, iTunes not installed."},
    {183, L"Export file to iTunes failed, iTunes can not opened."},
    {184, L"Do you want to stop the running encoding process and exit now?"},
    {185, L"NVidia device not present, CUDA acceleration is disabled."},
    {186, L"The output volume %s can not be writable, please change the output folder and try again!"},
    {187, L"%s - Part %s"},
    {188, L"Join source files failed!"},
    {189, L"Duration (sec):"},
    {190, L"Frame Interval (ms):"},
    {191, L"Join source files successfully!"},
    {192, L"Joining source files, please wait..."},
    {194, L"A new version of download engine available, do you want to update it now?"},
    {195, L"Downloading..."},
    // Texts only the language files carried before.
    {205, L"The output files are larger than the disc, please remove some files or lower the quality!"},
    {206, L"Fit to Disc Size"},
    {207, L"%s, do you want to continue burning?"},
    {209, L"Transparency:"},
    {210, L"Time left:"},
    {212, L"h"},
    {213, L"m"},
    {214, L"s"},
};

const std::vector<TUIDictionaryEntry> kDictionary = {
    // Names of the skins in the skin menu.
    {L"skin-blue", L"Blue"},
    {L"skin-dark", L"Dark"},
    {L"ID_STRING_ORIGINAL_BITRATE", L"Original"},
    {L"ID_STRING_BD_CRYPTED", L"This Blu-ray disc is encrypted and cannot be read!"},
    {L"ID_STRING_NOTHING_CHECKED", L"No item of the list is checked: tick the box of each item to convert."},
    {L"ID_STRING_IMAGE_FILES", L"Image Files (all types)"},
    {L"ID_STRING_BURN_MENU_TITLE", L"My DVD"},
    {L"ID_STRING_BURN_MIXED_TV", L"The checked files are for different TV systems (PAL and NTSC), and one disc holds only one. Please choose the same disc format for all of them."},
    {L"ID_STRING_BURN_NO_AVCHD", L"AVCHD discs cannot be made on this system (the tool that writes their streams is not available); the files are converted but not burnt"},
    {L"ID_STRING_BURN_NO_TOOLS", L"Discs cannot be made on this system: %s missing."},
    {L"ID_STRING_BURN_TO_ISO", L"ISO image file"},
    {L"ID_STRING_BURN_SPEED_MAX", L"Max"},
    {L"ID_STRING_BURN_NAVI_MENU", L"Back to the menu after each title"},
    {L"ID_STRING_BURN_NAVI_NEXT", L"Play the next title"},
    {L"ID_STRING_BURN_NAVI_ALL", L"Play all titles at start"},
    {L"ID_STRING_BURN_STAGE_MENU", L"Making the DVD menu..."},
    {L"ID_STRING_BURN_STAGE_AUTHOR", L"Authoring the DVD..."},
    {L"ID_STRING_BURN_STAGE_IMAGE", L"Making the disc image..."},
    {L"ID_STRING_BURN_STAGE_WRITE", L"Writing the disc..."},
    {L"ID_STRING_BURN_DONE", L"Completed"},
    {L"ID_STRING_BURN_STOPPED", L"Stopped"},
    {L"ID_STRING_BURN_FAILED", L"Burning failed: %s"},
    {L"ID_STRING_BURN_CLOSE", L"Close"},
    {L"ID_STRING_BURN_SAVE_ISO", L"Save the disc image as"},
    {L"ID_STRING_BATCH_COMPUTER", L"Computer"},
};
}  // namespace

const std::vector<TUIStringEntry>& GetEnglishStringTable() { return kStrings; }

const wchar_t* FindEnglishString(UINT id)
{
    auto it = std::lower_bound(kStrings.begin(), kStrings.end(), id,
                               [](const TUIStringEntry& e, UINT v) { return e.id < v; });
    return it != kStrings.end() && it->id == id ? it->text : nullptr;
}

const std::vector<TUIDictionaryEntry>& GetEnglishDictionary() { return kDictionary; }

const wchar_t* FindEnglishDictionaryText(const std::wstring& key)
{
    for (const auto& e : kDictionary)
        if (key == e.key) return e.text;
    return nullptr;
}
