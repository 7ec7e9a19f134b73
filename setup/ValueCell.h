#pragma once
// The value cell of one attribute row: an in-place edit and, for rows with a pick list, a drop-down
// button offering the list's values. Double-clicking a pick-list cell steps to the next value, from the
// last back to the first. A read-only cell refuses typing but still takes a picked value.
#include <QStringList>
#include <QWidget>

class QLineEdit;
class QToolButton;

class ValueCell : public QWidget {
    Q_OBJECT
  public:
    // A plain text cell.
    ValueCell(QWidget* parent, const QString& value);
    // A cell with a pick list (which may be empty).
    ValueCell(QWidget* parent, const QString& value, const QStringList& pickList, bool readOnly);

    QLineEdit* edit() const { return edit_; }
    // The drop-down button; null for a plain text cell.
    QToolButton* dropDown() const { return dropDown_; }
    const QStringList& pickList() const { return pickList_; }
    bool hasPickList() const { return dropDown_ != nullptr; }

    void pick(const QString& value);
    void stepToNext();

  signals:
    // Every change of the text: each keystroke, each pick, each step.
    void textChanged(const QString& text);
    void entered();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* edit_;
    QToolButton* dropDown_ = nullptr;
    QStringList pickList_;
};
