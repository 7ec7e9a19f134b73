#pragma once
// A date field with a drop-down calendar; `closeUp` runs when the calendar closes, with or without a
// change of date.
#include <QDateEdit>

namespace widgets {

class DatePicker : public QDateEdit {
    Q_OBJECT
  public:
    explicit DatePicker(QWidget* parent = nullptr);

  signals:
    void closeUp();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* popup_ = nullptr;
};

} // namespace widgets
