#include "editing/UpDown.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <limits>

// ---- TDigitEdit ----

TDigitEdit::TDigitEdit(QWidget* parent) : QLineEdit(parent) {}

bool TDigitEdit::IsDigitsOnly(const QString& text)
{
    if (text.isEmpty()) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

void TDigitEdit::keyPressEvent(QKeyEvent* event)
{
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const QString text = event->text();
    if (!shortcut && !text.isEmpty()) {
        const QChar c = text.at(0);
        // Printable characters other than digits are what gets discarded;
        // backspace, Enter, Tab and Escape carry control characters and pass.
        if (c.isPrint() && !(c >= u'0' && c <= u'9')) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

// ---- TUpDown ----

TUpDown::TUpDown(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    FUp = new QToolButton(this);
    FDown = new QToolButton(this);
    FUp->setObjectName(QStringLiteral("btnUp"));
    FDown->setObjectName(QStringLiteral("btnDown"));
    for (QToolButton* b : {FUp, FDown}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(16, 11);
        column->addWidget(b);
    }
    FUp->setArrowType(Qt::UpArrow);
    FDown->setArrowType(Qt::DownArrow);
    connect(FUp, &QToolButton::clicked, this, [this] { Step(1); });
    connect(FDown, &QToolButton::clicked, this, [this] { Step(-1); });
}

void TUpDown::SetAssociate(QLineEdit* edit)
{
    if (FAssociate) {
        FAssociate->removeEventFilter(this);
        disconnect(FAssociate, nullptr, this, nullptr);
    }
    FAssociate = edit;
    if (!edit) return;
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, &TUpDown::AssociateEdited);
    edit->setText(QString::number(FPosition));
}

void TUpDown::SetRange(int minimum, int maximum)
{
    constexpr int lo = std::numeric_limits<std::int16_t>::min(), hi = std::numeric_limits<std::int16_t>::max();
    FMin = std::clamp(std::min(minimum, maximum), lo, hi);
    FMax = std::clamp(std::max(minimum, maximum), lo, hi);
    SetPositionOnly(Clamp(FPosition));
}

int TUpDown::Clamp(long long value) const
{
    return int(std::clamp<long long>(value, FMin, FMax));
}

void TUpDown::SetPositionOnly(int value)
{
    if (value == FPosition) return;
    FPosition = value;
    emit PositionChanged(value);
}

void TUpDown::SetPosition(int value)
{
    SetPositionOnly(Clamp(value));
    if (FAssociate && FAssociate->text() != QString::number(FPosition)) FAssociate->setText(QString::number(FPosition));
}

void TUpDown::AssociateEdited(const QString& text)
{
    // Text that is not a number leaves the position where it was. Digits
    // beyond what a 16-bit value can hold are clamped like any large value.
    if (!TDigitEdit::IsDigitsOnly(text)) return;
    const QString digits = text.size() > 9 ? QStringLiteral("999999999") : text;
    SetPositionOnly(Clamp(digits.toLongLong()));
}

void TUpDown::Step(int delta)
{
    if (FAssociate) AssociateEdited(FAssociate->text());
    SetPosition(FPosition + delta);
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FAssociate) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                Step(key == Qt::Key_Up ? 1 : -1);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // A number typed out of range shows the position it stands for.
            if (TDigitEdit::IsDigitsOnly(FAssociate->text()) && FAssociate->text() != QString::number(FPosition))
                FAssociate->setText(QString::number(FPosition));
        }
    }
    return QWidget::eventFilter(watched, event);
}
