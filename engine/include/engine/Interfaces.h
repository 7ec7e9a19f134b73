#pragma once
// The interfaces of the media engine. Operations are declared in slot order; every operation returns
// a status (engine::Status) and writes its outputs only on success.
#include <QString>

#include "engine/MRef.h"

namespace engine {

class IVideoSurface;

class IMObject : public IMUnknown {
public:
    static constexpr InterfaceId IID = "{4F366100-473F-4AD5-A5C2-428FE0C8E03E}";
    // Takes pictures and sound from `source` (a file source's object view).
    virtual int StartFrom(IMObject* source) = 0;
    // Stops the object's work and releases its threads, files and devices.
    virtual int CloseObject() = 0;
    // 0 closed, 1 stopped, 2 paused, 3 running.
    virtual int GetState(int& state) = 0;
};

class IMFile : public IMUnknown {
public:
    static constexpr InterfaceId IID = "{4F366170-473F-4AD5-A5C2-428FE0C8E03E}";
    virtual int OpenName(const QString& name, const QString& params) = 0;
    virtual int SetInOut(double in, double out) = 0;
    virtual int GetInOut(double& in, double& out, double& duration) = 0;
    virtual int SetPosition(double position, double reserved) = 0;
    virtual int GetPosition(double& position) = 0;
    virtual int PlayFile() = 0;
    virtual int PauseFile(double reserved) = 0;
    virtual int StopFile(double reserved) = 0;
    virtual int SetRate(double rate) = 0;
};

class IMPreview : public IMUnknown {
public:
    static constexpr InterfaceId IID = "{4F366160-473F-4AD5-A5C2-428FE0C8E03E}";
    virtual int EnableOutput(const QString& line, int audio, int video) = 0;
    virtual int SetWindow(const QString& line, IVideoSurface* surface) = 0;
    virtual int SetFullScreen(const QString& line, int on, int displayIndex) = 0;
};

class IMProps : public IMUnknown {
public:
    static constexpr InterfaceId IID = "{4F366020-473F-4AD5-A5C2-428FE0C8E03E}";
    // Unknown names are kept and ignored.
    virtual int SetProp(const QString& name, const QString& value) = 0;
    virtual int GetProp(const QString& name, QString& value) = 0;
};

class IMPlugins : public IMUnknown {
public:
    static constexpr InterfaceId IID = "{4F366190-473F-4AD5-A5C2-428FE0C8E03E}";
    virtual int CountPlugins(int& count) = 0;
    virtual int GetPluginAt(int index, MRef<IMUnknown>& plugin, int& ignored) = 0;
    virtual int AttachPlugin(IMUnknown* plugin, void* reserved) = 0;
    virtual int DetachPlugin(IMUnknown* plugin) = 0;
};

// The caption plug-in's own view; it has no operations of its own beyond identity.
class IMCaptionPlugin : public IMUnknown {
public:
    static constexpr InterfaceId IID = "{7713D728-4BA5-44D4-8A58-C6CD66C8AB86}";
};

class IMWriter : public IMUnknown {
public:
    static constexpr InterfaceId IID = "{082DA400-EEC4-4EF1-841E-3A280E7D0383}";
    virtual int SetTarget(const QString& fileName, const QString& params) = 0;
    // Outcome of the last recording: ok is 1 after a successful finish, 0 after a failure or while none
    // has finished; text holds the reason of a failure or a short account of a success.
    virtual int GetRecordingResult(int& ok, QString& text) = 0;
    // Where the last recording stands: stage 1 while it records, 2 while its file is finished after
    // CloseObject, 0 when none is under way (GetRecordingResult then holds its outcome). fraction: how far
    // the current stage has got, 0..1.
    virtual int GetRecordingProgress(int& stage, double& fraction) = 0;
    // Ends the recording under way, or the finishing of its file, without a file: nothing is put in place
    // and the temporary file is removed. Returns at once.
    virtual int AbandonRecording() = 0;
};

class IMAttributes : public IMUnknown {
public:
    static constexpr InterfaceId IID = "{4F366001-473F-4AD5-A5C2-428FE0C8E03E}";
    virtual int SetAttribute(const QString& name, const QString& value) = 0;
    virtual int GetAttributeText(const QString& name, int& ignored, QString& value) = 0;
    virtual int GetAttributeFlag(const QString& name, int& value) = 0;
    virtual int GetAttributeCount(int& count) = 0;
    virtual int GetAttributeName(int index, QString& name) = 0;
    // field 0 help text, 1 type, 2 default, 3 named values (comma-separated).
    virtual int GetAttributeInfo(const QString& name, int field, QString& text) = 0;
};

class IMConfig : public IMAttributes {
public:
    static constexpr InterfaceId IID = "{082DA430-EEC4-4EF1-841E-3A280E7D0383}";
    virtual int GetChoiceCount(const QString& option, int& count) = 0;
    virtual int GetChoiceName(const QString& option, int index, QString& name) = 0;
    virtual int SelectChoice(const QString& option, const QString& name, MRef<IMAttributes>& attributes) = 0;
    virtual int GetSelectedChoice(const QString& option, QString& name, MRef<IMAttributes>& attributes) = 0;
    virtual int GetParamText(int whole, QString& text) = 0;
};

}  // namespace engine
