#include "WindowShortcuts.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace {

class ShortcutKeeper : public QObject {
  public:
    explicit ShortcutKeeper(QWidget* window) : QObject(window), window_(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride || !isWindowShortcut(*static_cast<QKeyEvent*>(event)))
            return QObject::eventFilter(watched, event);
        // Not accepted: the shortcut map goes on and runs the action.
        event->ignore();
        return true;
    }

  private:
    bool isWindowShortcut(const QKeyEvent& key) const {
        // The arrows of the number pad carry the keypad modifier; the shortcuts match them all the same.
        const QKeySequence pressed(QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key())));
        for (const QAction* action : window_->actions())
            if (action->isEnabled() && action->shortcut() == pressed)
                return true;
        return false;
    }

    QWidget* window_;
};

} // namespace

void keepWindowShortcuts(QWidget* window) {
    auto* keeper = new ShortcutKeeper(window);
    for (QWidget* child : window->findChildren<QWidget*>())
        if (qobject_cast<QAbstractSpinBox*>(child) || qobject_cast<QLineEdit*>(child))
            child->installEventFilter(keeper);
}
