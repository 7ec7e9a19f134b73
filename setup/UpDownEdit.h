#pragma once
// A digits-only edit with an up-down control attached: stepping reads the edit's number, adds or
// subtracts the step within the range and writes the result back as the edit's text. Every change
// of the text, typed or stepped, is signalled through textChanged.
#include <QWidget>

class QLineEdit;
class QToolButton;

class UpDownEdit : public QWidget {
    Q_OBJECT
  public:
    UpDownEdit(QWidget* parent, int minimum, int maximum, int step, int position);

    QLineEdit* edit() const { return edit_; }
    QString text() const;
    void setText(const QString& text);
    // Sets the position within the range and shows it as the edit's text.
    void setPosition(int position);
    int position() const;
    void stepBy(int steps);

  signals:
    void textChanged(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
    int minimum_, maximum_, step_, position_;
};
