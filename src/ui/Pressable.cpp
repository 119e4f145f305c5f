// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Pressable.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>

namespace quillane {

namespace {

const char *const RoleProperty = "quillaneAccessibleRole";

class PressableAccessible final : public QAccessibleWidget {
public:
    PressableAccessible(QWidget *widget, Pressable *pressable)
        : QAccessibleWidget(widget, pressable->pressRole()), pressable_(pressable)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty()) {
            if (auto *label = qobject_cast<QLabel *>(widget()))
                text = label->text();
        }
        return text;
    }

    QStringList actionNames() const override
    {
        QStringList names{pressAction()};
        if (pressable_->hasMenu())
            names << showMenuAction();
        return names + QAccessibleWidget::actionNames();
    }

    QStringList keyBindingsForAction(const QString &action) const override
    {
        if (action == pressAction())
            return {QStringLiteral("Space"), QStringLiteral("Return")};
        if (action == showMenuAction())
            return {QStringLiteral("Menu"), QStringLiteral("Shift+F10")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

    void doAction(const QString &action) override
    {
        if (!widget()->isEnabled())
            return;
        // Later, from the event loop: the action may open a modal window, and
        // the screen reader's call must not wait for it to close.
        Pressable *pressable = pressable_;
        if (action == pressAction())
            QMetaObject::invokeMethod(
                widget(), [pressable] { pressable->press(); }, Qt::QueuedConnection);
        else if (action == showMenuAction() && pressable->hasMenu())
            QMetaObject::invokeMethod(
                widget(), [pressable] { pressable->showMenu(); }, Qt::QueuedConnection);
        else
            QAccessibleWidget::doAction(action);
    }

private:
    Pressable *pressable_;
};

QAccessibleInterface *accessibleFor(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (auto *pressable = dynamic_cast<Pressable *>(object);
        pressable && pressable->pressRole() != QAccessible::NoRole)
        return new PressableAccessible(widget, pressable);
    const QVariant role = widget->property(RoleProperty);
    if (role.isValid())
        return new QAccessibleWidget(widget, QAccessible::Role(role.toInt()));
    return nullptr;
}

void installFactory()
{
    static const bool installed = (QAccessible::installFactory(accessibleFor), true);
    Q_UNUSED(installed);
}

// Drops what a screen reader was told of the object so far (setting its name
// already makes Qt describe it): the next question gets the new role.
void forgetAccessible(QObject *object)
{
    if (QAccessibleInterface *known = QAccessible::queryAccessibleInterface(object))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(known));
}

} // namespace

Pressable::Pressable()
{
    installFactory();
}

bool Pressable::handlePressKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    const bool pressKey = (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
                          modifiers == Qt::NoModifier;
    const bool menuKey = hasMenu() && ((key == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
                                       (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier));
    if (!event->isAutoRepeat()) {
        if (pressKey)
            press();
        else if (menuKey)
            showMenu();
    }
    return pressKey || menuKey;
}

void setAccessibleRole(QWidget *window, QAccessible::Role role)
{
    installFactory();
    window->setProperty(RoleProperty, int(role));
    forgetAccessible(window);
}

void Pressable::becamePressable(QObject *object)
{
    forgetAccessible(object);
}

void drawFocusFrame(QPainter &painter, const QRect &frame)
{
    painter.save();
    const QRect r = frame.adjusted(0, 0, -1, -1);
    painter.setPen(QPen(Qt::white, 0));
    painter.drawRect(r);
    painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
    painter.drawRect(r);
    painter.restore();
}

} // namespace quillane
