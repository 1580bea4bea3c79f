// A pane's own skin file, built into the pane in place of the bare
// placeholder the window's skin left there.
#pragma once
#include "ui/UIContainer.h"
#include "ui/UIDlgBuilder.h"

#include <string>

// The root of the built skin, added to the pane; null when the file could
// not be built (nothing changes then).
CControlUI* LoadPaneSkin(CContainerUI& pane, const std::wstring& file, IDialogBuilderCallback* callback,
                         CPaintManagerUI* manager);
