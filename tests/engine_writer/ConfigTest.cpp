// The writer's configuration as the setup panel and the attributes editor use it: the choices offered,
// their attributes, and the parameter text that carries a configuration to an export.
#include <gtest/gtest.h>

#include <QStringList>

#include "engine/EngineFactory.h"
#include "engine_ffmpeg/FfmpegEngine.h"

using namespace engine;

namespace {

struct Writer {
    std::unique_ptr<IEngineFactory> factory = ff::makeFfmpegEngine();
    MRef<IMWriter> writer = create<IMWriter>(*factory, CLSID_FileWriter);
    MRef<IMConfig> config = query<IMConfig>(writer);

    QStringList choices(const QString& option) {
        int n = 0;
        config->GetChoiceCount(option, n);
        QStringList out;
        for (int i = 0; i < n; ++i) {
            QString name;
            config->GetChoiceName(option, i, name);
            out << name;
        }
        return out;
    }
    MRef<IMAttributes> select(const QString& option, const QString& name) {
        MRef<IMAttributes> attrs;
        EXPECT_EQ(config->SelectChoice(option, name, attrs), kOk) << name.toStdString();
        return attrs;
    }
    QString info(const MRef<IMAttributes>& a, const QString& name, int field) {
        QString text;
        EXPECT_EQ(a->GetAttributeInfo(name, field, text), kOk) << name.toStdString();
        return text;
    }
    QStringList names(const MRef<IMAttributes>& a) {
        int count = 0;
        a->GetAttributeCount(count);
        QStringList out;
        for (int i = 0; i < count; ++i) {
            QString n;
            a->GetAttributeName(i, n);
            out << n;
        }
        return out;
    }
    QString params() {
        QString text;
        config->GetParamText(1, text);
        return text;
    }
    std::pair<int, QString> result() {
        int ok = -1;
        QString text;
        writer->GetRecordingResult(ok, text);
        return {ok, text};
    }
};

} // namespace

TEST(WriterConfig, FormatsListBroadcastFirstFlagNetworkAndStayInOrder) {
    Writer w;
    const QStringList formats = w.choices("format");
    ASSERT_GE(formats.size(), 10);
    EXPECT_EQ(formats.mid(0, 6), (QStringList{"mxf", "mov", "mp4", "matroska", "mpegts", "avi"}));
    EXPECT_EQ(Writer().choices("format"), formats); // indexes are stable between writers
    EXPECT_FALSE(formats.contains("image2"));
    EXPECT_FALSE(formats.contains("md5"));

    ASSERT_TRUE(formats.contains("rtp"));
    for (const QString& name : formats) {
        auto attrs = w.select("format", name);
        int network = -1;
        ASSERT_EQ(attrs->GetAttributeFlag("network", network), kOk);
        EXPECT_EQ(network == 1, name == "rtp" || name == "rtsp" || name == "sap" || name == "rtp_mpegts")
            << name.toStdString();
        EXPECT_FALSE(w.choices("format::video").isEmpty()) << name.toStdString();
        QString selected;
        MRef<IMAttributes> same;
        w.config->GetSelectedChoice("format", selected, same);
        EXPECT_EQ(selected, name);
    }
    int ignored = 0;
    QString ext;
    w.select("format", "matroska")->GetAttributeText("extensions", ignored, ext);
    EXPECT_TRUE(ext.split(',').contains("mkv")) << ext.toStdString();
    MRef<IMAttributes> none;
    EXPECT_NE(w.config->SelectChoice("format", "", none), kOk);
    EXPECT_NE(w.config->SelectChoice("format", "nosuch", none), kOk);
}

TEST(WriterConfig, CodecsOfEachFormatAreTheOnesItCanStore) {
    struct Case {
        const char* format;
        const char* firstVideo;
        QStringList videoHas;
        QStringList audioHas;
        QStringList audioLacks;
    };
    const Case cases[] = {
        {"mxf", "mpeg2video", {"dnxhd", "libx264"}, {"pcm_s16le", "pcm_s24le"}, {"aac", "mp2"}},
        {"mov", "libx264", {"prores_ks", "dnxhd", "mpeg2video"}, {"aac", "pcm_s16le", "pcm_s24le"}, {}},
        {"mp4", "libx264", {"mpeg4"}, {"aac"}, {}},
        {"mpegts", "mpeg2video", {"libx264"}, {"mp2", "aac", "ac3"}, {"pcm_s16le", "pcm_s24le"}},
        {"avi", "mpeg4", {"mpeg2video"}, {"pcm_s16le"}, {}},
    };
    Writer w;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        w.select("format", c.format);
        const QStringList video = w.choices("format::video"), audio = w.choices("format::audio");
        // "copy" (cut the source's own packets) comes last; a new format starts with its first encoder.
        EXPECT_EQ(video.last(), "copy");
        EXPECT_EQ(audio.last(), "copy");
        EXPECT_EQ(video.value(0), c.firstVideo);
        for (const auto& v : c.videoHas)
            EXPECT_TRUE(video.contains(v)) << v.toStdString();
        for (const auto& a : c.audioHas)
            EXPECT_TRUE(audio.contains(a)) << a.toStdString();
        for (const auto& a : c.audioLacks)
            EXPECT_FALSE(audio.contains(a)) << a.toStdString();
        EXPECT_FALSE(video.contains("h264_vaapi"));
        // A new format makes its first codecs current.
        QString current;
        MRef<IMAttributes> attrs;
        w.config->GetSelectedChoice("format::video", current, attrs);
        EXPECT_EQ(current, c.firstVideo);
    }
    w.select("format", "mxf");
    MRef<IMAttributes> none;
    EXPECT_NE(w.config->SelectChoice("format::audio", "aac", none), kOk);
}

TEST(WriterConfig, AttributeInfoGivesHelpTypeLiveDefaultAndNamedValues) {
    Writer w;
    w.select("format", "mp4");
    auto x264 = w.select("format::video", "libx264");
    EXPECT_EQ(w.info(x264, "preset", 1), "option");
    EXPECT_TRUE(w.info(x264, "preset", 3).split(',').contains("veryfast"));
    EXPECT_EQ(w.info(x264, "preset", 2), "medium");
    EXPECT_TRUE(w.info(x264, "tune", 3).split(',').contains("zerolatency"));
    EXPECT_FALSE(w.info(x264, "b", 0).isEmpty());
    EXPECT_EQ(w.info(x264, "pix_fmt", 1), "option_fixed");
    EXPECT_TRUE(w.info(x264, "pix_fmt", 3).split(',').contains("yuv420p"));
    EXPECT_EQ(w.info(x264, "g", 1), "int");
    EXPECT_EQ(w.info(x264, "a53cc", 1), "bool");

    auto aac = w.select("format::audio", "aac");
    EXPECT_EQ(w.info(aac, "ac", 2), "2");
    EXPECT_EQ(w.info(aac, "ar", 2), "48000");
    EXPECT_FALSE(w.info(aac, "aac_coder", 3).isEmpty());

    auto mp4 = w.select("format", "mp4");
    EXPECT_EQ(w.info(mp4, "movflags", 1), "option");
    EXPECT_TRUE(w.info(mp4, "movflags", 3).split(',').contains("faststart"));
    EXPECT_EQ(w.info(mp4, "network", 1), "bool");
    EXPECT_EQ(mp4->SetAttribute("extensions", "x"), kNotSupported);

    w.select("format", "mxf");
    // The default comes from a context set up for the codec, not from the generic option table.
    auto mpeg2 = w.select("format::video", "mpeg2video");
    auto x264Again = w.select("format::video", "libx264");
    EXPECT_EQ(w.info(mpeg2, "b", 2), "200000");
    EXPECT_EQ(w.info(x264Again, "b", 2), "0");
    EXPECT_EQ(w.info(w.select("format::audio", "pcm_s24le"), "ac", 2), "16");

    const QStringList names = w.names(mpeg2);
    EXPECT_EQ(names.value(0), "b");
    EXPECT_EQ(names.count("b"), 1);
    EXPECT_TRUE(names.contains("g"));
    QString text;
    EXPECT_NE(mpeg2->GetAttributeInfo("nosuch", 0, text), kOk);
}

// The writer's own attributes are its three options, valued by their current choice; setting one selects.
TEST(WriterConfig, WritersOwnAttributesAreItsOptionsAndTheirChoices) {
    Writer w;
    const MRef<IMAttributes> own = query<IMAttributes>(w.writer);
    ASSERT_TRUE(own);
    EXPECT_EQ(w.names(own), (QStringList{"format", "format::video", "format::audio"}));
    QString text;
    EXPECT_EQ(own->GetAttributeName(3, text), kInvalidArg);

    ASSERT_EQ(own->SetAttribute("format", "mp4"), kOk);
    int ignored = -1;
    EXPECT_EQ(own->GetAttributeText("format", ignored, text), kOk);
    EXPECT_EQ(text, "mp4");
    EXPECT_EQ(ignored, 0);
    const QStringList video = w.choices("format::video");
    ASSERT_EQ(video.last(), "copy");
    own->GetAttributeText("format::video", ignored, text);
    EXPECT_EQ(text, video.value(0)) << "a new format starts with its first encoder";
    EXPECT_EQ(w.info(own, "format::video", 1), "option_fixed");
    EXPECT_EQ(w.info(own, "format::video", 2), video.value(0));
    EXPECT_EQ(w.info(own, "format::video", 3), video.join(','));
    EXPECT_FALSE(w.info(own, "format", 0).isEmpty());
    EXPECT_EQ(own->GetAttributeInfo("format", 4, text), kInvalidArg);
    int flag = 0;
    EXPECT_EQ(own->GetAttributeFlag("format::audio", flag), kOk);
    EXPECT_EQ(flag, 1);

    EXPECT_EQ(own->SetAttribute("format::video", "copy"), kOk);
    own->GetAttributeText("format::video", ignored, text);
    EXPECT_EQ(text, "copy");
    EXPECT_EQ(own->SetAttribute("format::video", "nosuch"), kInvalidArg);
    EXPECT_EQ(own->SetAttribute("nosuch", "mp4"), kInvalidArg);
    EXPECT_EQ(own->GetAttributeText("nosuch", ignored, text), kInvalidArg);
    EXPECT_EQ(own->GetAttributeFlag("nosuch", flag), kInvalidArg);
}

TEST(WriterConfig, ParamTextFollowsAttributeChangesAndRoundTripsThroughSetTarget) {
    Writer w;
    w.select("format", "mp4");
    EXPECT_EQ(w.params(), "format=mp4 video=libx264 audio=aac");
    auto video = w.select("format::video", "libx264");
    auto audio = w.select("format::audio", "aac");
    video->SetAttribute("b", "6M");
    video->SetAttribute("preset", "fast");
    video->SetAttribute("x264-params", "keyint=50 \"quoted\" back\\slash");
    audio->SetAttribute("b", "256K");
    w.select("format", "mp4")->SetAttribute("movflags", "+faststart");
    const QString text = w.params();
    EXPECT_TRUE(text.startsWith("format=mp4 video=libx264 audio=aac ")) << text.toStdString();
    EXPECT_TRUE(text.contains("video::b=6M")) << text.toStdString();
    EXPECT_TRUE(text.contains("audio::b=256K")) << text.toStdString();
    EXPECT_TRUE(text.contains("format::movflags=+faststart")) << text.toStdString();

    Writer other;
    ASSERT_EQ(other.writer->SetTarget("/tmp/out.mov", text), kOk) << other.result().second.toStdString();
    EXPECT_EQ(other.params(), text); // the text names the format; the extension does not override it
    int ignored = 0;
    QString value;
    MRef<IMAttributes> attrs;
    QString name;
    other.config->GetSelectedChoice("format::video", name, attrs);
    attrs->GetAttributeText("x264-params", ignored, value);
    EXPECT_EQ(value, "keyint=50 \"quoted\" back\\slash");

    // Clearing a value takes it out of the text; "K" alone is kept as typed and refused at SetTarget.
    video->SetAttribute("x264-params", "");
    video->SetAttribute("b", "K");
    EXPECT_FALSE(w.params().contains("x264-params"));
    EXPECT_TRUE(w.params().contains("video::b=K"));
    EXPECT_NE(w.writer->SetTarget("/tmp/out.mp4", w.params()), kOk);
}

// A copied video keeps its own choice of sound: the source's streams, or an encoder with its attributes.
TEST(WriterConfig, CopyChoicesRoundTripThroughSetTarget) {
    const char* texts[] = {
        "format=mov video=copy audio=pcm_s16le audio::ac=2",
        "format=mp4 video=copy audio=aac audio::b=256K",
        "format=mp4 video=copy audio=copy",
    };
    for (const char* text : texts) {
        Writer w;
        ASSERT_EQ(w.writer->SetTarget("/tmp/out.mov", text), kOk) << w.result().second.toStdString();
        EXPECT_EQ(w.params(), text);
        QString name;
        MRef<IMAttributes> attrs;
        w.config->GetSelectedChoice("format::video", name, attrs);
        EXPECT_EQ(name, "copy");
    }
    Writer w;
    EXPECT_LT(w.writer->SetTarget("/tmp/out.mp4", "format=mp4 video=copy video::b=6M"), 0);
}

TEST(WriterConfig, EmptyParamsTakeTheExtensionsFormatWithItsDefaultCodecs) {
    const std::pair<const char*, const char*> cases[] = {
        {"clip.mxf", "format=mxf video=mpeg2video audio=pcm_s16le"},
        {"clip.MOV", "format=mov video=libx264 audio=aac"},
        {"clip.ts", "format=mpegts video=mpeg2video audio=mp2"},
        {"clip.mkv", "format=matroska video=libx264 audio=libvorbis"},
    };
    for (const auto& [file, expected] : cases) {
        Writer w;
        EXPECT_EQ(w.writer->SetTarget(QString("/tmp/") + file, "  "), kOk) << file;
        EXPECT_EQ(w.params(), expected) << file;
    }
}

TEST(WriterConfig, UnusableParamsFailWithAReasonAndChangeNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"garbage", "não tem '='"},
        {"format=", "não tem valor"},
        {"format=\"mp4", "não foi fechado"},
        {"format=mp4 format=mov", "duas vezes"},
        {"format=nosuch", "nosuch"},
        {"format=mp4 video=pcm_s16le", "não comporta"},
        {"format=mxf audio=aac", "não comporta"},
        {"format=mp4 video::b=K", "b=K"},
        {"format=mp4 audio::b=fast", "b=fast"},
        {"format=mp4 video::nosuch=1", "nosuch"},
        {"format=mp4 video::preset=1=2", "inesperado"},
        {"format=mp4 color=red", "color"},
        {"format=mp4 audio::ac=17", "ac=17"},
        {"format=mp4 format::movflags=+nosuch", "movflags"},
    };
    for (const auto& [params, reason] : cases) {
        Writer w;
        w.select("format", "mov");
        const QString before = w.params();
        EXPECT_LT(w.writer->SetTarget("/tmp/out.mp4", params), 0) << params;
        const auto [ok, text] = w.result();
        EXPECT_EQ(ok, 0);
        EXPECT_TRUE(text.contains(reason)) << params << " -> " << text.toStdString();
        EXPECT_EQ(w.params(), before) << params;
    }
    Writer w;
    EXPECT_LT(w.writer->SetTarget("/tmp/no_extension", ""), 0);
    EXPECT_LT(w.writer->SetTarget("/tmp/out.zzz", ""), 0);
    EXPECT_LT(w.writer->SetTarget("", "format=mp4"), 0);
}
