#include "library/ClipLibrary.h"

namespace library {

ClipLibrary::ClipLibrary(ClipLibraryControls controls, PlayerFields& fields, services::Services services,
                         std::function<void()> play)
    : ui_(controls), fields_(fields), services_(services), play_(std::move(play)) {}

void ClipLibrary::leconfig() {}
void ClipLibrary::ComboDataCloseUp() {}
void ClipLibrary::ListaCanais(const QString&) {}
void ClipLibrary::RGCanalClick() {}
void ClipLibrary::RgExtensaoClick() {}
void ClipLibrary::FileListClick() {}
void ClipLibrary::FileListDblClick() {}
void ClipLibrary::BtExcluirClick() {}
void ClipLibrary::BtAtualizarClick() {}

} // namespace library
