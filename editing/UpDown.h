// Number entry as the dialogs use it: an edit that takes only digits from the
// keyboard, and an up-down control attached to it whose position follows the
// edit and always lies within its range. Callers read the position, never
// the edit's text, which may hold anything pasted into it.
#pragma once

#include <QLineEdit>
#include <QWidget>

class QToolButton;

// Typed characters other than the digits 0-9 are discarded; editing keys,
// shortcuts (paste included) and backspace pass.
class TDigitEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDigitEdit(QWidget* parent = nullptr);

    // True when the text is not empty and holds only the digits 0-9.
    static bool IsDigitsOnly(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);

    // The edit whose text the control follows and writes.
    void SetAssociate(QLineEdit* edit);
    QLineEdit* Associate() const { return FAssociate; }

    // The position is a 16-bit signed value, so the range lies within one.
    void SetRange(int minimum, int maximum);
    int Min() const { return FMin; }
    int Max() const { return FMax; }

    int Position() const { return FPosition; }
    // Kept within the range (no wrapping); the edit shows the new position.
    void SetPosition(int value);

    QToolButton* UpButton() const { return FUp; }
    QToolButton* DownButton() const { return FDown; }

signals:
    void PositionChanged(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AssociateEdited(const QString& text);
    void Step(int delta);
    int Clamp(long long value) const;
    void SetPositionOnly(int value);

    QLineEdit* FAssociate = nullptr;
    QToolButton* FUp = nullptr;
    QToolButton* FDown = nullptr;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
};
