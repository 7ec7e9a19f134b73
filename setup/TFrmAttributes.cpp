#include "setup/TFrmAttributes.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableWidget>

#include "DialogFont.h"
#include "TextLists.h"
#include "ValueCell.h"

namespace {
constexpr int kNameColumn = 0;
constexpr int kValueColumn = 1;

QString attributeInfo(engine::IMAttributes& attributes, const QString& name, int field) {
    QString text;
    attributes.GetAttributeInfo(name, field, text);
    return text;
}
} // namespace

TFrmAttributes::TFrmAttributes(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("FrmAttributes"));
    setWindowTitle(QStringLiteral("Codec Attributes"));
    setFixedSize(323, 451);
    setFont(dialogFont());

    propsEditorList = new QTableWidget(0, 2, this);
    propsEditorList->setObjectName(QStringLiteral("propsEditorList"));
    propsEditorList->setGeometry(8, 8, 306, 340);
    propsEditorList->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
    propsEditorList->horizontalHeader()->setStretchLastSection(true);
    propsEditorList->setColumnWidth(0, 140);
    propsEditorList->verticalHeader()->hide();
    propsEditorList->verticalHeader()->setDefaultSectionSize(20);
    propsEditorList->setSelectionMode(QAbstractItemView::SingleSelection);
    propsEditorList->setEditTriggers(QAbstractItemView::NoEditTriggers);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(8, 354, 307, 89);
    Memo1->setReadOnly(true);

    connect(propsEditorList, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { propsEditorListSelectCell(column, row); });
}

TFrmAttributes::~TFrmAttributes() = default;

void TFrmAttributes::UpdateList() {
    if (!WriterProps)
        return;
    int count = 0;
    WriterProps->GetAttributeCount(count);
    for (int i = 0; i < count; ++i) {
        QString name, value;
        WriterProps->GetAttributeName(i, name);
        int ignored = 0;
        WriterProps->GetAttributeText(name, ignored, value);
        const QString type = attributeInfo(*WriterProps, name, 1);
        const QString defaultValue = attributeInfo(*WriterProps, name, 2);
        const QString allowed = attributeInfo(*WriterProps, name, 3);
        // The default is only shown: the engine keeps its empty value until the row is edited.
        appendRow(name, value.isEmpty() ? defaultValue : value, type, allowed);
    }
}

void TFrmAttributes::appendRow(const QString& name, const QString& value, const QString& type,
                               const QString& allowed) {
    const int row = propsEditorList->rowCount();
    propsEditorList->insertRow(row);
    auto* key = new QTableWidgetItem(name);
    key->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    propsEditorList->setItem(row, kNameColumn, key);

    ValueCell* cell;
    const bool option = type == QLatin1String("option") || type == QLatin1String("option_fixed");
    if (option && !value.isEmpty())
        cell = new ValueCell(propsEditorList, value, pickListEntries(allowed),
                             type == QLatin1String("option_fixed"));
    else if (type == QLatin1String("bool"))
        cell =
            new ValueCell(propsEditorList, value, {QStringLiteral("true"), QStringLiteral("false")}, false);
    else
        cell = new ValueCell(propsEditorList, value);
    propsEditorList->setCellWidget(row, kValueColumn, cell);
    connect(cell, &ValueCell::textChanged, this,
            [this, row](const QString& text) { propsEditorListSetEditText(kValueColumn, row, text); });
    connect(cell, &ValueCell::entered, this,
            [this, row] { propsEditorList->setCurrentCell(row, kValueColumn); });
}

bool TFrmAttributes::propsEditorListSelectCell(int /*column*/, int row) {
    if (WriterProps && row >= 0 && row < propsEditorList->rowCount())
        Memo1->setPlainText(attributeInfo(*WriterProps, keyOf(row), 0));
    return true;
}

void TFrmAttributes::propsEditorListSetEditText(int /*column*/, int row, const QString& value) {
    if (WriterProps)
        WriterProps->SetAttribute(keyOf(row), value);
}

ValueCell* TFrmAttributes::valueCell(int row) const {
    return qobject_cast<ValueCell*>(propsEditorList->cellWidget(row, kValueColumn));
}

QString TFrmAttributes::keyOf(int row) const {
    const QTableWidgetItem* key = propsEditorList->item(row, kNameColumn);
    return key ? key->text() : QString();
}
