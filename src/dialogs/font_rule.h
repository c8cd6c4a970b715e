// The window font rule: where "Segoe UI" is installed, a window whose font
// is another one switches to "Segoe UI" one point larger. Child controls
// that inherit the window font follow.
#pragma once

#include <QStringList>

class QWidget;

inline constexpr const char *kRuleFontFamily = "Segoe UI";

// Applies the rule with the given list of installed font families.
// Returns true when the font was changed.
bool applyFontRule(QWidget *window, const QStringList &installedFamilies);
// Applies the rule with the fonts installed on this system.
bool applyFontRule(QWidget *window);
