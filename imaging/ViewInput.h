// Mouse buttons, shift state and cursor ids of the image views and layers,
// with their conversions from Qt.
#pragma once

#include <Qt>

#include <cstdint>

// 16-bit cursor id; 0 is the default arrow, negative ids are the stock cursors.
using TCursor = std::int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSize = -5;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// The Qt cursor shape that stands for a cursor id; unknown ids give the arrow.
Qt::CursorShape CursorShapeFor(TCursor id);

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift state: a set of these bits.
using TShiftState = unsigned;
enum TShiftFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};

TShiftState ShiftStateFrom(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// False for buttons the views do not route (back, forward and so on).
bool MouseButtonFrom(Qt::MouseButton qtButton, TMouseButton& button);
// One bit per button, as kept in a layer's held-button set.
constexpr unsigned ButtonBit(TMouseButton b) { return 1u << unsigned(b); }
