#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <sys/stat.h>

#include "PlayerHarness.h"
#include "settings/RegConfig.h"
#include "widgets/AutoSizeLabel.h"
#include "widgets/ClipList.h"
#include "widgets/DatePicker.h"
#include "widgets/RadioGroup.h"
#include "widgets/StatusStrip.h"

namespace {

const QString kNoRecordings = "Não há arquivos do canal gravados na data selecionada!";
const QString sep = QDir::separator();
const QString kDay = "2025/07/05/"; // the scripted "today"

QString setting(const QString& name) {
    return RegConfig("ler", name, "<none>");
}

struct ClipLibrary : testsupport::PlayerHarness {
    void chooseChannel(int position) { ui().RGCanal->button(position)->click(); }
    void chooseFilter(int item) { ui().RgExtensao->button(item)->click(); }
    void chooseDate(const QDate& date) {
        ui().ComboData->setDate(date);
        emit ui().ComboData->closeUp();
    }
    QString native(const QString& relative) const {
        return QDir::toNativeSeparators(root.filePath(relative));
    }
};

TEST_F(ClipLibrary, ChannelChoiceListsTheFolderNamedByItsStoredName) {
    makeFile(kDay + "canal1/a.mxf");
    makeFile(kDay + "canal2/b.txt");
    makeFile(kDay + "InputX/c.mxf");
    makeFile(kDay + "Rede São João, 2/d.mxf");
    open();
    ASSERT_EQ(ui().RGCanal->items(), QStringList({"canal1", "canal2", "InputX", "Rede São João, 2"}));
    ASSERT_EQ(setting("canal_name2"), "canal2");

    chooseChannel(1);
    EXPECT_EQ(ui().FileList->directory(), native(kDay + "canal2"));
    EXPECT_EQ(ui().FileList->mask(), "*.*");
    EXPECT_EQ(ui().LblPasta->text(), storage() + "2025" + sep + "07" + sep + "05" + sep + "canal2" + sep);
    EXPECT_EQ(ui().FileList->entries(), QStringList({"b.txt"}));

    chooseChannel(3); // accents, blanks and a comma survive the settings store and the path
    EXPECT_EQ(ui().FileList->directory(), native(kDay + "Rede São João, 2"));
    EXPECT_EQ(ui().FileList->entries(), QStringList({"d.mxf"}));

    // Without its stored name the channel falls back to InputX, whatever its caption says.
    RegConfig("excluir", "canal_name1", "");
    chooseChannel(0);
    EXPECT_EQ(ui().RGCanal->items().at(0), "canal1");
    EXPECT_EQ(ui().FileList->directory(), native(kDay + "InputX"));
    EXPECT_EQ(ui().FileList->entries(), QStringList({"c.mxf"}));
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

TEST_F(ClipLibrary, DateListingRefillsTheChannelsAndStoresTheirNames) {
    makeFolder(kDay + "zeta");
    makeFolder(kDay + "Alfa");
    makeFolder(kDay + ".oculto");
    makeFile(kDay + "notas.txt");
    // Neither a dangling link nor a pipe is a channel folder, whatever the listing flags let through.
    QFile::link(root.filePath("nowhere"), root.filePath(kDay + "link"));
    ASSERT_EQ(mkfifo(QFile::encodeName(root.filePath(kDay + "pipe")).constData(), 0600), 0);
    RegConfig("escrever", "canal_name4", "antigo");
    open();
    EXPECT_EQ(ui().RGCanal->items(), QStringList({".oculto", "Alfa", "zeta"}));
    EXPECT_EQ(ui().RGCanal->itemIndex(), -1);
    EXPECT_EQ(setting("canal_name1"), ".oculto");
    EXPECT_EQ(setting("canal_name3"), "zeta");
    EXPECT_EQ(setting("canal_name4"), "antigo") << "names beyond the day's channels are left alone";
    EXPECT_EQ(ui().LblPasta->text(), storage() + QDir::toNativeSeparators(kDay));
    EXPECT_TRUE(ui().FileList->entries().isEmpty()) << "the video mask hides the text file";

    chooseChannel(1); // a channel's mask lists everything
    chooseDate(QDate(2025, 7, 5));
    EXPECT_EQ(ui().FileList->entries(), QStringList({"notas.txt"}));
    EXPECT_EQ(ui().RGCanal->itemIndex(), -1);
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

TEST_F(ClipLibrary, MissingDayFolderShowsTheMessageAndStillStoresTheDate) {
    makeFile(kDay + "canal1/a.mxf");
    open();
    chooseChannel(0);
    ASSERT_EQ(ui().FileList->entries(), QStringList({"a.mxf"}));

    chooseDate(QDate(2024, 2, 29));
    EXPECT_EQ(services.messages.shown, QStringList({kNoRecordings}));
    EXPECT_TRUE(ui().FileList->entries().isEmpty());
    EXPECT_EQ(ui().LblPasta->text(), storage() + QDir::toNativeSeparators("2024/02/29/"));
    EXPECT_EQ(setting("ult_data"), "29/02/2024");
}

TEST_F(ClipLibrary, FiltersAndChannelsBeyondTheFourthKeepTheMaskInForce) {
    for (const char* channel : {"c1", "c2", "c3", "c4", "c5", "c6"}) {
        makeFile(kDay + channel + "/x.mxf");
        makeFile(kDay + channel + "/y.MP4");
        makeFile(kDay + channel + "/z.txt");
    }
    open();
    chooseChannel(0);
    EXPECT_EQ(ui().FileList->entries(), QStringList({"x.mxf", "y.MP4", "z.txt"}));
    chooseFilter(1); // "Todos": the video mask names .mxf twice, and the clip is listed once
    EXPECT_EQ(ui().FileList->entries(), QStringList({"x.mxf", "y.MP4"}));
    chooseChannel(4);
    EXPECT_EQ(ui().FileList->directory(), native(kDay + "c5"));
    EXPECT_EQ(ui().FileList->entries(), QStringList({"x.mxf", "y.MP4"}));
    chooseFilter(0); // "Default" on the fifth channel: no mask of its own
    EXPECT_EQ(ui().FileList->entries(), QStringList({"x.mxf", "y.MP4"}));
    chooseChannel(5);
    EXPECT_EQ(ui().FileList->directory(), native(kDay + "c6"));
    chooseChannel(3);
    EXPECT_EQ(ui().FileList->entries(), QStringList({"x.mxf", "y.MP4", "z.txt"}));
}

TEST_F(ClipLibrary, StartUpListsTheStoredDateOrTodayForAnythingElse) {
    makeFolder(kDay + "hoje");
    makeFolder("2025/07/06/ontem");
    const struct {
        const char* stored;
        QDate shown;
    } cases[] = {
        {nullptr, QDate(2025, 7, 5)},      {"", QDate(2025, 7, 5)},           {"lixo", QDate(2025, 7, 5)},
        {"31/02/2025", QDate(2025, 7, 5)}, {"06/07/2025", QDate(2025, 7, 6)},
    };
    for (const auto& c : cases) {
        if (c.stored)
            RegConfig("escrever", "ult_data", c.stored);
        else
            RegConfig("excluir", "ult_data", "");
        open();
        EXPECT_EQ(ui().ComboData->date(), c.shown) << (c.stored ? c.stored : "missing");
        EXPECT_EQ(ui().LblPasta->text(),
                  storage() + QDir::toNativeSeparators(c.shown.toString("yyyy/MM/dd/")));
        EXPECT_EQ(setting("ult_data"), c.shown.toString("dd/MM/yyyy"));
        EXPECT_EQ(ui().RGCanal->count(), 1);
    }
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

TEST_F(ClipLibrary, StoredChannelNamesBecomeTheCaptionsBeforeTheFirstListing) {
    RegConfig("escrever", "canal_name1", "Norte");
    RegConfig("escrever", "canal_name3", "Sul");
    open(); // no day folder: the layout's four choices stay, captioned from the settings
    EXPECT_EQ(ui().RGCanal->items(), QStringList({"Norte", "", "Sul", ""}));
    EXPECT_EQ(services.messages.shown, QStringList({kNoRecordings}));
}

TEST_F(ClipLibrary, SingleFolderModeListsTheRootsVideoFilesWithTheChoicesGreyed) {
    RegConfig("escrever", "UnificaFolder", "-1");
    RegConfig("escrever", "Parametros_Codec", "format=mxf video=dnxhd");
    makeFile("Jornal da Manhã.mxf");
    makeFile("b.avi");
    makeFile("notas.txt");
    makeFile(kDay + "canal1/deep.mxf");
    open();
    EXPECT_FALSE(ui().ComboData->isEnabled());
    EXPECT_FALSE(ui().RGCanal->isEnabled());
    EXPECT_FALSE(ui().RgExtensao->isEnabled());
    EXPECT_EQ(ui().LblPasta->text(), storage());
    EXPECT_EQ(ui().FileList->entries(), QStringList({"b.avi", "Jornal da Manhã.mxf"}));
    EXPECT_EQ(fields().ParametrosCodec, "format=mxf video=dnxhd") << "loaded in single-folder mode too";
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

TEST_F(ClipLibrary, MissingRootOrAGarbledModeIsReportedAndTheWindowGoesOn) {
    const struct {
        const char* mode;
        bool removeRoot;
        QString expected;
    } cases[] = {
        {"-1", true, "Pasta não encontrada"},
        {"talvez", false, "UnificaFolder"},
    };
    for (const auto& c : cases) {
        services.messages.shown.clear();
        RegConfig("escrever", "UnificaFolder", c.mode);
        const QString stored = c.removeRoot ? native("gone") : QDir::toNativeSeparators(root.path());
        RegConfig("escrever", "storage", stored);
        open();
        ASSERT_EQ(services.messages.shown.size(), 1) << c.mode;
        EXPECT_TRUE(services.messages.shown[0].contains(c.expected))
            << services.messages.shown[0].toStdString();
        if (c.removeRoot)
            EXPECT_EQ(ui().LblPasta->text(), stored + sep);
        ui().BtAtualizar->click();
        EXPECT_EQ(services.messages.shown.size(), 1) << "the list still re-reads its own folder";
    }
}

TEST_F(ClipLibrary, ClickingAClipPreparesItAndDoubleClickPlaysIt) {
    makeFile(kDay + "canal1/Jornal da Manhã.mxf");
    open();
    chooseChannel(0);
    fields().Cue_In = 3;
    fields().Cue_Out = 9;
    engine.clearCalls();
    clickEntry(0);
    const QString full = native(kDay + "canal1/Jornal da Manhã.mxf");
    EXPECT_EQ(fields().arquivo_play, "Jornal da Manhã.mxf");
    EXPECT_EQ(ui().PainelArquivo->text(), " Arquivo de vídeo selecionado: " + full);
    EXPECT_EQ(fields().Cue_In, 0);
    EXPECT_EQ(fields().Cue_Out, 0);
    EXPECT_EQ(callsBesidesPolling(), QStringList({R"(file1.OpenName("", "loop=false"))"}));
    EXPECT_EQ(QDir::currentPath(), root.filePath(kDay + "canal1")) << "an export of the bare name finds it";

    engine.clearCalls();
    const QRect rect = ui().FileList->visualItemRect(ui().FileList->item(0));
    QTest::mouseDClick(ui().FileList->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    EXPECT_EQ(fields().arquivo_play, full);
    EXPECT_TRUE(callsBesidesPolling().contains("file1.OpenName(\"" + full +
                                               "\", \"external_process=false experimental.mfcodecs=true "
                                               "experimental.out_video_packets=true\")"));
    EXPECT_EQ(callsBesidesPolling().last(), "file1.PlayFile()");
}

TEST_F(ClipLibrary, DeletingRemovesExactlyTheSelectedClips) {
    for (const char* name : {"a b.mxf", "Edição 1.mxf", "fica.mxf", "sumiu.mxf"})
        makeFile(kDay + "canal1/" + name);
    open();
    chooseChannel(0);
    ASSERT_EQ(ui().FileList->entries(), QStringList({"a b.mxf", "Edição 1.mxf", "fica.mxf", "sumiu.mxf"}));

    ui().BtExcluir->click(); // nothing selected: only a re-read
    EXPECT_EQ(ui().FileList->count(), 4);

    clickEntry(0);
    clickEntry(1, Qt::ControlModifier);
    clickEntry(3, Qt::ControlModifier);
    QFile::remove(root.filePath(kDay + "canal1/sumiu.mxf")); // gone before the delete: skipped silently
    ui().BtExcluir->click();
    EXPECT_EQ(ui().FileList->entries(), QStringList({"fica.mxf"}));
    EXPECT_EQ(QDir(root.filePath(kDay + "canal1")).entryList(QDir::Files), QStringList({"fica.mxf"}));
    EXPECT_TRUE(ui().FileList->selectedItems().isEmpty());
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

TEST_F(ClipLibrary, AVanishedFolderIsReportedOnceAndTheNextListingWorks) {
    makeFile(kDay + "canal1/a.mxf");
    makeFile("2025/07/06/canal1/b.mxf");
    open();
    chooseChannel(0);
    chooseFilter(1);
    QDir(root.filePath(kDay + "canal1")).removeRecursively();
    ui().BtAtualizar->click();
    ASSERT_EQ(services.messages.shown.size(), 1);
    EXPECT_TRUE(services.messages.shown[0].startsWith("Pasta não encontrada"));

    // The date listing first puts the channel's own mask back, which would re-read the vanished folder.
    services.messages.shown.clear();
    chooseDate(QDate(2025, 7, 6));
    EXPECT_EQ(ui().RGCanal->items(), QStringList({"canal1"}));
    chooseChannel(0);
    EXPECT_EQ(ui().FileList->entries(), QStringList({"b.mxf"}));
    EXPECT_TRUE(services.messages.shown.isEmpty());
}

TEST_F(ClipLibrary, AChannelNameLeadingOutOfTheDayFolderListsNothing) {
    makeFile(kDay + "canal1/a.mxf");
    makeFile("2025/segredo.mxf");
    open();
    RegConfig("escrever", "canal_name1", "../..");
    chooseChannel(0);
    EXPECT_EQ(services.messages.shown, QStringList({kNoRecordings}));
    EXPECT_TRUE(ui().FileList->entries().isEmpty());
}

} // namespace
