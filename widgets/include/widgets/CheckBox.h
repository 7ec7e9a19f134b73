#pragma once
// A check box whose click action runs on every change of its tick, by the operator or by code.
#include <QCheckBox>

namespace widgets {

class CheckBox : public QCheckBox {
    Q_OBJECT
  public:
    explicit CheckBox(const QString& text, QWidget* parent = nullptr) : QCheckBox(text, parent) {
        connect(this, &QCheckBox::toggled, this, &CheckBox::clickAction);
    }

  signals:
    void clickAction();
};

} // namespace widgets
