#include "PlayerLayout.h"

#include "Scaling.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "widgets/AutoSizeLabel.h"
#include "widgets/BitmapButton.h"
#include "widgets/CheckBox.h"
#include "widgets/ClipList.h"
#include "widgets/DatePicker.h"
#include "widgets/Docking.h"
#include "widgets/PositionBar.h"
#include "widgets/PreviewPanel.h"
#include "widgets/RadioGroup.h"
#include "widgets/StatusStrip.h"

namespace {

// The families of the original design, then their metric twins on systems that lack them. Tahoma and
// MS Sans Serif fall back to Liberation Sans: its narrow digits keep "00:00:00:00" inside the counters.
QFont fontOf(const QString& family, int pixelSize) {
    QFont font;
    font.setFamilies({family, QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    return font;
}
QFont arial13() {
    return fontOf(QStringLiteral("Arial"), 13);
}

template <class W> W* place(W* control, const char* name, int left, int top, int width, int height) {
    control->setObjectName(QString::fromLatin1(name));
    markLayoutControl(control);
    control->setGeometry(left, top, width, height);
    return control;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int l, int t, int w, int h) {
    return place(new QLabel(text, parent), name, l, t, w, h);
}

void colour(QWidget* control, const QString& css) {
    control->setStyleSheet(QStringLiteral("#%1 { %2 }").arg(control->objectName(), css));
}

widgets::RadioGroup* radioGroup(QWidget* parent, const char* name, const QString& caption,
                                const QStringList& items, int columns, int selected, int l, int t, int w,
                                int h) {
    auto* group = place(new widgets::RadioGroup(parent), name, l, t, w, h);
    group->setTitle(caption);
    group->setColumns(columns);
    group->setItems(items);
    group->setItemIndex(selected);
    return group;
}

widgets::BitmapButton* bitmapButton(QWidget* parent, const char* name, const QString& caption, int left,
                                    int width, const QColor& over, const QColor& otherwise) {
    auto* button = place(new widgets::BitmapButton(caption, parent), name, left, 15, width, 40);
    button->setCaptionColors(over, otherwise);
    button->setFaceColors(QColor(44, 48, 54), QColor(85, 85, 85), QColor(87, 87, 87));
    return button;
}

QAction* action(QWidget* window, const char* name, QKeyCombination keys) {
    auto* a = new QAction(QString::fromLatin1(name), window);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(QKeySequence(keys));
    // Works whichever control of the window has the focus.
    a->setShortcutContext(Qt::WindowShortcut);
    window->addAction(a);
    return a;
}

void buildWindowControls(QWidget* w, PlayerControls& c) {
    c.Label1 = label(w, "Label1", QStringLiteral("Data da gravação"), 9, 12, 100, 16);
    c.Label1->setFont(arial13());
    c.ComboData = place(new widgets::DatePicker(w), "ComboData", 9, 36, 89, 24);
    c.ComboData->setFont(arial13());
    colour(c.ComboData, QStringLiteral("background-color: rgb(53,53,53);"));
    c.RGCanal = radioGroup(w, "RGCanal", QStringLiteral("Canal"), {"canal1", "canal2", "canal3", "canal4"}, 2,
                           -1, 137, 9, 171, 80);
    c.RgExtensao =
        radioGroup(w, "RgExtensao", QStringLiteral("Codecs"), {"Default", "Todos"}, 1, 0, 314, 9, 81, 80);
    c.Label7 = label(w, "Label7", QStringLiteral("Saída HDMI secundária "), 8, 76, 118, 13);
    c.ComboMonitor = place(new QComboBox(w), "ComboMonitor", 8, 95, 387, 21);
    c.Label4 = label(w, "Label4", QStringLiteral("Localização dos arquivos:"), 8, 115, 149, 16);
    c.Label4->setFont(arial13());
    c.LblPasta = new widgets::AutoSizeLabel(w);
    c.LblPasta->setFont(arial13());
    c.LblPasta->setText(QStringLiteral("..."));
    place(c.LblPasta, "LblPasta", 8, 129, 12, 16);
    c.Label2 = label(w, "Label2", QStringLiteral("Clipes disponíveis"), 9, 138, 103, 16);
    c.Label2->setFont(arial13());
    c.FileList = place(new widgets::ClipList(w), "FileList", 9, 162, 386, 279);
    c.FileList->setToolTip(
        QStringLiteral("Pressionando o CRTL  é possivel selecionar multiplos arquivos para exclusão"));
    try {
        c.FileList->setMask(
            QStringLiteral("*.mxf;*.avi;*.asf;*.mpg;*.mp4;*.flv;*.mkv;*.mxf;*.dv;*.asf;*.m4v"));
    } catch (const widgets::FolderError&) {
        // The working directory has gone: the list simply starts empty.
    }
    c.PanelAudioSelect = place(new QFrame(w), "PanelAudioSelect", 8, 456, 387, 111);
    c.PanelAudioSelect->setFrameShape(QFrame::StyledPanel);
    c.BtSetup = place(new QPushButton(QStringLiteral("Setup"), w), "BtSetup", 8, 570, 129, 36);
    c.BtAtualizar =
        place(new QPushButton(QStringLiteral("Atualiza lista"), w), "BtAtualizar", 137, 570, 129, 36);
    c.BtExcluir =
        place(new QPushButton(QStringLiteral("Excluir selecionados"), w), "BtExcluir", 266, 570, 129, 36);
    c.BtExcluir->setToolTip(QStringLiteral("Excluir arquivos selecionados"));
    c.PanelCtl = place(new QFrame(w), "PanelCtl", 409, 0, 697, 618);
    widgets::setDockInset(c.PanelCtl, 1);
    c.PainelArquivo = place(new widgets::StatusStrip(QStringLiteral("Arquivo Selecionado"), w),
                            "PainelArquivo", 0, 618, 1106, 26);
    c.PainelArquivo->setAlignment(Qt::AlignCenter);
    c.PainelArquivo->setFont(fontOf(QStringLiteral("MS Sans Serif"), 13));
    c.PainelArquivo->setFrameShape(QFrame::Panel);
    c.PainelArquivo->setFrameShadow(QFrame::Raised);
    colour(c.PainelArquivo, QStringLiteral("background-color: silver; color: black;"));
    widgets::setDock(c.PainelArquivo, widgets::DockEdge::Bottom);
    widgets::setDock(c.PanelCtl, widgets::DockEdge::Right);
}

void buildAudioSelect(QWidget* panel, PlayerControls& c) {
    c.RgAudioSelect = radioGroup(panel, "RgAudioSelect", QStringLiteral("Audio channel"),
                                 {"Todos", "Nenhum", "Selecionados"}, 1, 0, 7, 8, 96, 95);
    static constexpr int lefts[] = {115, 184, 262, 333};
    static constexpr int tops[] = {15, 34, 55, 74};
    for (int i = 0; i < 16; ++i) {
        const int number = i + 1;
        const int top = number == 4 ? 78 : tops[i % 4];
        const QByteArray name = "CHk" + QByteArray::number(number);
        auto* box = new widgets::CheckBox(QString::number(number), panel);
        place(box, name.constData(), lefts[i / 4], top, number % 2 ? 28 : 36, 17);
        box->setChecked(true);
        c.CHk[size_t(i)] = box;
    }
}

void buildTransport(QGroupBox* group, PlayerControls& c) {
    c.RGSpeedPlay = radioGroup(group, "RGSpeedPlay", QStringLiteral("Speed Play"), {"1x", "2x", "4x", "8x"},
                               2, 0, 94, -1, 83, 62);
    c.checkBoxAudio =
        place(new widgets::CheckBox(QStringLiteral("Audio PVW"), group), "checkBoxAudio", 22, 23, 82, 17);
    c.CHKVU = place(new widgets::CheckBox(QStringLiteral("VU"), group), "CHKVU", 22, 44, 41, 17);
    const QColor lime(0, 255, 0), white(255, 255, 255);
    c.BTGoIn = bitmapButton(group, "BTGoIn", QStringLiteral("<<"), 177, 48, lime, white);
    c.BTGoIn->setCaptionPixelSizes(19, 15);
    c.BTGoIn->setToolTip(QStringLiteral("Vai para o Cue de entrada"));
    c.BtCueIn = bitmapButton(group, "BtCueIn", QStringLiteral("iN"), 226, 60, lime, white);
    c.BtPlay = bitmapButton(group, "BtPlay", QStringLiteral("PLAY"), 288, 60, lime, white);
    c.BtPausa = bitmapButton(group, "BtPausa", QStringLiteral("PAUSE"), 350, 60, QColor(0, 128, 192), white);
    c.BtStop = bitmapButton(group, "BtStop", QStringLiteral("STOP"), 412, 60, QColor(255, 0, 0), white);
    c.btCueOut = bitmapButton(group, "btCueOut", QStringLiteral("OUT"), 474, 60, lime, white);
    c.BtExportar =
        bitmapButton(group, "BtExportar", QStringLiteral("EXPORT"), 536, 83, lime, QColor(255, 255, 0));
    c.BtExportar->setEnabled(false);
    c.BtGoOut = bitmapButton(group, "BtGoOut", QStringLiteral(">>"), 620, 48, lime, white);
    c.BtGoOut->setCaptionPixelSizes(19, 15);
    c.BtGoOut->setToolTip(QStringLiteral("Vai para o Cue de saída"));
}

void buildCounters(QWidget* panel, PlayerControls& c) {
    const QFont heading = fontOf(QStringLiteral("MS Sans Serif"), 16);
    auto headingLabel = [&](const char* name, const QString& text, int left, int top) {
        QLabel* l = place(new QLabel(text, panel), name, left, top, 0, 0);
        l->setFont(heading);
        l->resize(l->sizeHint());
        return l;
    };
    c.Label32 = headingLabel("Label32", QStringLiteral("Posição "), 12, 10);
    c.Label31 = headingLabel("Label31", QStringLiteral("Entrada"), 138, 10);
    c.Label33 = headingLabel("Label33", QStringLiteral("Saída"), 268, 10);
    c.Label3 = headingLabel("Label3", QStringLiteral("Duração parcial"), 408, 9);
    c.Label34 = headingLabel("Label34", QStringLiteral("Duração Total"), 542, 10);
    const QFont counter = fontOf(QStringLiteral("Tahoma"), 19);
    auto counterLabel = [&](const char* name, int left, int top) {
        QLabel* l = label(panel, name, QStringLiteral("00:00:00:00"), left, top, 101, 23);
        l->setFont(counter);
        return l;
    };
    c.TempoAtual = counterLabel("TempoAtual", 14, 34);
    c.Lblcue_in = counterLabel("Lblcue_in", 139, 34);
    c.Lblcue_out = counterLabel("Lblcue_out", 268, 33);
    c.LblParcial = counterLabel("LblParcial", 408, 33);
    c.LblDuracao = counterLabel("LblDuracao", 542, 34);
    colour(c.LblDuracao, QStringLiteral("color: maroon;"));
}

void buildPlayerPanel(QWidget* panel, PlayerControls& c) {
    c.panelPreviewPlay = place(new widgets::PreviewPanel(panel), "panelPreviewPlay", 2, 12, 678, 429);
    QPalette preview = c.panelPreviewPlay->palette();
    preview.setColor(QPalette::Window, QColor(58, 58, 58));
    c.panelPreviewPlay->setPalette(preview);
    c.TBPlay = place(new widgets::PositionBar(panel), "TBPlay", 5, 446, 677, 22);
    c.TBPlay->setToolTip(QStringLiteral(" Arrow keys left and Right  moves shuttle bar"));
    colour(c.TBPlay, QStringLiteral("background-color: rgb(36,41,48);"));
    c.GBPlay = place(new QGroupBox(panel), "GBPlay", 5, 476, 677, 71);
    buildTransport(c.GBPlay, c);
    c.ChKCC = place(new widgets::CheckBox(QStringLiteral("Show C.C."), panel), "ChKCC", 27, 481, 77, 17);
    c.PanelContadores = place(new QFrame(panel), "PanelContadores", 1, 553, 695, 64);
    // The counters keep the black and maroon of their design on a light face of their own.
    c.PanelContadores->setStyleSheet(QStringLiteral("#PanelContadores { background-color: silver; }"
                                                    " #PanelContadores QLabel { color: black; }"));
    buildCounters(c.PanelContadores, c);
    widgets::setDock(c.PanelContadores, widgets::DockEdge::Bottom);
}

} // namespace

PlayerControls buildPlayerLayout(QWidget* w) {
    PlayerControls c{};
    // Laid out at the designed client size, so that docked panels start at their designed bounds.
    w->resize(kDesignedClientSize);
    w->setFont(fontOf(QStringLiteral("MS Sans Serif"), 11));
    buildWindowControls(w, c);
    buildAudioSelect(c.PanelAudioSelect, c);
    buildPlayerPanel(c.PanelCtl, c);

    c.TimerPlay = new QTimer(w);
    c.TimerPlay->setObjectName(QStringLiteral("TimerPlay"));
    c.TimerPlay->setInterval(33);
    c.Forward = action(w, "Forward", Qt::CTRL | Qt::Key_Right);
    c.Rewind = action(w, "Rewind", Qt::CTRL | Qt::Key_Left);
    c.GoEnd = action(w, "GoEnd", Qt::CTRL | Qt::Key_Up);
    c.GoStart = action(w, "GoStart", Qt::CTRL | Qt::Key_Down);
    c.CueIN = action(w, "CueIN", Qt::CTRL | Qt::Key_I);
    c.CueOut = action(w, "CueOut", Qt::CTRL | Qt::Key_O);
    c.Pause = action(w, "Pause", Qt::CTRL | Qt::Key_Space);
    c.FFW = action(w, "FFW", Qt::CTRL | Qt::SHIFT | Qt::Key_Right);
    c.REW = action(w, "REW", Qt::CTRL | Qt::SHIFT | Qt::Key_Left);
    return c;
}
