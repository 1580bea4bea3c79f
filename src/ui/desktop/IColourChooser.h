// Colour chooser. Colours are 0x00BBGGRR values, as the settings store them.
#pragma once
#include "ui/UIDefine.h"
#include <string>

class IColourChooser {
public:
    virtual ~IColourChooser() = default;
    // False when cancelled (`chosen` unchanged).
    virtual bool Choose(HWND owner, DWORD initial, DWORD& chosen) = 0;
    // The same with the top byte as a transparency, 0 opaque to 255 clear,
    // set on a row labelled `transparencyLabel`.
    virtual bool ChooseWithTransparency(HWND owner, DWORD initial, const std::wstring& transparencyLabel,
                                        DWORD& chosen) = 0;
};
