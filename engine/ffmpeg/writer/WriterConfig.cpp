#include "writer/WriterConfig.h"

#include "engine/OperatorTexts.h"
#include "writer/ChoiceAttributes.h"
#include "writer/ParamText.h"

namespace engine::ff {
namespace {

const AVCodec* findIn(const std::vector<const AVCodec*>& list, const QString& name) {
    for (const AVCodec* c : list)
        if (QString::fromUtf8(c->name) == name)
            return c;
    return nullptr;
}

// "video::b" -> scope "video", attribute "b"
bool splitScoped(const QString& key, QString& scope, QString& attribute) {
    const qsizetype at = key.indexOf(QStringLiteral("::"));
    if (at <= 0)
        return false;
    scope = key.left(at);
    attribute = key.mid(at + 2);
    return !attribute.isEmpty();
}

} // namespace

WriterConfig::WriterConfig() {
    if (!exportFormats().empty())
        select(kFormat, exportFormats().front().name());
}

std::vector<QString> WriterConfig::names(const QString& option) const {
    std::vector<QString> out;
    if (option == kFormat) {
        for (const auto& f : exportFormats())
            out.push_back(f.name());
    } else if (option == kVideo || option == kAudio) {
        for (const AVCodec* c : option == kVideo ? videoChoices_ : audioChoices_)
            out.push_back(QString::fromUtf8(c->name));
        // Last, so that a list's first entry, which the setup panel picks for a new format, is an encoder.
        out.push_back(kCopy);
    }
    return out;
}

int WriterConfig::choiceCount(const QString& option) const {
    if (option != kFormat && option != kVideo && option != kAudio)
        return -1;
    return int(names(option).size());
}

QString WriterConfig::choiceName(const QString& option, int index) const {
    const auto list = names(option);
    return index >= 0 && index < int(list.size()) ? list[size_t(index)] : QString();
}

QString WriterConfig::selected(const QString& option) const {
    if (option == kFormat)
        return format_ ? format_->name() : QString();
    if ((option == kVideo && copyVideo_) || (option == kAudio && copyAudio_))
        return kCopy;
    const AVCodec* c = option == kVideo ? video_ : option == kAudio ? audio_ : nullptr;
    return c ? QString::fromUtf8(c->name) : QString();
}

bool WriterConfig::select(const QString& option, const QString& name) {
    if (option == kFormat) {
        const FormatEntry* f = findExportFormat(name);
        if (!f)
            return false;
        format_ = f;
        videoChoices_ = encodersFor(f->muxer, AVMEDIA_TYPE_VIDEO);
        audioChoices_ = encodersFor(f->muxer, AVMEDIA_TYPE_AUDIO);
        video_ = videoChoices_.empty() ? nullptr : videoChoices_.front();
        audio_ = audioChoices_.empty() ? nullptr : audioChoices_.front();
        copyVideo_ = copyAudio_ = false;
        return true;
    }
    if (option != kVideo && option != kAudio)
        return false;
    if (name == kCopy) {
        (option == kVideo ? copyVideo_ : copyAudio_) = true;
        return true;
    }
    const AVCodec* c = findIn(option == kVideo ? videoChoices_ : audioChoices_, name);
    if (!c)
        return false;
    (option == kVideo ? video_ : audio_) = c;
    (option == kVideo ? copyVideo_ : copyAudio_) = false;
    return true;
}

MRef<AttributeList> WriterConfig::attributes(const QString& option) {
    QString key;
    if (option == kFormat && format_)
        key = QStringLiteral("format:") + format_->name();
    const AVCodec* c = option == kVideo ? video_ : option == kAudio ? audio_ : nullptr;
    if (c)
        key = QStringLiteral("codec:") + QString::fromUtf8(c->name);
    if (selected(option) == kCopy) { // copying has no settings
        c = nullptr;
        key = QStringLiteral("copy:") + option;
    }
    if (key.isEmpty())
        return nullptr;
    auto it = lists_.find(key);
    if (it == lists_.end()) {
        auto defs = c                   ? encoderAttributes(c)
                     : option == kFormat ? formatAttributes(*format_)
                                         : std::vector<AttributeDef>{};
        it = lists_.emplace(key, MRef<AttributeList>::share(new AttributeList(std::move(defs)))).first;
    }
    return it->second;
}

QString WriterConfig::paramText() {
    AttributeValues pairs;
    if (!format_)
        return {};
    pairs.emplace_back(QStringLiteral("format"), selected(kFormat));
    if (video_ || copyVideo_)
        pairs.emplace_back(QStringLiteral("video"), selected(kVideo));
    if (audio_ || copyAudio_)
        pairs.emplace_back(QStringLiteral("audio"), selected(kAudio));
    const std::pair<QString, QString> scopes[] = {{kFormat, "format"}, {kVideo, "video"}, {kAudio, "audio"}};
    for (const auto& [option, scope] : scopes)
        if (auto list = attributes(option))
            for (const auto& [name, value] : list->setValues())
                pairs.emplace_back(scope + QStringLiteral("::") + name, value);
    return formatParamText(pairs);
}

QString WriterConfig::apply(const QString& text, const QString& fileName) {
    const ParsedParams parsed = parseParamText(text);
    if (!parsed.error.isEmpty())
        return parsed.error;
    WriterConfig trial;
    if (QString error = trial.applyPairs(parsed.pairs, fileName); !error.isEmpty())
        return error;
    return applyPairs(parsed.pairs, fileName);
}

QString WriterConfig::applyPairs(const AttributeValues& pairs, const QString& fileName) {
    auto valueOf = [&](const QString& name) -> const QString* {
        for (const auto& p : pairs)
            if (p.first == name)
                return &p.second;
        return nullptr;
    };
    if (const QString* f = valueOf(QStringLiteral("format"))) {
        if (!select(kFormat, *f))
            return texts::unknownExportFormat(*f);
    } else {
        const FormatEntry* byName = formatForFileName(fileName);
        if (!byName)
            return texts::noFormatForFileName(fileName);
        select(kFormat, byName->name());
    }
    const std::pair<QString, QString> codecs[] = {{kVideo, "video"}, {kAudio, "audio"}};
    for (const auto& [option, key] : codecs)
        if (const QString* name = valueOf(key); name && !select(option, *name))
            return texts::formatCannotHoldCodec(format_->name(), key, *name);
    if (copyAudio_ && !copyVideo_)
        return texts::audioCopyNeedsVideoCopy();
    for (const QString& option : {kFormat, kVideo, kAudio})
        if (auto list = attributes(option))
            list->clearValues();
    for (const auto& [key, value] : pairs) {
        if (key == u"format" || key == u"video" || key == u"audio")
            continue;
        QString scope, name;
        if (!splitScoped(key, scope, name) || (scope != u"format" && scope != u"video" && scope != u"audio"))
            return texts::unknownSetting(key);
        const QString option = scope == u"format" ? kFormat : scope == u"video" ? kVideo : kAudio;
        auto list = attributes(option);
        const AttributeDef* def = list ? list->find(name) : nullptr;
        if (!def || def->fixed)
            return texts::hasNoSetting(list ? selected(option) : scope, name);
        const QString error = option == kFormat
                                  ? checkFormatValue(format_->muxer, name, value)
                                  : checkEncoderValue(option == kVideo ? video_ : audio_, name, value);
        if (!error.isEmpty())
            return error;
        list->SetAttribute(name, value);
    }
    return {};
}

WriterSettings WriterConfig::settings() {
    WriterSettings s;
    s.format = format_;
    s.video = video_;
    s.audio = audio_;
    s.copyVideo = copyVideo_;
    s.copyAudio = copyAudio_;
    if (auto l = attributes(kFormat))
        s.formatOptions = l->setValues();
    if (auto l = attributes(kVideo))
        s.videoOptions = l->setValues();
    if (auto l = attributes(kAudio))
        s.audioOptions = l->setValues();
    return s;
}

} // namespace engine::ff
