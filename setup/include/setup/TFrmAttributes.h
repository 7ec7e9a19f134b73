#pragma once
// Editor of one engine attribute list (a format's or a codec's): a name/value row per attribute, pick
// lists for boolean and option attributes, the description of the selected attribute, and every change
// of a value applied to the engine at once. There is nothing to confirm or undo.
#include <QDialog>

#include "engine/Interfaces.h"

class QPlainTextEdit;
class QTableWidget;
class ValueCell;

class TFrmAttributes : public QDialog {
    Q_OBJECT
  public:
    explicit TFrmAttributes(QWidget* owner);
    ~TFrmAttributes() override;

    QTableWidget* propsEditorList;
    QPlainTextEdit* Memo1;
    // The list being edited; set by the caller before UpdateList.
    engine::MRef<engine::IMAttributes> WriterProps;

    // Appends one row per attribute of WriterProps; run once, on a new editor.
    void UpdateList();
    bool propsEditorListSelectCell(int column, int row);
    void propsEditorListSetEditText(int column, int row, const QString& value);

    ValueCell* valueCell(int row) const;
    QString keyOf(int row) const;

  private:
    void appendRow(const QString& name, const QString& value, const QString& type, const QString& allowed);
};
