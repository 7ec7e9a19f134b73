#include <gtest/gtest.h>

#include "QtPrinters.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "RecordingEngine.h"
#include "ValueCell.h"
#include "setup/TFrmAttributes.h"

using testsupport::RecordingEngine;
using testsupport::ScriptedAttribute;

namespace {

// A codec whose attributes cover every kind of row the editor makes.
class AttributesEditor : public ::testing::Test {
  protected:
    void SetUp() override {
        engine.presets().config.options["format::video"] = {
            {"h264",
             {
                 {"profile", "main", "Profile", "option", "", "main,high"},
                 {"pix", "a", "", "option_fixed", "", "a,b"},
                 {"a53cc", "", "Captions", "bool", "true", ""},
                 {"spaced", "x", "", "option", "", "x, y"},
                 {"tune", "", "", "option", "", "film,grain"},
                 {"g", "", "GOP size", "int", "12", ""},
             }}};
        auto writer = engine::create<engine::IMConfig>(engine, engine::CLSID_FileWriter);
        writer->SelectChoice("format::video", "h264", editor.WriterProps);
        editor.UpdateList();
        engine.clearCalls();
    }
    int rowOf(const QString& name) const {
        for (int row = 0; row < editor.propsEditorList->rowCount(); ++row)
            if (editor.keyOf(row) == name)
                return row;
        return -1;
    }
    ValueCell* cell(const QString& name) const { return editor.valueCell(rowOf(name)); }
    QString engineValue(const QString& name) const {
        QString value;
        int ignored = 0;
        editor.WriterProps->GetAttributeText(name, ignored, value);
        return value;
    }
    QStringList attributeCalls() const {
        return engine.callsStartingWith("writer1[format::video:h264].SetAttribute");
    }

    RecordingEngine engine;
    TFrmAttributes editor{nullptr};
};

} // namespace

TEST_F(AttributesEditor, RowsTakeTheirKindFromTypeAndValue) {
    const struct {
        QString name, shown;
        bool pickList;
        QStringList entries;
        bool readOnly;
    } rows[] = {
        {"profile", "main", true, {"main", "high"}, false},
        {"pix", "a", true, {"a", "b"}, true},
        {"a53cc", "true", true, {"true", "false"}, false},
        {"spaced", "x", true, {"x", " y"}, false},
        {"tune", "", false, {}, false}, // an option with neither value nor default is plain text
        {"g", "12", false, {}, false},
    };
    ASSERT_EQ(editor.propsEditorList->rowCount(), 6);
    for (int row = 0; row < 6; ++row) {
        SCOPED_TRACE(rows[row].name.toStdString());
        EXPECT_EQ(editor.keyOf(row), rows[row].name);
        ValueCell* value = editor.valueCell(row);
        EXPECT_EQ(value->edit()->text(), rows[row].shown);
        EXPECT_EQ(value->hasPickList(), rows[row].pickList);
        EXPECT_EQ(value->pickList(), rows[row].entries);
        EXPECT_EQ(value->edit()->isReadOnly(), rows[row].readOnly);
        if (value->hasPickList()) {
            QStringList offered;
            for (QAction* a : value->dropDown()->menu()->actions())
                offered << a->text();
            EXPECT_EQ(offered, rows[row].entries);
        }
        EXPECT_FALSE(editor.propsEditorList->item(row, 0)->flags() & Qt::ItemIsEditable);
    }
    // Showing a default does not write it.
    EXPECT_EQ(engineValue("g"), "");
    EXPECT_TRUE(attributeCalls().isEmpty());
}

TEST_F(AttributesEditor, EveryKeystrokeReachesTheEngine) {
    ValueCell* profile = cell("profile");
    profile->edit()->clear();
    QTest::keyClicks(profile->edit(), "hig");
    EXPECT_EQ(attributeCalls(),
              QStringList({R"(writer1[format::video:h264].SetAttribute("profile", ""))",
                           R"(writer1[format::video:h264].SetAttribute("profile", "h"))",
                           R"(writer1[format::video:h264].SetAttribute("profile", "hi"))",
                           R"(writer1[format::video:h264].SetAttribute("profile", "hig"))"}));
    QTest::keyClicks(cell("a53cc")->edit(), "x");
    EXPECT_EQ(engineValue("a53cc"), "truex");
    QTest::keyClicks(cell("g")->edit(), "0");
    EXPECT_EQ(engineValue("g"), "120");
}

TEST_F(AttributesEditor, FixedOptionRefusesTypingButTakesAPick) {
    ValueCell* pix = cell("pix");
    QTest::keyClicks(pix->edit(), "zz");
    EXPECT_EQ(pix->edit()->text(), "a");
    EXPECT_TRUE(attributeCalls().isEmpty());

    pix->dropDown()->menu()->actions().at(1)->trigger();
    EXPECT_EQ(pix->edit()->text(), "b");
    EXPECT_EQ(attributeCalls(), QStringList({R"(writer1[format::video:h264].SetAttribute("pix", "b"))"}));
}

TEST_F(AttributesEditor, DoubleClickStepsThroughThePickListAndWraps) {
    ValueCell* profile = cell("profile");
    QTest::mouseDClick(profile->edit(), Qt::LeftButton);
    EXPECT_EQ(engineValue("profile"), "high");
    QTest::mouseDClick(profile->edit(), Qt::LeftButton);
    EXPECT_EQ(engineValue("profile"), "main");
    // A value not in the list steps to the first entry.
    profile->edit()->setText("custom");
    QTest::mouseDClick(profile->edit(), Qt::LeftButton);
    EXPECT_EQ(engineValue("profile"), "main");
    // The read-only row steps as well.
    QTest::mouseDClick(cell("pix")->edit(), Qt::LeftButton);
    EXPECT_EQ(engineValue("pix"), "b");
}

TEST_F(AttributesEditor, SelectingARowShowsItsDescription) {
    editor.propsEditorList->setCurrentCell(rowOf("g"), 0);
    EXPECT_EQ(editor.Memo1->toPlainText(), "GOP size");
    editor.propsEditorList->setCurrentCell(rowOf("profile"), 1);
    EXPECT_EQ(editor.Memo1->toPlainText(), "Profile");
    editor.propsEditorList->setCurrentCell(rowOf("pix"), 1);
    EXPECT_EQ(editor.Memo1->toPlainText(), "");
    // Entering a value cell selects its row.
    editor.show();
    cell("a53cc")->edit()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(editor.propsEditorList->currentRow(), rowOf("a53cc"));
    EXPECT_EQ(editor.Memo1->toPlainText(), "Captions");
}

TEST(AttributesEditorEmpty, NoAttributesOrNoListGiveAnEmptyEditor) {
    RecordingEngine engine;
    engine.presets().config.options["format::audio"] = {{"pcm", {}}};
    auto writer = engine::create<engine::IMConfig>(engine, engine::CLSID_FileWriter);
    TFrmAttributes empty(nullptr);
    writer->SelectChoice("format::audio", "pcm", empty.WriterProps);
    empty.UpdateList();
    EXPECT_EQ(empty.propsEditorList->rowCount(), 0);
    EXPECT_EQ(empty.windowTitle(), "Codec Attributes");

    TFrmAttributes none(nullptr);
    none.UpdateList();
    EXPECT_EQ(none.propsEditorList->rowCount(), 0);
}
