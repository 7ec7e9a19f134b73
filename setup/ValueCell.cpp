#include "ValueCell.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

ValueCell::ValueCell(QWidget* parent, const QString& value)
    : QWidget(parent), edit_(new QLineEdit(value, this)) {
    edit_->setFrame(false);
    edit_->installEventFilter(this);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_);
    setFocusProxy(edit_);
    connect(edit_, &QLineEdit::textChanged, this, &ValueCell::textChanged);
}

ValueCell::ValueCell(QWidget* parent, const QString& value, const QStringList& pickList, bool readOnly)
    : ValueCell(parent, value) {
    pickList_ = pickList;
    edit_->setReadOnly(readOnly);
    dropDown_ = new QToolButton(this);
    dropDown_->setArrowType(Qt::DownArrow);
    dropDown_->setFocusPolicy(Qt::NoFocus);
    dropDown_->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(dropDown_);
    for (const QString& entry : pickList_)
        connect(menu->addAction(entry), &QAction::triggered, this, [this, entry] { pick(entry); });
    dropDown_->setMenu(menu);
    layout()->addWidget(dropDown_);
}

void ValueCell::pick(const QString& value) {
    edit_->setText(value);
}

void ValueCell::stepToNext() {
    if (pickList_.isEmpty())
        return;
    const qsizetype at = pickList_.indexOf(edit_->text());
    pick(pickList_[at < 0 || at + 1 >= pickList_.size() ? 0 : at + 1]);
}

bool ValueCell::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_) {
        if (event->type() == QEvent::FocusIn)
            emit entered();
        if (event->type() == QEvent::MouseButtonDblClick && hasPickList()) {
            stepToNext();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
