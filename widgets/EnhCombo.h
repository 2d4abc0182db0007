// A combo box whose drop-down list may be wider than the box itself.
#pragma once

#include <QComboBox>

class TEnhCombo : public QComboBox {
    Q_OBJECT

public:
    explicit TEnhCombo(QWidget* parent = nullptr);

    // A fixed list width; 0 sizes the list to its items.
    int DropDownFixedWidth() const { return FDropDownFixedWidth; }
    void SetDropDownFixedWidth(int w) { FDropDownFixedWidth = w; }

    // The list width computed when the list last opened.
    int DropDownWidth() const { return FDropDownWidth; }
    // The width the list would take now, measured with the owning window's font.
    int ComputeDropDownWidth() const;

    void showPopup() override;

signals:
    void OnDropDown(TEnhCombo* sender);

private:
    int FDropDownFixedWidth = 0;
    int FDropDownWidth = 0;
};
