#pragma once
// Recording folders and the clip list: applies the folder settings, lists a date or a channel, selects,
// deletes and refreshes clips.
#include <functional>

#include "windowstate/PlayerFields.h"
#include "widgets/Services.h"

class QLabel;
namespace widgets {
class AutoSizeLabel;
class ClipList;
class DatePicker;
class RadioGroup;
class StatusStrip;
} // namespace widgets

namespace library {

struct ClipLibraryControls {
    widgets::DatePicker* ComboData;
    widgets::RadioGroup* RGCanal;
    widgets::RadioGroup* RgExtensao;
    widgets::AutoSizeLabel* LblPasta;
    widgets::ClipList* FileList;
    widgets::StatusStrip* PainelArquivo;
};

class ClipLibrary {
  public:
    // `play` is the transport's Play, run by a double click on the list.
    ClipLibrary(ClipLibraryControls controls, PlayerFields& fields, services::Services services,
                std::function<void()> play);

    void leconfig();
    void ComboDataCloseUp();
    void ListaCanais(const QString& dayFolder);
    void RGCanalClick();
    void RgExtensaoClick();
    void FileListClick();
    void FileListDblClick();
    void BtExcluirClick();
    void BtAtualizarClick();

  private:
    void listDatedFolders();
    void listSingleFolder();
    // Points the list at the mask of the chosen channel, when it has one.
    void applyChannelMask();
    void showNoRecordings();

    ClipLibraryControls ui_;
    PlayerFields& fields_;
    services::Services services_;
    std::function<void()> play_;
};

} // namespace library
