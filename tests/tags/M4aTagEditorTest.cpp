// The M4A writer: items set through TagLib with the audio packets unchanged, covers, the box check
// that guards the rewrite, and writes that run side by side or are given up on.
#include "tags/M4ATagEditor.h"

#include "model/Paths.h"
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "support/TestSupport.h"
#include "tags/Mp4Structure.h"

#include <QDir>
#include <QImage>
#include <QSemaphore>

#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <atomic>
#include <gtest/gtest.h>
#include <vector>

// The rows below name only the fields they give (designated initializers); GCC 12 still warns about the
// fields left out, which is what those rows mean.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace quirella {
namespace {

using namespace test;
using namespace Qt::StringLiterals;

const QString kPlain = QStringLiteral("m4a-plain.m4a");   // no items, "moov" after the audio
const QString kTagged = QStringLiteral("m4a-tagged.m4a"); // many items, "moov" before the audio
const QString kRated = QStringLiteral("m4a-rated.m4a");   // title and "Rating: ★★★"

// The items of a file as TagLib reads them back.
struct Items {
    TagLib::MP4::ItemMap map;

    QStringList texts(const char* key) const {
        QStringList out;
        for (const TagLib::String& text :
             map.contains(key) ? map[key].toStringList() : TagLib::StringList()) {
            out << qs(text);
        }
        return out;
    }
    TagLib::MP4::CoverArtList covers() const {
        return map.contains("covr") ? map["covr"].toCoverArtList() : TagLib::MP4::CoverArtList();
    }
};

Items readItems(const QString& path) {
    TagLib::MP4::File file(QFile::encodeName(path).constData(), false);
    return {file.isValid() && file.tag() ? file.tag()->itemMap() : TagLib::MP4::ItemMap()};
}

// The audio as a demuxer sees it: the codec set-up and every packet with its timing. Equal lists mean
// the samples were carried over untouched and the chunk offsets still point at them.
struct Audio {
    QByteArray extradata;
    std::vector<std::pair<qint64, QByteArray>> packets;
    bool operator==(const Audio&) const = default;
};

Audio readAudio(const QString& path) {
    Audio audio;
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.toUtf8().constData(), nullptr, nullptr) < 0) {
        return audio;
    }
    const int stream = avformat_find_stream_info(context, nullptr) >= 0
                           ? av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)
                           : -1;
    if (stream >= 0) {
        const AVCodecParameters* parameters = context->streams[stream]->codecpar;
        audio.extradata =
            QByteArray(reinterpret_cast<const char*>(parameters->extradata), parameters->extradata_size);
        AVPacket* packet = av_packet_alloc();
        while (av_read_frame(context, packet) >= 0) {
            if (packet->stream_index == stream) {
                audio.packets.emplace_back(
                    packet->pts, QByteArray(reinterpret_cast<const char*>(packet->data), packet->size));
            }
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&context);
    return audio;
}

QStringList leftoverCopies() {
    return QDir(paths::privateTempDir())
        .entryList({QLatin1String(M4ATagEditor::kTempPrefix) + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
}

TEST(M4ATagEditor, SetsManagedItemsAndKeepsTheRestAndTheAudio) {
    const struct {
        const char* name;
        QString fixture;
        TagValues values;
        // Item texts afterwards: "key=text;text|key=...", where "key=" means the item is absent.
        const char* expected;
    } rows[] = {
        {"all fields on a bare file", kPlain, sampleValues(),
         "©nam=Évening Song|©ART=Ünïcode Band|©day=2005|©gen=Rock|©cmt=Rating: ★★★★|©alb="},
        {"year 2099 is written", kPlain, {.year = 2099}, "©day=2099"},
        {"year 2100 removes the old date",
         kTagged,
         {.title = u"T"_s, .year = 2100},
         "©day=|©alb=Fixture Album|©cmt=Recorded live"},
        {"empty title removes the name", kTagged, {.title = QString(), .artist = u"X"_s}, "©nam=|©ART=X"},
        {"nothing given removes every managed item", kTagged, TagValues(),
         "©nam=|©ART=|©day=|©gen=|©cmt=Recorded live|©alb=Fixture Album"},
        {"rating goes before a plain comment", kTagged, {.rating = 2}, "©cmt=Rating: ★★;Recorded live"},
        {"rating replaces an old rating comment", kRated, {.rating = 5}, "©cmt=Rating: ★★★★★"},
        {"rating 0 removes the rating comment",
         kRated,
         {.title = u"Rated Tune"_s, .rating = 0},
         "©cmt=|©nam=Rated Tune"},
        {"empty album removes the old one", kTagged, {.album = QString()}, "©alb="},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        const QString path = dir.write(u"song.m4a"_s, dataFile(row.fixture));
        const TagStatus status = M4ATagEditor::writeTagsNow(path, row.values);
        ASSERT_TRUE(status.ok()) << status.message.toStdString();
        const Items items = readItems(path);
        ASSERT_FALSE(items.map.isEmpty()) << "TagLib reads the file";
        for (const QString& item : QString::fromUtf8(row.expected).split(u'|')) {
            const QString key = item.section(u'=', 0, 0);
            EXPECT_EQ(items.texts(key.toLatin1().constData()),
                      item.section(u'=', 1).split(u';', Qt::SkipEmptyParts))
                << key.toStdString();
        }
        if (row.fixture == kTagged) {
            // What the writer does not manage stays.
            EXPECT_EQ(items.texts("\251wrt"), QStringList{u"Ada Writer"_s});
            ASSERT_TRUE(items.map.contains("trkn"));
            EXPECT_EQ(items.map["trkn"].toIntPair().first, 3);
            EXPECT_EQ(items.map["trkn"].toIntPair().second, 12);
        }
        const Audio before = readAudio(dataPath(row.fixture));
        ASSERT_FALSE(before.packets.empty());
        EXPECT_TRUE(readAudio(path) == before) << "audio packets changed";
        EXPECT_TRUE(leftoverCopies().isEmpty());
    }
}

TEST(M4ATagEditor, CoverIsConvertedOrWrittenAsItCame) {
    const QByteArray png = imageBytes(QColor(30, 120, 200, 128), 900, 600, "PNG");
    const struct {
        const char* name;
        QByteArray cover;
        TagLib::MP4::CoverArt::Format format;
        QByteArray expectedBytes; // empty: a converted picture of 300 x 200
    } rows[] = {
        {"decodable PNG becomes a 300-pixel JPEG", png, TagLib::MP4::CoverArt::JPEG, {}},
        {"undecodable bytes are kept as they came", "not a picture", TagLib::MP4::CoverArt::JPEG,
         "not a picture"},
        {"undecodable PNG keeps the PNG type", png.left(40), TagLib::MP4::CoverArt::PNG, png.left(40)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        const QString path = dir.write(u"song.m4a"_s, dataFile(kTagged));
        TagValues values = sampleValues();
        values.coverImage = row.cover;
        ASSERT_TRUE(M4ATagEditor::writeTagsNow(path, values).ok());
        const TagLib::MP4::CoverArtList covers = readItems(path).covers();
        ASSERT_EQ(covers.size(), 1u);
        EXPECT_EQ(covers.front().format(), row.format);
        const QByteArray stored = qb(covers.front().data());
        if (row.expectedBytes.isEmpty()) {
            EXPECT_EQ(QImage::fromData(stored, "JPEG").size(), QSize(300, 200));
        } else {
            EXPECT_EQ(stored, row.expectedBytes);
        }
        // Written again without a cover, the picture goes; with the pictures kept, it stays.
        values.coverImage.reset();
        values.keepPictures = true;
        ASSERT_TRUE(M4ATagEditor::writeTagsNow(path, values).ok());
        EXPECT_EQ(readItems(path).covers().size(), 1u);
        values.keepPictures = false;
        ASSERT_TRUE(M4ATagEditor::writeTagsNow(path, values).ok());
        EXPECT_TRUE(readItems(path).covers().isEmpty());
        EXPECT_EQ(readItems(path).texts("\251alb"), QStringList{u"Fixture Album"_s});
    }
}

QByteArray box(const char* type, const QByteArray& payload) {
    return be32(static_cast<quint32>(8 + payload.size())) + type + payload;
}

TEST(Mp4Structure, AcceptsWholeFilesOnly) {
    const QByteArray ftyp = box("ftyp", QByteArray("M4A \0\0\0\0", 8));
    const QByteArray moov =
        box("moov", box("trak", box("mdia", {})) + box("udta", box("meta", QByteArray(4, '\0'))));
    const QByteArray largeMdat = be32(1) + "mdat" + be32(0) + be32(16 + 3) + "xyz";
    const QByteArray childPastParent = box("moov", be32(40) + "trak");

    const struct {
        const char* name;
        QByteArray bytes;
        bool ok;
    } rows[] = {
        {"plain layout", ftyp + moov + box("mdat", "audio"), true},
        {"64-bit box size", ftyp + moov + largeMdat, true},
        {"last box runs to the end", ftyp + moov + QByteArray("\0\0\0\0mdatrest", 12), true},
        {"zero padding shorter than a header", ftyp + moov + box("mdat", "a") + QByteArray(4, '\0'), true},
        {"last box cut short", ftyp + moov + box("mdat", "audio").chopped(2), false},
        {"child runs past its parent", ftyp + childPastParent + box("mdat", "a"), false},
        {"no movie box", ftyp + box("mdat", "a"), false},
        {"two movie boxes", ftyp + moov + moov + box("mdat", "a"), false},
        {"no audio box", ftyp + moov, false},
        {"box smaller than its header", ftyp + moov + QByteArray("\0\0\0\4mdat", 8), false},
        {"empty", {}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const mp4::Structure structure = mp4::checkStructure(row.bytes);
        EXPECT_EQ(structure.ok(), row.ok) << structure.problem.toStdString();
    }

    // The audio bytes compare equal however they are split into boxes, and differ by one byte.
    // The structure points into the bytes it checked, so they are kept alive here.
    const QByteArray oneBox = ftyp + moov + box("mdat", "abcdef");
    const QByteArray twoBoxes = moov + box("mdat", "abc") + box("mdat", "def");
    const QByteArray changed = moov + box("mdat", "abcdeg");
    const QByteArray shorter = moov + box("mdat", "abcde");
    const mp4::Structure a = mp4::checkStructure(oneBox);
    EXPECT_TRUE(mp4::sameMediaData(a, mp4::checkStructure(twoBoxes)));
    EXPECT_FALSE(mp4::sameMediaData(a, mp4::checkStructure(changed)));
    EXPECT_FALSE(mp4::sameMediaData(a, mp4::checkStructure(shorter)));
}

// Each write runs on a thread of its own: one held up does not delay the next, and one given up on stops
// at its next check without replacing its file.
TEST(M4ATagEditor, WritesDoNotWaitForEachOtherAndAGivenUpOneNeverReplaces) {
    ScratchDir dir;
    const QString slow = dir.write(QStringLiteral("slow.m4a"), dataFile(kTagged));
    const QString quick = dir.write(QStringLiteral("quick.m4a"), dataFile(kPlain));
    const QByteArray slowBefore = readAll(slow);
    M4ATagEditor editor;
    // The first write is held at its second check, after reading the file and before copying it.
    QSemaphore held;
    std::atomic<int> checks{0};
    auto token = std::make_shared<WriteCancellation>([&] {
        if (++checks == 2) {
            held.acquire();
        }
        return false;
    });
    QFuture<TagStatus> first = editor.writeTags(slow, sampleValues(), token);
    QFuture<TagStatus> second = editor.writeTags(quick, sampleValues());
    const bool secondFinished = waitFor(second);
    EXPECT_TRUE(token->cancel());
    held.release();
    ASSERT_TRUE(secondFinished) << "the second write waited for the first";
    EXPECT_TRUE(second.result().ok()) << second.result().message.toStdString();
    EXPECT_EQ(readItems(quick).texts("\251nam"), QStringList{QStringLiteral("Évening Song")});

    ASSERT_TRUE(waitFor(first));
    EXPECT_EQ(first.result().error, TagError::writeFailure);
    EXPECT_EQ(readAll(slow), slowBefore);
    EXPECT_TRUE(leftoverCopies().isEmpty());

    // Once the replacement has begun, nobody can give up on it.
    WriteCancellation late;
    ASSERT_TRUE(late.beginReplacement());
    EXPECT_FALSE(late.cancel());
    EXPECT_FALSE(late.isCancelled());
}

} // namespace
} // namespace quirella
