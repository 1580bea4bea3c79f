// The dialogs' texts in the language set with SetLanguage.
#pragma once
#include <string>

enum class ETextId { ClipTitle, Start, End, CropTitle, Left, Top, Width, Height, Effect, NoEffect, Ok, Cancel };

std::wstring PrismelText(ETextId id);
// One of two texts by the language set: the German one, else the English.
std::wstring PrismelPick(const wchar_t* en, const wchar_t* de);
// An effect's name (1..PrismelEffectCount()) as the dialog shows it.
std::wstring PrismelEffectText(int effectId);
