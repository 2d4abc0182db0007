#include "wizard/ActionButton.h"

#include <QAbstractButton>
#include <QAction>

void BindButtonToAction(QAbstractButton* button, QAction* action)
{
    auto follow = [button, action] {
        button->setText(action->text());
        button->setIcon(action->icon());
        button->setEnabled(action->isEnabled());
        // A hidden action hides its button; setHidden keeps a not-yet-shown
        // window's button ready to appear with it.
        button->setHidden(!action->isVisible());
    };
    follow();
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
}
