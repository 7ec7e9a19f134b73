#include "widgets/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace widgets {

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent), group_(new QButtonGroup(this)) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 4, 2);
    grid->setSpacing(0);
    connect(group_, &QButtonGroup::idToggled, this, &RadioGroup::onToggled);
}

void RadioGroup::setItems(const QStringList& items) {
    setItemIndex(-1);
    for (QRadioButton* b : buttons_)
        delete b;
    buttons_.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setFocusPolicy(Qt::TabFocus);
        group_->addButton(b, i);
        buttons_.push_back(b);
    }
    index_ = -1;
    arrange();
}

QStringList RadioGroup::items() const {
    QStringList list;
    for (const QRadioButton* b : buttons_)
        list << b->text();
    return list;
}

void RadioGroup::setItemText(int index, const QString& text) {
    if (QRadioButton* b = button(index))
        b->setText(text);
}

QRadioButton* RadioGroup::button(int index) const {
    return index >= 0 && index < count() ? buttons_[size_t(index)] : nullptr;
}

void RadioGroup::setItemIndex(int index) {
    if (!button(index))
        index = -1;
    if (index == index_)
        return;
    if (index < 0) {
        // An exclusive group refuses to clear its last checked button.
        group_->setExclusive(false);
        buttons_[size_t(index_)]->setChecked(false);
        group_->setExclusive(true);
        index_ = -1;
        return;
    }
    buttons_[size_t(index)]->setChecked(true); // onToggled records the index and runs the click action
}

void RadioGroup::onToggled(int id, bool checked) {
    if (!checked || id == index_)
        return;
    index_ = id;
    emit clicked();
}

void RadioGroup::setColumns(int columns) {
    columns_ = qMax(1, columns);
    arrange();
}

// Items fill the first column top to bottom, then the next.
void RadioGroup::arrange() {
    auto* grid = static_cast<QGridLayout*>(layout());
    for (QRadioButton* b : buttons_)
        grid->removeWidget(b);
    const int rows = qMax(1, (count() + columns_ - 1) / columns_);
    for (int i = 0; i < count(); ++i)
        grid->addWidget(buttons_[size_t(i)], i % rows, i / rows);
}

} // namespace widgets
