#pragma once
// A captioned group of radio items laid out in columns. Its click action (`clicked`) runs whenever the
// item index changes, by the operator or by code, and not when the chosen item is clicked again.
#include <QGroupBox>
#include <QStringList>
#include <vector>

class QButtonGroup;
class QRadioButton;

namespace widgets {

class RadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    explicit RadioGroup(QWidget* parent = nullptr);

    // Replaces every item; afterwards no item is chosen and no click action runs.
    void setItems(const QStringList& items);
    QStringList items() const;
    int count() const { return int(buttons_.size()); }
    void setItemText(int index, const QString& text);

    int itemIndex() const { return index_; }
    // -1 chooses none. A change of index runs the click action; an index outside the items chooses none.
    void setItemIndex(int index);

    void setColumns(int columns);
    int columns() const { return columns_; }

    // The item's own radio button, for tests that click it like the operator.
    QRadioButton* button(int index) const;

  signals:
    void clicked();

  private:
    void arrange();
    void onToggled(int id, bool checked);

    QButtonGroup* group_;
    std::vector<QRadioButton*> buttons_;
    int index_ = -1;
    int columns_ = 1;
};

} // namespace widgets
