#pragma once
// The writer's configuration: the chosen format and encoders with their attribute lists, as the setup
// panel sees it through IMConfig and as the parameter text carries it. Used from the caller's thread only.
#include <QString>
#include <map>
#include <vector>

#include "writer/AttributeList.h"
#include "writer/FormatCatalog.h"

namespace engine::ff {

// Everything a recording needs, resolved and checked.
struct WriterSettings {
    const FormatEntry* format = nullptr;
    const AVCodec* video = nullptr;
    const AVCodec* audio = nullptr; // null when the format stores no sound
    // "copy": the source's own packets are cut instead of encoding what the source presents.
    bool copyVideo = false, copyAudio = false;
    AttributeValues formatOptions, videoOptions, audioOptions;
};

class WriterConfig {
  public:
    static inline const QString kFormat = QStringLiteral("format");
    static inline const QString kVideo = QStringLiteral("format::video");
    static inline const QString kAudio = QStringLiteral("format::audio");
    static inline const QString kCopy = QStringLiteral("copy"); // last choice of video and audio

    WriterConfig();

    // -1 for an option that is not one of the three.
    int choiceCount(const QString& option) const;
    QString choiceName(const QString& option, int index) const;
    QString selected(const QString& option) const;
    // False (nothing changes) for an unknown option or a name that is not one of its choices. A new format
    // makes its default encoders current.
    bool select(const QString& option, const QString& name);
    // The current choice's attribute list; null when the option has no current choice.
    MRef<AttributeList> attributes(const QString& option);

    QString paramText();
    // Takes the configuration a parameter text describes for `fileName` (an empty text: the format of
    // the extension with its defaults). Returns the reason when the text is not usable; then nothing
    // changes.
    QString apply(const QString& text, const QString& fileName);
    WriterSettings settings();

  private:
    QString applyPairs(const AttributeValues& pairs, const QString& fileName);
    std::vector<QString> names(const QString& option) const;

    const FormatEntry* format_ = nullptr;
    const AVCodec* video_ = nullptr;
    const AVCodec* audio_ = nullptr;
    bool copyVideo_ = false, copyAudio_ = false;
    std::vector<const AVCodec*> videoChoices_, audioChoices_;
    std::map<QString, MRef<AttributeList>>
        lists_; // by "format:<name>" or "codec:<name>", made when first asked
};

} // namespace engine::ff
