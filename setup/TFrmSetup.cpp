#include "setup/TFrmSetup.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

#include "DialogFont.h"
#include "Guarded.h"
#include "settings/RegConfig.h"
#include "settings/StoredFlag.h"
#include "setup/TCodecConfig.h"

namespace {

// Where the folder chooser opens: the folder Storage in the user's home.
QString storageProposal() {
    return QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/Storage"));
}

} // namespace

TFrmSetup::TFrmSetup(QWidget* owner, engine::IEngineFactory& engine, services::Services services)
    : QDialog(owner), services_(services) {
    setObjectName(QStringLiteral("FrmSetup"));
    setWindowTitle(QStringLiteral("Setup"));
    setFixedSize(378, 268);
    setFont(dialogFont());

    EdStorage = new QLineEdit(this);
    EdStorage->setObjectName(QStringLiteral("EdStorage"));
    EdStorage->setGeometry(8, 11, 285, 22);
    EdStorage->setReadOnly(true);
    EdStorage->setBackgroundRole(QPalette::Button);
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(11);
    EdStorage->setFont(arial);
    QPalette storagePalette = EdStorage->palette();
    storagePalette.setColor(QPalette::Base, storagePalette.color(QPalette::Button));
    EdStorage->setPalette(storagePalette);

    BtStorage = new QPushButton(QStringLiteral("Storage"), this);
    BtStorage->setObjectName(QStringLiteral("BtStorage"));
    BtStorage->setGeometry(299, 2, 79, 28);

    ChkUnificaFolder = new QCheckBox(QStringLiteral("Unificar Folder"), this);
    ChkUnificaFolder->setObjectName(QStringLiteral("ChkUnificaFolder"));
    ChkUnificaFolder->setLayoutDirection(Qt::RightToLeft);
    // Right to left, the box stands at the right edge (293); a wider caption grows to the left.
    const int chkWidth = std::max(97, ChkUnificaFolder->sizeHint().width());
    ChkUnificaFolder->setGeometry(196 + 97 - chkWidth, 39, chkWidth, 17);

    BtSaveCodec = new QPushButton(QStringLiteral("Salvar"), this);
    BtSaveCodec->setObjectName(QStringLiteral("BtSaveCodec"));
    BtSaveCodec->setGeometry(299, 36, 79, 27);

    CodecConfig1 = new TCodecConfig(this, engine, services_.messages);
    CodecConfig1->setObjectName(QStringLiteral("CodecConfig1"));
    CodecConfig1->setGeometry(0, 69, 378, 199);

    for (QPushButton* b : {BtStorage, BtSaveCodec})
        b->setAutoDefault(false);
    connect(BtStorage, &QPushButton::clicked, this,
            [this] { guarded(services_.messages, this, [this] { BtStorageClick(); }); });
    connect(BtSaveCodec, &QPushButton::clicked, this,
            [this] { guarded(services_.messages, this, [this] { BtSaveCodecClick(); }); });

    guarded(services_.messages, this, [this] { FormCreate(); });
}

TFrmSetup::~TFrmSetup() = default;

void TFrmSetup::FormCreate() {
    EdStorage->setText(RegConfig("ler", "storage", EdStorage->text()));
    CodecConfig1->Init();
}

void TFrmSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        guarded(services_.messages, this, [this] { FormShow(); });
}

void TFrmSetup::FormShow() {
    LePosicaoForm(this);
    ChkUnificaFolder->setChecked(readStoredFlag("UnificaFolder", RegConfig("ler", "UnificaFolder", "0")));
    EdStorage->setText(RegConfig("ler", "storage", EdStorage->text()));
}

void TFrmSetup::BtStorageClick() {
    const QString proposal = storageProposal();
    // The chooser opens on the proposal, so it is made first; whether that worked is the chooser's
    // concern.
    QDir().mkpath(proposal);
    QString chosen;
    if (!services_.folderChooser.chooseFolder(this, proposal, chosen))
        return;
    chosen = QDir::toNativeSeparators(chosen);
    if (!QFileInfo(chosen).isDir()) {
        if (!services_.messages.question(
                this, QStringLiteral("A pasta \"%1\" não existe. Deseja criá-la?").arg(chosen)))
            return;
        if (!QDir().mkpath(chosen)) {
            services_.messages.information(
                this, QStringLiteral("Não foi possível criar a pasta \"%1\".").arg(chosen));
            return;
        }
    }
    EdStorage->setText(chosen);
}

void TFrmSetup::BtSaveCodecClick() {
    RegConfig("escrever", "storage", EdStorage->text());
    RegConfig("escrever", "UnificaFolder", ChkUnificaFolder->isChecked() ? "-1" : "0");
}

void TFrmSetup::done(int result) {
    if (!closed_) {
        closed_ = true;
        guarded(services_.messages, this, [this] { FormClose(); });
    }
    QDialog::done(result);
}

void TFrmSetup::FormClose() {
    CodecConfig1->destroir_filtros();
    SalvaPosicaoForm(this);
}
