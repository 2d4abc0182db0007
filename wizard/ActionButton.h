// A push button that shows an action: its caption, glyph, enabled state and
// visibility follow the action, and a click executes it.
#pragma once

class QAction;
class QAbstractButton;

void BindButtonToAction(QAbstractButton* button, QAction* action);
