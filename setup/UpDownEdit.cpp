#include "UpDownEdit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

UpDownEdit::UpDownEdit(QWidget* parent, int minimum, int maximum, int step, int position)
    : QWidget(parent), edit_(new QLineEdit(this)), up_(new QToolButton(this)), down_(new QToolButton(this)),
      minimum_(minimum), maximum_(maximum), step_(step), position_(std::clamp(position, minimum, maximum)) {
    edit_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit_));
    edit_->setText(QString::number(position_));
    edit_->installEventFilter(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
        b->setFixedWidth(16);
    }
    auto* buttons = new QVBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    buttons->addWidget(up_);
    buttons->addWidget(down_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_);
    row->addLayout(buttons);
    connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
    connect(edit_, &QLineEdit::textChanged, this, &UpDownEdit::textChanged);
}

QString UpDownEdit::text() const {
    return edit_->text();
}

void UpDownEdit::setText(const QString& text) {
    edit_->setText(text);
}

void UpDownEdit::setPosition(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
    edit_->setText(QString::number(position_));
}

int UpDownEdit::position() const {
    // The edit may have been typed into since the last step: its number is the current position.
    bool ok = false;
    const int typed = edit_->text().toInt(&ok);
    return ok ? std::clamp(typed, minimum_, maximum_) : position_;
}

void UpDownEdit::stepBy(int steps) {
    setPosition(position() + steps * step_);
}

bool UpDownEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
