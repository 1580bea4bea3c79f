// Colour chooser. Colours are 0x00BBGGRR values, as the settings store them.
#pragma once
#include "ui/UIDefine.h"

class IColourChooser {
public:
    virtual ~IColourChooser() = default;
    // False when cancelled (`chosen` unchanged).
    virtual bool Choose(HWND owner, DWORD initial, DWORD& chosen) = 0;
};
