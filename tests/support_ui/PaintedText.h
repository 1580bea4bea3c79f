// What a control or a widget puts on the screen as text: the texts a
// painter is asked to write when the control paints itself, or when the
// widget (a tooltip, a menu) is drawn.
#pragma once
#include <string>
#include <vector>

class CControlUI;
class QWidget;

std::vector<std::wstring> PaintedTexts(CControlUI* control);
std::vector<std::wstring> PaintedTexts(QWidget* widget);
