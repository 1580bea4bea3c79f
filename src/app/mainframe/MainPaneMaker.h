// Makes the panes of the main window's skin. Until the real panes replace
// them, plain stand-ins with no rows fill their place; tests put their own
// makers in place.
#pragma once
#include <functional>
#include <string>

class CControlUI;
class CPaintManagerUI;
class CVXMMainFrameWnd;

// `kind`: "MainPane", "BurnerPane" or "PlayerPane". The control made must
// give IMainPane (media panes) or IPlayerPane (player) by dynamic_cast.
using MainPaneMaker = std::function<CControlUI*(const std::wstring& kind, CPaintManagerUI* manager, CVXMMainFrameWnd* frame)>;

CControlUI* MakeMainFramePane(const std::wstring& kind, CPaintManagerUI* manager, CVXMMainFrameWnd* frame);
// An empty maker puts the stand-ins back.
void SetMainPaneMaker(MainPaneMaker maker);
