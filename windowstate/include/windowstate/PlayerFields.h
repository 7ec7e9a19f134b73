#pragma once
// The main window's own fields that its handlers share. The window owns one instance; each controller
// receives it by reference. All access is on the UI thread.
#include <QString>

#include "engine/Interfaces.h"

struct PlayerFields {
    // The file source and the preview renderer, made once when the window is created. Both stay empty
    // when the engine could not make them: handlers must then leave them alone.
    engine::MRef<engine::IMFile> m_pFile;
    engine::MRef<engine::IMPreview> m_pPreviewPlay;
    double PlayPosition = 0;                        // seconds, as read by the latest timer tick
    double Cue_In = 0;                              // seconds; 0 means not marked
    double Cue_Out = 0;                             // seconds; 0 means not marked
    engine::MRef<engine::IMWriter> myWriter_Export; // empty when no export writer is held
    engine::MRef<engine::IMObject> myObject_Export;
    QString arquivo_play;                     // the clip Play and Export open
    engine::MRef<engine::IMObject> m_FileObj; // the file source seen as an object
    // The writer parameter text, loaded from the settings by leconfig and handed to the export writer.
    QString ParametrosCodec;
};
