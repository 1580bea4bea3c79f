// The skin files of this test program.
#include "ui_test_support.h"
#include "platform/text.h"

std::wstring TestSkinFolder()
{
    return Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/tests/ui_controls/skin/");
}
