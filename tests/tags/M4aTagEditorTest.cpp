// The M4A writer: items set through TagLib, covers, the box check that guards the rewrite (the writer
// replaces a file only when the copy holds the very same audio bytes), and writes given up on.
#include "tags/M4ATagEditor.h"

#include "model/Paths.h"
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "tags/Mp4Structure.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>

// The rows name only the fields they give (designated initializers); GCC 12 still warns about the
// fields left out, which is what those rows mean.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

const QString kPlain = u"m4a-plain.m4a"_s;   // no items, "moov" after the audio
const QString kTagged = u"m4a-tagged.m4a"_s; // many items, "moov" before the audio
const QString kRated = u"m4a-rated.m4a"_s;   // title and "Rating: ★★★"

TagLib::MP4::ItemMap itemsOf(const QString& path) {
    TagLib::MP4::File file(QFile::encodeName(path).constData(), false);
    return file.isValid() && file.tag() ? file.tag()->itemMap() : TagLib::MP4::ItemMap();
}

QStringList texts(const TagLib::MP4::ItemMap& items, const char* key) {
    QStringList out;
    for (const TagLib::String& text :
         items.contains(key) ? items[key].toStringList() : TagLib::StringList()) {
        out << qs(text);
    }
    return out;
}

QStringList leftoverCopies() {
    return QDir(paths::privateTempDir())
        .entryList({QLatin1String(M4ATagEditor::kTempPrefix) + u'*'}, QDir::Files | QDir::Hidden);
}

} // namespace

TEST(M4ATagEditor, SetsManagedItemsAndKeepsTheRest) {
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
        const TagLib::MP4::ItemMap items = itemsOf(path);
        ASSERT_FALSE(items.isEmpty()) << "TagLib reads the file";
        for (const QString& item : QString::fromUtf8(row.expected).split(u'|')) {
            const QString key = item.section(u'=', 0, 0);
            EXPECT_EQ(texts(items, key.toLatin1().constData()),
                      item.section(u'=', 1).split(u';', Qt::SkipEmptyParts))
                << key.toStdString();
        }
        if (row.fixture == kTagged) {
            // What the writer does not manage stays.
            EXPECT_EQ(texts(items, "\251wrt"), QStringList{u"Ada Writer"_s});
            ASSERT_TRUE(items.contains("trkn"));
            EXPECT_EQ(items["trkn"].toIntPair().first, 3);
            EXPECT_EQ(items["trkn"].toIntPair().second, 12);
        }
        EXPECT_TRUE(leftoverCopies().isEmpty());
    }
}

// A picture that decodes becomes a JPEG of 300 pixels; bytes that do not are written as they came, with
// the type their signature names. Without a cover the picture goes, unless the pictures are kept.
TEST(M4ATagEditor, CoverIsConvertedOrWrittenAsItCame) {
    const QByteArray png = imageBytes(QColor(30, 120, 200, 128), 900, 600, "PNG");
    using enum TagLib::MP4::CoverArt::Format;
    const std::tuple<const char*, QByteArray, TagLib::MP4::CoverArt::Format, QByteArray> rows[] = {
        {"converted", png, JPEG, {}},
        {"not a picture", "not a picture", JPEG, "not a picture"},
        {"broken PNG", png.left(40), PNG, png.left(40)}};
    for (const auto& [name, cover, format, stored] : rows) {
        SCOPED_TRACE(name);
        ScratchDir dir;
        const QString path = dir.write(u"song.m4a"_s, dataFile(kTagged));
        TagValues values = sampleValues();
        values.coverImage = cover;
        ASSERT_TRUE(M4ATagEditor::writeTagsNow(path, values).ok());
        const TagLib::MP4::CoverArtList covers = itemsOf(path)["covr"].toCoverArtList();
        ASSERT_EQ(covers.size(), 1u);
        EXPECT_EQ(covers.front().format(), format);
        const QByteArray bytes = qb(covers.front().data());
        if (stored.isEmpty()) {
            EXPECT_EQ(QImage::fromData(bytes, "JPEG").size(), QSize(300, 200));
        } else {
            EXPECT_EQ(bytes, stored);
        }
        values.coverImage.reset();
        values.keepPictures = true;
        ASSERT_TRUE(M4ATagEditor::writeTagsNow(path, values).ok());
        EXPECT_TRUE(itemsOf(path).contains("covr"));
        values.keepPictures = false;
        ASSERT_TRUE(M4ATagEditor::writeTagsNow(path, values).ok());
        EXPECT_FALSE(itemsOf(path).contains("covr"));
        EXPECT_EQ(texts(itemsOf(path), "\251alb"), QStringList{u"Fixture Album"_s});
    }
}

QByteArray box(const char* type, const QByteArray& payload) {
    return be32(static_cast<quint32>(8 + payload.size())) + type + payload;
}

TEST(Mp4Structure, AcceptsWholeFilesOnlyAndComparesTheirAudio) {
    const QByteArray ftyp = box("ftyp", raw("M4A \0\0\0\0"));
    const QByteArray moov =
        box("moov", box("trak", box("mdia", {})) + box("udta", box("meta", QByteArray(4, '\0'))));
    const struct {
        const char* name;
        QByteArray bytes;
        bool ok;
    } rows[] = {
        {"plain layout", ftyp + moov + box("mdat", "audio"), true},
        {"64-bit box size", ftyp + moov + be32(1) + "mdat" + be32(0) + be32(16 + 3) + "xyz", true},
        {"last box runs to the end", ftyp + moov + raw("\0\0\0\0mdatrest"), true},
        {"zero padding shorter than a header", ftyp + moov + box("mdat", "a") + QByteArray(4, '\0'), true},
        {"last box cut short", ftyp + moov + box("mdat", "audio").chopped(2), false},
        {"child runs past its parent", ftyp + box("moov", be32(40) + "trak") + box("mdat", "a"), false},
        {"no movie box", ftyp + box("mdat", "a"), false},
        {"two movie boxes", ftyp + moov + moov + box("mdat", "a"), false},
        {"no audio box", ftyp + moov, false},
        {"box smaller than its header", ftyp + moov + raw("\0\0\0\4mdat"), false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(mp4::checkStructure(row.bytes).ok(), row.ok) << row.name;
    }
    // The audio bytes compare equal however they are split into boxes, and differ by one byte. The
    // structure points into the bytes it checked, so they are kept alive here.
    const QByteArray files[] = {moov + box("mdat", "abcdef"), moov + box("mdat", "abc") + box("mdat", "def"),
                                moov + box("mdat", "abcdeg"), moov + box("mdat", "abcde")};
    const mp4::Structure a = mp4::checkStructure(files[0]);
    EXPECT_TRUE(mp4::sameMediaData(a, mp4::checkStructure(files[1])));
    EXPECT_FALSE(mp4::sameMediaData(a, mp4::checkStructure(files[2])));
    EXPECT_FALSE(mp4::sameMediaData(a, mp4::checkStructure(files[3])));
}

// A write given up on before its replacement began leaves the file as it was and nothing behind; once
// the replacement has begun, nobody can give up on it.
TEST(M4ATagEditor, AWriteGivenUpOnNeverReplaces) {
    ScratchDir dir;
    const QString path = dir.write(u"a.m4a"_s, dataFile(kTagged));
    M4ATagEditor editor;
    auto cancelled = std::make_shared<WriteCancellation>();
    ASSERT_TRUE(cancelled->cancel());
    const QFuture<TagStatus> write = editor.writeTags(path, sampleValues(), cancelled);
    ASSERT_TRUE(waitFor(write));
    EXPECT_EQ(write.result().error, TagError::writeFailure);
    EXPECT_EQ(readAll(path), dataFile(kTagged));
    EXPECT_TRUE(leftoverCopies().isEmpty());

    WriteCancellation late;
    ASSERT_TRUE(late.beginReplacement());
    EXPECT_FALSE(late.cancel());
    EXPECT_FALSE(late.isCancelled());
}
