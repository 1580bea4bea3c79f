// Command ids of the program's menus (skin/menus.xml) and the id ranges of
// entries made at run time. The ranges never meet each other or a fixed id.
#pragma once
#include "platform/types.h"

// Popups of the menu file, by position.
enum EMainMenu : int {
    MENU_MAIN = 0,
    MENU_SNAPSHOT = 1,
    MENU_PLAYER = 2,
    MENU_MEDIA_LIST = 3,
    MENU_HELP = 4,
    MENU_OPENDVD = 5,
    MENU_MEDIAMAN = 6,
    MENU_OPENBURNDVD = 7,
    MENU_OPENURL = 8,
};
constexpr const wchar_t* kMenuFile = L"menus.xml";

// Fixed commands.
constexpr UINT ID_ADD_VIDEO_FILES = 32785;
constexpr UINT ID_OPEN_DVD_DRIVE = 32780;
constexpr UINT ID_OPEN_BURN_DVD_DRIVE = 32781;
constexpr UINT ID_OPEN_DVD_FOLDER = 32782;
constexpr UINT ID_ADD_DVD_ISO = 32783;
constexpr UINT ID_BATCH_ADD = 32786;
constexpr UINT ID_IMPORT_FROM_WEB = 32787;
constexpr UINT ID_DOWNLOAD_MP3 = 32964;
constexpr UINT ID_SET_OUTPUT_FOLDER = 32789;
constexpr UINT ID_OPEN_OUTPUT_FOLDER = 32790;
constexpr UINT ID_PASTE_VIDEO_URL = 32805;
constexpr UINT ID_JOIN_SELECTED = 32973;
constexpr UINT ID_JOIN_ALL = 32950;
constexpr UINT ID_UNJOIN_ALL = 32951;
constexpr UINT ID_OPTIONS = 32800;
constexpr UINT ID_START_CONVERTING = 32801;
constexpr UINT ID_STOP_CONVERTING = 32802;
constexpr UINT ID_EXIT = 32803;
constexpr UINT ID_HELP_CONTENTS = 32958;
constexpr UINT ID_SOFTWARE_WEBSITE = 32962;
constexpr UINT ID_CHECK_UPDATES = 32963;
constexpr UINT ID_ABOUT = 32961;
constexpr UINT ID_TAKE_SNAPSHOT = 32772;
constexpr UINT ID_OPEN_SNAPSHOT_FOLDER = 32804;
constexpr UINT ID_CHANGE_SNAPSHOT_FOLDER = 32775;
// Edit and media-manager items of the row context menus.
constexpr UINT kListCommandIds[] = {32791, 32792, 32793, 32794, 32795, 32796, 32972, 32806, 32798, 32799, 32974, 32975, 32976};
constexpr UINT ID_LIST_REMOVE = 32791;
constexpr UINT ID_LIST_REMOVE_ALL = 32792;
constexpr UINT ID_LIST_CHECK_ALL = 32793;
constexpr UINT ID_LIST_UNCHECK_ALL = 32972;
constexpr UINT ID_LIST_CHECK = 32794;
constexpr UINT ID_LIST_UNCHECK = 32795;
constexpr UINT ID_LIST_RENAME = 32796;
constexpr UINT ID_LIST_COPY_URL = 32806;
constexpr UINT ID_LIST_OPEN_SOURCE = 32798;
constexpr UINT ID_LIST_OPEN_DESTINATION = 32799;
// Player.
constexpr UINT ID_PLAYER_OPEN_FILES = 32940;  // .. 32943: files, DVD folder, DVD drive, DVD image
constexpr UINT ID_PLAYER_PLAYLIST = 32880;
constexpr UINT ID_PLAYER_ADD_TO_CONVERTER = 32809;
constexpr UINT ID_PLAYER_PLAY = 32814;
constexpr UINT ID_PLAYER_PAUSE = 32879;
constexpr UINT ID_PLAYER_STOP = 32815;
constexpr UINT ID_PLAYER_FULLSCREEN = 32817;
constexpr UINT ID_PLAYER_TOPMOST = 32818;
constexpr UINT ID_PLAYER_SEEK_FIRST = 32882;  // .. 32887
constexpr UINT ID_PLAYER_ZOOM_FIT = 32922;
constexpr UINT ID_PLAYER_ZOOM_FIRST = 32915;  // .. 32920
constexpr UINT ID_PLAYER_RATIO_AUTO = 32843;
constexpr UINT ID_PLAYER_RATIO_1_1 = 32897;
constexpr UINT ID_PLAYER_RATIO_FIRST = 32898;  // .. 32905
constexpr UINT ID_PLAYER_DEINTERLACE_FIRST = 32853;  // .. 32859
constexpr UINT kPlayerVideoOutputIds[] = {32907, 32860, 32861, 32862, 32906, 32864};
constexpr UINT ID_PLAYER_ROTATE_FIRST = 32865;  // .. 32869
constexpr UINT ID_PLAYER_MUTE = 32924;
constexpr UINT ID_PLAYER_CHANNELS_FIRST = 32912;  // .. 32914
constexpr UINT ID_PLAYER_SUBTITLE_HIDE = 32935;
constexpr UINT ID_PLAYER_SUBTITLE_LOAD = 32877;
constexpr UINT ID_PLAYER_PREVIOUS = 32830;
constexpr UINT ID_PLAYER_NEXT = 32831;
constexpr UINT ID_PLAYER_AUDIO_DEFAULT = 32928;
constexpr UINT ID_PLAYER_SUBTITLE_DEFAULT = 32932;
constexpr UINT ID_PLAYER_DVD_MENU = 32945;

// Entries made at run time.
constexpr UINT ID_LANGUAGE_AUTO = 50000;
constexpr UINT ID_LANGUAGE_FIRST = 50001;
constexpr UINT kLanguageCount = 600;
constexpr UINT ID_SKIN_FIRST = 50601;
constexpr UINT kSkinCount = 400;
constexpr UINT ID_AUDIO_TRACK_FIRST = 33100;
constexpr UINT kAudioTrackCount = 97;
constexpr UINT ID_SUBTITLE_TRACK_FIRST = 33300;
constexpr UINT kSubtitleTrackCount = 97;
constexpr UINT ID_DVD_TITLE_FIRST = 33500;
constexpr UINT kDVDTitleCount = 197;
