#include "widgets/EnhCombo.h"

#include <QAbstractItemView>
#include <QFontMetrics>

TEnhCombo::TEnhCombo(QWidget* parent) : QComboBox(parent) {}

int TEnhCombo::ComputeDropDownWidth() const
{
    if (FDropDownFixedWidth > 0) return FDropDownFixedWidth;
    const QFontMetrics fm(window()->font());
    // Each item wider than the running width sets it to its own width plus
    // 8; an item that only beats the unpadded width leaves it alone.
    int m = 0;
    for (int i = 0; i < count(); ++i) {
        const int w = fm.horizontalAdvance(itemText(i));
        if (w > m) m = w + 8;
    }
    return m;
}

void TEnhCombo::showPopup()
{
    emit OnDropDown(this);
    FDropDownWidth = ComputeDropDownWidth();
    // The list is never narrower than the box.
    view()->setMinimumWidth(std::max(FDropDownWidth, width()));
    QComboBox::showPopup();
}
