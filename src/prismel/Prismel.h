// The clip and effect editor library (libprismel.so): a trim dialog, a crop
// and effect dialog, and the effects as FFmpeg filter chains. The program and
// the engine load it by name and call these C entry points on the UI thread
// (GetEffectCmd from any thread).
#pragma once
#include "platform/types.h"

class IVXMMedia;

// Messages posted to the owner window stored in the media
// (CVXMMediaBase::m_hClipEditorWnd / m_hEffectEditorWnd); wParam = the media.
constexpr UINT PRISMEL_CLIP_CHANGED = 10924;
constexpr UINT PRISMEL_EFFECT_CHANGED = 10925;

extern "C" {
// Language of the dialogs' texts ("en", "de"; others read English).
void SetLanguage(const wchar_t* langId);
// Modal trim dialog: 1 when the media's start and end changed, 0 when the
// user cancelled or changed nothing, -1 when no dialog can be shown.
int ShowDlgClip(IVXMMedia* media);
// Modal crop and effect dialog; results as ShowDlgClip.
int ShowDlgCrop(IVXMMedia* media);
// Filter chain of an effect id (1..PrismelEffectCount()); null for others.
const wchar_t* GetEffectCmd(int effectId);

// What the dialogs apply, also callable without a dialog. 1 changed (the
// owner window is told), 0 same values, -1 refused (values out of range or
// no media of the engine); a refused value changes nothing.
int PrismelApplyClip(IVXMMedia* media, int startMs, int endMs);
// A rectangle of all zeros removes the crop; effect 0 removes the effect.
int PrismelApplyCrop(IVXMMedia* media, int left, int top, int width, int height, int effectId);
int PrismelEffectCount();
const wchar_t* PrismelEffectName(int effectId);
}

using PrismelSetLanguageFn = void (*)(const wchar_t*);
using PrismelShowDlgFn = int (*)(IVXMMedia*);
using PrismelGetEffectCmdFn = const wchar_t* (*)(int);
