// The dialogs' texts in the language set with SetLanguage.
#pragma once
#include <string>

enum class ETextId { ClipTitle, Start, End, CropTitle, Left, Top, Width, Height, Effect, NoEffect };

std::wstring PrismelText(ETextId id);
