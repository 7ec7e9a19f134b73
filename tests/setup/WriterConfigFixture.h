#pragma once
// A writer configuration as the recording engine reports it: three files formats (one without
// extensions), two network formats (one of them only by a missing flag), two codecs per kind.
#include <QString>
#include <QStringList>

#include "RecordingEngine.h"

inline void presetWriterConfig(testsupport::RecordingEngine& engine) {
    using testsupport::ScriptedAttribute;
    using testsupport::ScriptedChoice;
    auto flag = [](const char* value) { return ScriptedAttribute{"network", value, "", "bool"}; };
    auto bitRate = [] { return ScriptedAttribute{"b", "", "bit rate", "string"}; };
    auto& options = engine.presets().config.options;
    options["format"] = {
        ScriptedChoice{"mxf", {flag("false"), {"extensions", "mxf"}}},
        ScriptedChoice{"rtp", {flag("true"), {"extensions", ""}}},
        ScriptedChoice{"mov", {flag("0"), {"extensions", "mov,mp4 m4a"}}},
        ScriptedChoice{"unflagged", {{"extensions", "x"}}},
        ScriptedChoice{"rawvideo", {flag("false"), {"extensions", ""}}},
    };
    options["format::video"] = {ScriptedChoice{"mpeg2video", {bitRate()}},
                                ScriptedChoice{"h264", {bitRate()}}};
    options["format::audio"] = {ScriptedChoice{"pcm_s16le", {bitRate()}}, ScriptedChoice{"aac", {bitRate()}}};
}

// The texts given to the attribute "b" of codec `codec` ("format::video:h264"), in order.
inline QStringList bitRatesSet(const testsupport::RecordingEngine& engine, const QString& codec) {
    QStringList texts;
    for (const QString& call : engine.callsStartingWith("writer1[" + codec + "].SetAttribute(\"b\", "))
        texts << call.section('"', 3, 3);
    return texts;
}
