// Messages ordered behind the input: what is decided on a timer about the
// input (a click that no second click followed) is decided once the input
// that the window system had by then has reached the windows.
#pragma once
#include "platform/types.h"

class CWindowWnd;

// Posts the message to the window once every input event the window system
// made before this call has been delivered to our windows. On X the request
// goes through the X server, which queues it behind that input; where there
// is no X connection it is posted at once.
void PostAfterPendingInput(CWindowWnd& window, UINT msg, WPARAM wParam, LPARAM lParam);
