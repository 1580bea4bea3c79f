// What the burn pane and the burner share: the burner record (its controls
// on the pane, whether a burn can happen, the burner's message), the DVD-menu
// settings and one file to put on the disc.
#pragma once
#include <string>

class CControlUI;

struct VXM_BURNER_RECORD {
    // False: nothing can be authored here (a tool is missing).
    bool devicePresent = false;
    CControlUI* menuNavigation = nullptr;  // ID_COMBO_BURN_MENU_NAVI
    CControlUI* recorder = nullptr;        // ID_COMBO_RECORDER
    CControlUI* writeSpeed = nullptr;      // ID_COMBO_WRITE_SPEED
    CControlUI* discType = nullptr;        // ID_COMBO_BURN_DVD_TYPE
    CControlUI* discLabel = nullptr;       // ID_EDIT_DISC_LABEL
    CControlUI* publisher = nullptr;       // ID_EDIT_PUBLISHER
    CControlUI* copyright = nullptr;       // ID_EDIT_COPYRIGHT
    CControlUI* burnSize = nullptr;        // ID_EDIT_BURNSIZE
    CControlUI* burnTime = nullptr;        // ID_EDIT_BURNTIME
    CControlUI* burnStatus = nullptr;      // ID_EDIT_BURNSTATUS
    CControlUI* progress = nullptr;        // ID_SLIDER_DISC_CAPACITY
    // Where the chooser of an image file starts (the output folder).
    std::wstring imageFolder;
    // What stands in the way of a burn; empty when nothing does.
    std::wstring message;
};

// How the disc's menu looks and behaves.
enum EMenuNavigation {
    MENU_NAVI_BACK_TO_MENU = 0,  // each title returns to the menu
    MENU_NAVI_PLAY_NEXT = 1,     // each title plays the next, the last returns to the menu
    MENU_NAVI_PLAY_ALL = 2,      // the disc starts with the first title and plays all, then the menu
};

struct VXM_DVD_MENU_SETTINGS {
    int reserved = 0;
    bool menuEnabled = true;
    int menuNavigation = MENU_NAVI_PLAY_ALL;
    std::wstring templateFile;
    std::wstring backgroundAudio;
    std::wstring backgroundImage;
    bool useBackgroundImage = false;
    int musicDuration = 40;  // seconds of the menu's loop
    std::wstring menuTitle;
    bool durationFromAudio = false;  // the menu lasts as long as its audio
    int writeSpeed = 0;              // 0: the drive's best
};

// One converted file for the disc. The path is kept whole (no length limit).
struct VXM_BURN_FILE {
    std::wstring path;
    int reserved = 0;
    double seconds = 0;
    std::wstring title;
};
