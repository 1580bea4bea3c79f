// Paths chosen in Qt's file dialogs. Qt decodes a name that is not valid
// UTF-8 lossily (U+FFFD for the bad bytes), which names no file; such a name
// is found again among its folder's real entries.
#pragma once
#include <string>

class QString;

// The chosen path in the program's lossless wide form: each component Qt
// could not decode becomes the folder entry that Qt shows the same way (the
// first in name order when several do); components without a match stay.
std::wstring RealChosenPath(const QString& chosen);
