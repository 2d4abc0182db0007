#include "widgets/SystemColors.h"

QColor SysColor(TSysColor which, const QPalette& pal)
{
    switch (which) {
    case TSysColor::Background: return pal.color(QPalette::Dark);
    case TSysColor::ActiveCaption: return pal.color(QPalette::Active, QPalette::Highlight);
    case TSysColor::InactiveCaption: return pal.color(QPalette::Inactive, QPalette::Mid);
    case TSysColor::Menu: return pal.color(QPalette::Window);
    case TSysColor::Window: return pal.color(QPalette::Base);
    case TSysColor::WindowFrame: return pal.color(QPalette::Shadow);
    case TSysColor::MenuText: return pal.color(QPalette::WindowText);
    case TSysColor::WindowText: return pal.color(QPalette::Text);
    case TSysColor::CaptionText: return pal.color(QPalette::Active, QPalette::HighlightedText);
    case TSysColor::ActiveBorder: return pal.color(QPalette::Window);
    case TSysColor::InactiveBorder: return pal.color(QPalette::Window);
    case TSysColor::AppWorkspace: return pal.color(QPalette::Mid);
    case TSysColor::Highlight: return pal.color(QPalette::Highlight);
    case TSysColor::HighlightText: return pal.color(QPalette::HighlightedText);
    case TSysColor::BtnFace: return pal.color(QPalette::Button);
    case TSysColor::BtnShadow: return pal.color(QPalette::Dark);
    case TSysColor::GrayText: return pal.color(QPalette::Disabled, QPalette::Text);
    case TSysColor::BtnText: return pal.color(QPalette::ButtonText);
    case TSysColor::InactiveCaptionText: return pal.color(QPalette::Disabled, QPalette::WindowText);
    case TSysColor::BtnHighlight: return pal.color(QPalette::Light);
    case TSysColor::DkShadow3D: return pal.color(QPalette::Shadow);
    case TSysColor::Light3D: return pal.color(QPalette::Midlight);
    case TSysColor::InfoText: return pal.color(QPalette::ToolTipText);
    case TSysColor::InfoBk: return pal.color(QPalette::ToolTipBase);
    }
    return pal.color(QPalette::Window);
}
