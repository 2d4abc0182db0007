#include "settings/FormStreamPosition.h"

#include "resources/StringTable.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

TStreamPositionFrm::TStreamPositionFrm(QWidget* owner) : QDialog(owner)
{
    // The design: caption, 384 x 293, "MS Sans Serif" 8 point.
    setWindowTitle(LoadStr(StrId::StreamPositionFrmCaption));
    resize(384, 293);
    QFont designFont = font();
    designFont.setFamily(QStringLiteral("MS Sans Serif"));
    designFont.setPointSize(8);
    setFont(designFont);
    UseTahomaIfInstalled();
}

TStreamPositionFrm::TStreamPositionFrm(QWidget* owner, const QString& keyPath) : TStreamPositionFrm(owner)
{
    auto* position = TComponentPosition::CreateReg(this, keyPath);
    FPosition = position;
}

TStreamPositionFrm::~TStreamPositionFrm()
{
    // A dialog that was never placed keeps the bounds it loaded.
    if (FPosition && FPlaced) FPosition->SetBounds(x(), y(), height(), width());
    FPosition = nullptr;
    // The position object is a child and saves itself when it is destroyed.
}

void TStreamPositionFrm::UseTahomaIfInstalled()
{
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        QFont f = font();
        f.setFamily(QStringLiteral("Tahoma"));
        setFont(f);
    }
}

bool TStreamPositionFrm::IsSizeable() const
{
    return FSizeable && minimumSize() != maximumSize();
}

void TStreamPositionFrm::CentreOnScreen()
{
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void TStreamPositionFrm::ApplyStoredPosition()
{
    if (FPlaced) return;
    FPlaced = true;
    if (!testAttribute(Qt::WA_Resized)) adjustSize();
    if (!FPosition || FPosition->GetWidth() < 1) {
        CentreOnScreen();
        return;
    }
    const bool sizeable = IsSizeable();
    QList<QRect> screens;
    QRect desktop;
    for (const QScreen* s : QGuiApplication::screens()) {
        screens.append(s->availableGeometry());
        desktop |= s->availableGeometry();
    }
    // A stored size beyond the whole desktop is damage and would only cost
    // memory; resize() keeps the dialog's own minimum.
    if (sizeable) {
        const QSize most = desktop.isEmpty() ? QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX) : desktop.size();
        resize(std::clamp(FPosition->GetWidth(), 1, most.width()), std::clamp(FPosition->GetHeight(), 1, most.height()));
    }
    // A place on a screen that is no longer there, or with the title bar
    // beyond the screen's edge, would leave the dialog out of reach.
    if (!IsPlaceReachable(FPosition->GetLeft(), FPosition->GetTop(), width(), screens)) {
        CentreOnScreen();
        return;
    }
    // Left and top name the frame, width and height the client area, as they were stored.
    move(FPosition->GetLeft(), FPosition->GetTop());
}

void TStreamPositionFrm::setVisible(bool visible)
{
    if (visible && !FPlaced) ApplyStoredPosition();
    QDialog::setVisible(visible);
}
