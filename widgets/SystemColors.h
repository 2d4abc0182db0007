// The platform's named system colours, taken from the widget palette.
#pragma once

#include <QColor>
#include <QPalette>

enum class TSysColor {
    Background, ActiveCaption, InactiveCaption, Menu, Window, WindowFrame, MenuText,
    WindowText, CaptionText, ActiveBorder, InactiveBorder, AppWorkspace, Highlight,
    HighlightText, BtnFace, BtnShadow, GrayText, BtnText, InactiveCaptionText,
    BtnHighlight, DkShadow3D, Light3D, InfoText, InfoBk
};

// The colour a system colour stands for in the given palette.
QColor SysColor(TSysColor which, const QPalette& palette);
