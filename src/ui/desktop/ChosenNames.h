// Paths chosen in Qt's file dialogs. Qt decodes a name that is not valid
// UTF-8 lossily (U+FFFD for the bad bytes), which names no file; such a name
// is found again among its folder's real entries.
#pragma once
#include <QStringList>

#include <functional>
#include <string>

// The chosen path in the program's lossless wide form: each component Qt
// could not decode becomes the folder entry that Qt shows the same way (the
// first in name order when several do); components without a match stay.
std::wstring RealChosenPath(const QString& chosen);

// The names of Qt's file name field when it lists several as "a" "b". Qt
// reads them back by the quotes, which a name holding a double quote breaks:
// here a piece joins the next ones until the name `exists`. Empty when the
// field is no such list or a name is not found.
QStringList SplitChosenNames(const QString& field, const std::function<bool(const QString&)>& exists);
