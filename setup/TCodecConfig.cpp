#include "setup/TCodecConfig.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Guarded.h"
#include "TextLists.h"
#include "UpDownEdit.h"
#include "engine/OperatorTexts.h"
#include "settings/RegConfig.h"
#include "setup/TFrmAttributes.h"

using engine::IMAttributes;
using engine::MRef;

namespace {

const QString kFormat = QStringLiteral("format");
const QString kVideo = QStringLiteral("format::video");
const QString kAudio = QStringLiteral("format::audio");

int numberOr(const QString& text, int fallback) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : fallback;
}

// The "b" text of a typed video bit rate in kbps: kilobits up to 1000, whole megabits above (the
// remainder is dropped). A text that is no number counts as 512.
QString videoBitRateFromEdit(const QString& typed) {
    const int kbps = numberOr(typed, 512);
    return kbps <= 1000 ? typed + 'K' : QString::number(kbps / 1000) + 'M';
}

QLabel* label(QWidget* parent, const QString& text, int left, int top) {
    auto* l = new QLabel(text, parent);
    l->move(left, top);
    l->adjustSize();
    return l;
}

QPushButton* propsButton(QWidget* parent, const char* name, QRect geometry) {
    auto* b = new QPushButton(QStringLiteral("Show Props"), parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    return b;
}

QComboBox* choiceList(QWidget* parent, const char* name, QRect geometry) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setGeometry(geometry);
    return c;
}

} // namespace

TCodecConfig::TCodecConfig(QWidget* parent, engine::IEngineFactory& engine, services::IMessageBox& messages)
    : QFrame(parent), engine_(engine), messages_(messages) {
    buildControls();
}

TCodecConfig::~TCodecConfig() {
    // A host that never closed the panel still must not leave the writer running. Nothing can be
    // reported from here, so a failure to close is dropped.
    try {
        destroir_filtros();
    } catch (const std::exception&) {
    }
}

void TCodecConfig::buildControls() {
    setFixedHeight(199);
    setAutoFillBackground(true);
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(36, 41, 48));
    dark.setColor(QPalette::WindowText, QColor(220, 220, 220));
    setPalette(dark);

    PanelCodec = new QFrame(this);
    PanelCodec->setObjectName(QStringLiteral("PanelCodec"));
    PanelCodec->setFrameShape(QFrame::NoFrame);

    label(PanelCodec, QStringLiteral("Export file Codec Setting"), 128, 8);
    label(PanelCodec, QStringLiteral("Formato"), 9, 31);
    formats = choiceList(PanelCodec, "formats", {65, 28, 209, 23});
    BTFormatProps = propsButton(PanelCodec, "BTFormatProps", {280, 26, 78, 25});
    label(PanelCodec, QStringLiteral("Video"), 23, 57);
    videocodec = choiceList(PanelCodec, "videocodec", {65, 54, 209, 23});
    BTVideoCodecProps = propsButton(PanelCodec, "BTVideoCodecProps", {279, 53, 78, 25});
    label(PanelCodec, QStringLiteral("Audio"), 22, 82);
    audiocodec = choiceList(PanelCodec, "audiocodec", {66, 79, 208, 23});
    BtAudioCodecProps = propsButton(PanelCodec, "BtAudioCodecProps", {279, 78, 78, 25});

    label(PanelCodec, QStringLiteral("Parâmetros"), 5, 111);
    EdParCodec = new QLineEdit(PanelCodec);
    EdParCodec->setObjectName(QStringLiteral("EdParCodec"));
    EdParCodec->setGeometry(65, 105, 291, 25);
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(15);
    EdParCodec->setFont(arial);
    QPalette grey = EdParCodec->palette();
    grey.setColor(QPalette::Base, QColor(200, 200, 200));
    grey.setColor(QPalette::Text, Qt::black);
    EdParCodec->setPalette(grey);

    GroupBox4 = new QGroupBox(QStringLiteral("Audio e video Bitrate (kbps)"), PanelCodec);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    GroupBox4->setGeometry(5, 139, 202, 52);
    label(GroupBox4, QStringLiteral("Video"), 7, 26);
    EdVideoBitRate = new UpDownEdit(GroupBox4, 256, 50000, 256, 6000);
    EdVideoBitRate->setObjectName(QStringLiteral("EdVideoBitRate"));
    EdVideoBitRate->setGeometry(39, 24, 49 + 16, 19);
    label(GroupBox4, QStringLiteral("Audio"), 109, 26);
    EdAudioBitRate = new UpDownEdit(GroupBox4, 10, 512, 8, 256);
    EdAudioBitRate->setObjectName(QStringLiteral("EdAudioBitRate"));
    EdAudioBitRate->setGeometry(146, 24, 31 + 16, 19);

    label(PanelCodec, QStringLiteral("Extensão"), 214, 146);
    ComboExt = new QComboBox(PanelCodec);
    ComboExt->setObjectName(QStringLiteral("ComboExt"));
    ComboExt->setEditable(true);
    ComboExt->setGeometry(213, 162, 65, 23);
    QPalette silver = ComboExt->palette();
    silver.setColor(QPalette::Base, QColor(192, 192, 192));
    silver.setColor(QPalette::Text, Qt::black);
    ComboExt->setPalette(silver);

    BtSaveCodec = new QPushButton(QStringLiteral("Salvar"), PanelCodec);
    BtSaveCodec->setObjectName(QStringLiteral("BtSaveCodec"));
    BtSaveCodec->setGeometry(285, 159, 73, 27);
    BtSaveCodec->setAutoDefault(false);

    auto run = [this](void (TCodecConfig::*handler)()) {
        return [this, handler] { guarded(messages_, this, [this, handler] { (this->*handler)(); }); };
    };
    connect(formats, &QComboBox::activated, this, run(&TCodecConfig::formatsChange));
    connect(videocodec, &QComboBox::activated, this, run(&TCodecConfig::videocodecChange));
    connect(audiocodec, &QComboBox::activated, this, run(&TCodecConfig::audiocodecChange));
    connect(EdVideoBitRate, &UpDownEdit::textChanged, this, run(&TCodecConfig::EdVideoBitRateChange));
    connect(EdAudioBitRate, &UpDownEdit::textChanged, this, run(&TCodecConfig::EdAudioBitRateChange));
    connect(BTFormatProps, &QPushButton::clicked, this, run(&TCodecConfig::BTFormatPropsClick));
    connect(BTVideoCodecProps, &QPushButton::clicked, this, run(&TCodecConfig::BTVideoCodecPropsClick));
    connect(BtAudioCodecProps, &QPushButton::clicked, this, run(&TCodecConfig::BtAudioCodecPropsClick));
    connect(BtSaveCodec, &QPushButton::clicked, this, run(&TCodecConfig::BtSaveCodecClick));
}

void TCodecConfig::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    PanelCodec->setGeometry(rect());
}

void TCodecConfig::Init() {
    // Until the writer is up the panel stays disabled, so that its "Salvar" cannot overwrite the stored
    // export settings with an empty selection.
    setEnabled(false);
    myWriter = engine::create<engine::IMWriter>(engine_, engine::CLSID_FileWriter);
    myConfig = engine::query<engine::IMConfig>(myWriter);

    formats->clear();
    int count = 0;
    myConfig->GetChoiceCount(kFormat, count);
    for (int i = 0; i < count; ++i) {
        QString name;
        myConfig->GetChoiceName(kFormat, i, name);
        MRef<IMAttributes> attributes;
        myConfig->SelectChoice(kFormat, name, attributes);
        // A format whose flag cannot be read counts as a network format and is not offered.
        int network = 1;
        if (attributes)
            attributes->GetAttributeFlag(QStringLiteral("network"), network);
        if (network == 0)
            formats->addItem(name);
    }

    inicia_controles();

    for (QComboBox* list : {formats, videocodec, audiocodec})
        list->view()->setMinimumWidth(200);
    setEnabled(true);
}

void TCodecConfig::inicia_controles() {
    formats->setCurrentIndex(numberOr(RegConfig("ler", "formato", "0"), 0));
    formatsChange();
    videocodec->setCurrentIndex(numberOr(RegConfig("ler", "video_codec", "0"), 0));
    audiocodec->setCurrentIndex(numberOr(RegConfig("ler", "audio_codec", "0"), 0));

    videobitrate = RegConfig("ler", "RecVideoBitRate", "20000");
    audiobitrate = RegConfig("ler", "RecAudioBitRate", "64");
    // Setting the positions runs the bit-rate handlers, also when a text does not change: they make the
    // listed codecs current in the engine, so "Show Props" shows the codec the list shows.
    {
        const QSignalBlocker videoQuiet(EdVideoBitRate);
        const QSignalBlocker audioQuiet(EdAudioBitRate);
        EdVideoBitRate->setPosition(numberOr(videobitrate, 6000));
        EdAudioBitRate->setPosition(numberOr(audiobitrate, 256));
    }
    EdVideoBitRateChange();
    EdAudioBitRateChange();

    codec_config = RegConfig("ler", "Parametros_Codec", "");
    EdParCodec->setText(codec_config);
    ComboExt->setEditText(RegConfig("ler", "extensao", "avi"));
}

void TCodecConfig::destroir_filtros() {
    if (myWriter)
        engine::query<engine::IMObject>(myWriter)->CloseObject();
    myWriter.reset();
}

void TCodecConfig::formatsChange() {
    if (!myConfig)
        return;
    MRef<IMAttributes> format;
    myConfig->SelectChoice(kFormat, formats->currentText(), format);
    fillChoices(videocodec, kVideo);
    fillChoices(audiocodec, kAudio);
    QString params;
    myConfig->GetParamText(1, params);

    QString extensions;
    int ignored = 0;
    if (format)
        format->GetAttributeText(QStringLiteral("extensions"), ignored, extensions);
    ComboExt->clear();
    ComboExt->clearEditText();
    ComboExt->addItems(extensionEntries(extensions));
    ComboExt->setCurrentIndex(ComboExt->count() > 0 ? 0 : -1);

    EdParCodec->setText(params);
}

void TCodecConfig::fillChoices(QComboBox* list, const QString& option) {
    list->clear();
    int count = 0;
    myConfig->GetChoiceCount(option, count);
    for (int i = 0; i < count; ++i) {
        QString name;
        myConfig->GetChoiceName(option, i, name);
        list->addItem(name);
    }
    list->setCurrentIndex(list->count() > 0 ? 0 : -1);
}

void TCodecConfig::setCodecBitRate(QComboBox* list, const QString& option, const QString& bitRate) {
    MRef<IMAttributes> codec;
    myConfig->SelectChoice(option, list->currentText(), codec);
    if (codec)
        codec->SetAttribute(QStringLiteral("b"), bitRate);
    showParamText();
}

bool TCodecConfig::hasSelection(const QComboBox* list) const {
    return myConfig && !list->currentText().isEmpty();
}

void TCodecConfig::videocodecChange() {
    if (!hasSelection(videocodec))
        return;
    videobitrate = EdVideoBitRate->text();
    setCodecBitRate(videocodec, kVideo, videobitrate + 'K');
}

void TCodecConfig::EdVideoBitRateChange() {
    if (!hasSelection(videocodec))
        return;
    videobitrate = videoBitRateFromEdit(EdVideoBitRate->text());
    setCodecBitRate(videocodec, kVideo, videobitrate);
}

void TCodecConfig::audiocodecChange() {
    if (!hasSelection(audiocodec))
        return;
    audiobitrate = EdAudioBitRate->text();
    setCodecBitRate(audiocodec, kAudio, audiobitrate + 'K');
}

void TCodecConfig::EdAudioBitRateChange() {
    audiocodecChange();
}

void TCodecConfig::showParamText() {
    QString params;
    myConfig->GetParamText(1, params);
    EdParCodec->setText(params);
}

void TCodecConfig::showProps(const QString& option) {
    if (!myConfig)
        return;
    QString name;
    MRef<IMAttributes> attributes;
    myConfig->GetSelectedChoice(option, name, attributes);
    TFrmAttributes editor(this);
    editor.setWindowTitle(name);
    editor.WriterProps = attributes;
    editor.UpdateList();
    editor.exec();
    showParamText();
}

void TCodecConfig::BTFormatPropsClick() {
    showProps(kFormat);
}
void TCodecConfig::BTVideoCodecPropsClick() {
    showProps(kVideo);
}
void TCodecConfig::BtAudioCodecPropsClick() {
    showProps(kAudio);
}

// Why a writer refuses the parameter text (with the chosen extension), or empty when it takes it. The
// check runs on a writer of its own, as the export does, so the panel's writer keeps the choices the
// lists show; nothing is recorded.
QString TCodecConfig::exportSettingsProblem() {
    const auto trial = engine::create<engine::IMWriter>(engine_, engine::CLSID_FileWriter);
    const QString trialTarget =
        QDir(QDir::tempPath()).filePath(QStringLiteral("export-check.") + ComboExt->currentText());
    const bool accepted = trial->SetTarget(trialTarget, EdParCodec->text()) == engine::kOk;
    int ok = 0;
    QString reason;
    if (!accepted)
        trial->GetRecordingResult(ok, reason);
    engine::query<engine::IMObject>(trial)->CloseObject();
    if (accepted)
        return {};
    return reason.isEmpty() ? engine::texts::unknownReason() : reason;
}

void TCodecConfig::BtSaveCodecClick() {
    // A text the writer cannot take would make every later export fail: nothing is saved and the box
    // keeps the text for the operator to correct.
    const QString problem = exportSettingsProblem();
    if (!problem.isEmpty()) {
        messages_.information(this, engine::texts::codecSettingsRefused(problem));
        return;
    }
    RegConfig("escrever", "formato", QString::number(formats->currentIndex()));
    RegConfig("escrever", "video_codec", QString::number(videocodec->currentIndex()));
    RegConfig("escrever", "RecVideoBitRate", EdVideoBitRate->text());
    RegConfig("escrever", "audio_codec", QString::number(audiocodec->currentIndex()));
    RegConfig("escrever", "RecAudioBitRate", EdAudioBitRate->text());
    RegConfig("escrever", "Parametros_Codec", EdParCodec->text());
    RegConfig("escrever", "extensao", ComboExt->currentText());
}
