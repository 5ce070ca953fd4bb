#include "tags/M4ATagEditor.h"

#include "model/Paths.h"
#include "support/TestSupport.h"
#include "tags/Mp4Structure.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>

#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

// The rows below name only the fields they give (designated initializers); GCC 12 still warns about the
// fields left out, which is what those rows mean.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace quirella {
namespace {

using test::ScratchDir;
using namespace Qt::StringLiterals;

const QString kPlain = QStringLiteral("m4a-plain.m4a");   // no items, "moov" after the audio
const QString kTagged = QStringLiteral("m4a-tagged.m4a"); // many items, "moov" before the audio
const QString kRated = QStringLiteral("m4a-rated.m4a");   // title and "Rating: ★★★"

QString stars(int count) {
    return QStringLiteral("Rating: ") + QString(count, QChar(0x2605));
}

// The items of a file as TagLib reads them back.
struct Items {
    bool valid = false;
    TagLib::MP4::ItemMap map;

    bool has(const char* key) const { return map.contains(TagLib::String(key)); }
    QStringList texts(const char* key) const {
        QStringList out;
        if (has(key)) {
            for (const TagLib::String& text : map[TagLib::String(key)].toStringList()) {
                out << QString::fromStdString(text.to8Bit(true));
            }
        }
        return out;
    }
    TagLib::MP4::CoverArtList covers() const {
        return has("covr") ? map[TagLib::String("covr")].toCoverArtList() : TagLib::MP4::CoverArtList();
    }
};

Items readItems(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    TagLib::MP4::File file(native.constData(), false);
    Items items;
    items.valid = file.isValid() && file.tag() != nullptr;
    if (items.valid) {
        items.map = file.tag()->itemMap();
    }
    return items;
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

QByteArray encodedImage(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

// Makes a file or folder unwritable for the duration of a test. Root ignores permission bits, so for
// root the immutable attribute stands in (it stops root as well).
class WriteLock {
public:
    explicit WriteLock(QString path)
        : m_path(std::move(path)) {
        m_permissions = QFile::permissions(m_path);
        if (::geteuid() == 0) {
            m_locked = setImmutable(true);
        } else {
            m_locked = QFile::setPermissions(
                m_path, m_permissions & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                                          QFileDevice::WriteGroup | QFileDevice::WriteOther));
        }
    }
    ~WriteLock() {
        if (::geteuid() == 0) {
            setImmutable(false);
        } else {
            QFile::setPermissions(m_path, m_permissions);
        }
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    bool locked() const { return m_locked; }

private:
    bool setImmutable(bool on) const {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QString m_path;
    QFileDevice::Permissions m_permissions;
    bool m_locked = false;
};

TagValues allFields() {
    return {.title = u"Évening Song"_s,
            .artist = u"Ünïcode Band"_s,
            .year = 2005,
            .genre = u"Rock"_s,
            .rating = 4};
}

struct WriteCase {
    const char* name;
    QString fixture;
    TagValues values;
    // Item texts expected afterwards; an empty list means the item is absent.
    std::vector<std::pair<const char*, QStringList>> expected;
};

class M4aWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(M4aWriteTest, SetsManagedItemsAndKeepsTheRest) {
    const WriteCase& c = GetParam();
    ScratchDir dir;
    const QString path = dir.write(u"song.m4a"_s, test::dataFile(c.fixture));
    const TagStatus status = M4ATagEditor::writeTagsNow(path, c.values);
    ASSERT_TRUE(status.ok()) << status.message.toStdString();
    const Items items = readItems(path);
    ASSERT_TRUE(items.valid);
    for (const auto& [key, texts] : c.expected) {
        EXPECT_EQ(items.texts(key), texts) << key;
    }
    if (c.fixture == kTagged) {
        // What the writer does not manage stays.
        EXPECT_EQ(items.texts("\251wrt"), QStringList{u"Ada Writer"_s});
        ASSERT_TRUE(items.has("trkn"));
        EXPECT_EQ(items.map[TagLib::String("trkn")].toIntPair().first, 3);
        EXPECT_EQ(items.map[TagLib::String("trkn")].toIntPair().second, 12);
    }
    const Audio before = readAudio(test::dataPath(c.fixture));
    ASSERT_FALSE(before.packets.empty());
    EXPECT_TRUE(readAudio(path) == before) << "audio packets changed";
    EXPECT_TRUE(leftoverCopies().isEmpty());
}

const QStringList kNone;

INSTANTIATE_TEST_SUITE_P(
    Items, M4aWriteTest,
    ::testing::Values(
        WriteCase{"all fields on a bare file",
                  kPlain,
                  allFields(),
                  {{"\251nam", {u"Évening Song"_s}},
                   {"\251ART", {u"Ünïcode Band"_s}},
                   {"\251day", {u"2005"_s}},
                   {"\251gen", {u"Rock"_s}},
                   {"\251cmt", {stars(4)}},
                   {"\251alb", kNone}}},
        WriteCase{"year 2099 is written", kPlain, {.year = 2099}, {{"\251day", {u"2099"_s}}}},
        WriteCase{"year 2100 removes the old date",
                  kTagged,
                  {.title = u"T"_s, .year = 2100},
                  {{"\251day", kNone}, {"\251alb", {u"Fixture Album"_s}}, {"\251cmt", {u"Recorded live"_s}}}},
        WriteCase{"empty title removes the name",
                  kTagged,
                  {.title = QString(), .artist = u"X"_s},
                  {{"\251nam", kNone}, {"\251ART", {u"X"_s}}}},
        WriteCase{"nothing given removes every managed item",
                  kTagged,
                  {},
                  {{"\251nam", kNone},
                   {"\251ART", kNone},
                   {"\251day", kNone},
                   {"\251gen", kNone},
                   {"\251cmt", {u"Recorded live"_s}},
                   {"\251alb", {u"Fixture Album"_s}}}},
        WriteCase{"rating goes before a plain comment",
                  kTagged,
                  {.rating = 2},
                  {{"\251cmt", {stars(2), u"Recorded live"_s}}}},
        WriteCase{"rating replaces an old rating comment", kRated, {.rating = 5}, {{"\251cmt", {stars(5)}}}},
        WriteCase{"rating 0 removes the rating comment",
                  kRated,
                  {.title = u"Rated Tune"_s, .rating = 0},
                  {{"\251cmt", kNone}, {"\251nam", {u"Rated Tune"_s}}}},
        WriteCase{"empty album removes the old one", kTagged, {.album = QString()}, {{"\251alb", kNone}}}),
    [](const auto& row) {
        std::string name = row.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(M4ATagEditor, CoverIsConvertedOrWrittenAsItCame) {
    QImage picture(900, 600, QImage::Format_ARGB32);
    picture.fill(QColor(30, 120, 200, 128));
    const QByteArray png = encodedImage(picture, "png");
    const QByteArray garbage("definitely not a picture");
    const QByteArray brokenPng = png.left(40);

    struct Row {
        const char* name;
        QByteArray cover;
        TagLib::MP4::CoverArt::Format format;
        QByteArray expectedBytes; // empty: a converted picture of 300 x 200
    };
    const Row rows[] = {
        {"decodable PNG becomes a 300-pixel JPEG", png, TagLib::MP4::CoverArt::JPEG, {}},
        {"undecodable bytes are kept as they came", garbage, TagLib::MP4::CoverArt::JPEG, garbage},
        {"undecodable PNG keeps the PNG type", brokenPng, TagLib::MP4::CoverArt::PNG, brokenPng},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        const QString path = dir.write(QStringLiteral("song.m4a"), test::dataFile(kTagged));
        TagValues values = allFields();
        values.coverImage = row.cover;
        ASSERT_TRUE(M4ATagEditor::writeTagsNow(path, values).ok());
        const TagLib::MP4::CoverArtList covers = readItems(path).covers();
        ASSERT_EQ(covers.size(), 1u);
        const TagLib::MP4::CoverArt& cover = covers.front();
        EXPECT_EQ(cover.format(), row.format);
        const QByteArray stored(cover.data().data(), cover.data().size());
        if (row.expectedBytes.isEmpty()) {
            EXPECT_TRUE(stored.startsWith("\xFF\xD8\xFF"));
            EXPECT_EQ(QImage::fromData(stored).size(), QSize(300, 200));
        } else {
            EXPECT_EQ(stored, row.expectedBytes);
        }

        // Written again without a cover, the picture goes.
        values.coverImage.reset();
        ASSERT_TRUE(M4ATagEditor::writeTagsNow(path, values).ok());
        EXPECT_TRUE(readItems(path).covers().isEmpty());
        EXPECT_EQ(readItems(path).texts("\251alb"), QStringList{QStringLiteral("Fixture Album")});
    }
}

TEST(M4ATagEditor, WritingTwiceGivesTheSameBytes) {
    for (const QString& fixture : {kPlain, kTagged, kRated}) {
        SCOPED_TRACE(fixture.toStdString());
        ScratchDir dir;
        const QString path = dir.write(QStringLiteral("song.m4a"), test::dataFile(fixture));
        TagValues values = allFields();
        QImage picture(400, 400, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        values.coverImage = encodedImage(picture, "jpeg");
        ASSERT_TRUE(M4ATagEditor::writeTagsNow(path, values).ok());
        const QByteArray once = test::readAll(path);
        ASSERT_TRUE(M4ATagEditor::writeTagsNow(path, values).ok());
        EXPECT_EQ(test::readAll(path), once);
    }
}

QByteArray box(const char* type, const QByteArray& payload) {
    QByteArray out;
    appendU32BE(out, static_cast<std::uint32_t>(8 + payload.size()));
    return out + QByteArray(type, 4) + payload;
}

TEST(Mp4Structure, AcceptsWholeFilesOnly) {
    const QByteArray ftyp = box("ftyp", QByteArray("M4A \0\0\0\0", 8));
    const QByteArray moov =
        box("moov", box("trak", box("mdia", {})) + box("udta", box("meta", QByteArray(4, '\0'))));
    QByteArray largeMdat;
    appendU32BE(largeMdat, 1);
    largeMdat += "mdat";
    appendU32BE(largeMdat, 0);
    appendU32BE(largeMdat, 16 + 3);
    largeMdat += "xyz";
    QByteArray childPastParent = box("moov", box("trak", {}));
    storeU32BE(childPastParent, 8, 40);

    struct Row {
        const char* name;
        QByteArray bytes;
        bool ok;
    };
    const Row rows[] = {
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
    for (const Row& row : rows) {
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

struct BadInput {
    const char* name;
    // Prepares the path to write inside the folder; returns it.
    std::function<QString(const ScratchDir&)> prepare;
    TagError expected;
    bool lock = false; // make the file unwritable
    bool lockFolder = false;
};

QByteArray withMdatSize(QByteArray bytes, quint32 size) {
    const qsizetype at = bytes.indexOf("mdat") - 4;
    if (at >= 0) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = char((size >> (24 - 8 * i)) & 0xFF);
        }
    }
    return bytes;
}

TEST(M4ATagEditor, BadInputFailsAndLeavesTheFileAlone) {
    const BadInput rows[] = {
        {"truncated file",
         [](const ScratchDir& d) {
             const QByteArray bytes = test::dataFile(kTagged);
             return d.write(QStringLiteral("a.m4a"), bytes.left(bytes.size() / 2));
         },
         TagError::notValidFormat},
        {"audio box larger than the file",
         [](const ScratchDir& d) {
             return d.write(QStringLiteral("a.m4a"), withMdatSize(test::dataFile(kPlain), 0x7FFFFFF0u));
         },
         TagError::notValidFormat},
        {"random bytes named .m4a",
         [](const ScratchDir& d) {
             QByteArray bytes(4096, '\0');
             QRandomGenerator random(42);
             for (char& byte : bytes) {
                 byte = char(random.bounded(256));
             }
             return d.write(QStringLiteral("a.m4a"), bytes);
         },
         TagError::notValidFormat},
        {"empty file", [](const ScratchDir& d) { return d.write(QStringLiteral("a.m4a"), {}); },
         TagError::notValidFormat},
        {"read-only file",
         [](const ScratchDir& d) { return d.write(QStringLiteral("a.m4a"), test::dataFile(kTagged)); },
         TagError::writeFailure, true},
        {"read-only folder",
         [](const ScratchDir& d) { return d.write(QStringLiteral("sub/a.m4a"), test::dataFile(kTagged)); },
         TagError::writeFailure, false, true},
        {"missing file", [](const ScratchDir& d) { return d.filePath(QStringLiteral("missing.m4a")); },
         TagError::platform},
        {"folder in place of a file",
         [](const ScratchDir& d) {
             QDir(d.path()).mkpath(QStringLiteral("folder.m4a"));
             return d.filePath(QStringLiteral("folder.m4a"));
         },
         TagError::writeFailure},
    };
    for (const BadInput& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        const QString path = row.prepare(dir);
        const bool existed = QFileInfo(path).isFile();
        const QByteArray before = existed ? test::readAll(path) : QByteArray();
        std::optional<WriteLock> lock;
        if (row.lock || row.lockFolder) {
            lock.emplace(row.lock ? path : QFileInfo(path).absolutePath());
            if (!lock->locked()) {
                ADD_FAILURE() << "cannot make the file unwritable here";
                continue;
            }
        }
        TagValues values = allFields();
        values.coverImage = QByteArray("cover");
        const TagStatus status = M4ATagEditor::writeTagsNow(path, values);
        EXPECT_FALSE(status.ok());
        EXPECT_EQ(status.error, row.expected) << status.message.toStdString();
        EXPECT_FALSE(status.message.isEmpty());
        lock.reset();
        EXPECT_EQ(QFileInfo(path).isFile(), existed);
        if (existed) {
            EXPECT_EQ(test::readAll(path), before);
        }
        EXPECT_TRUE(leftoverCopies().isEmpty()) << leftoverCopies().join(u' ').toStdString();
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden).size(),
                  existed ? 1 : 0)
            << "nothing is left next to the file";
    }
}

TEST(M4ATagEditor, CancellationKeepsTheOriginal) {
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("a.m4a"), test::dataFile(kTagged));
    const QByteArray before = test::readAll(path);
    const TagStatus status = M4ATagEditor::writeTagsNow(path, allFields(), [] { return true; });
    EXPECT_EQ(status.error, TagError::writeFailure);
    EXPECT_EQ(test::readAll(path), before);
    EXPECT_TRUE(leftoverCopies().isEmpty());

    // Through the editor's own thread: the second write is queued behind three others (each one a
    // copy, a rewrite and two flushes to disk) and cancelled long before its turn comes.
    M4ATagEditor editor;
    const QString other = dir.write(QStringLiteral("b.m4a"), test::dataFile(kPlain));
    const QByteArray otherBefore = test::readAll(other);
    editor.writeTags(path, allFields());
    editor.writeTags(path, allFields());
    QFuture<TagStatus> first = editor.writeTags(path, allFields());
    QFuture<TagStatus> second = editor.writeTags(other, allFields());
    second.cancel();
    ASSERT_TRUE(test::waitFor(first));
    ASSERT_TRUE(first.result().ok()) << first.result().message.toStdString();
    EXPECT_EQ(readItems(path).texts("\251nam"), QStringList{QStringLiteral("Évening Song")});
    second.waitForFinished();
    EXPECT_TRUE(second.isCanceled());
    EXPECT_EQ(test::readAll(other), otherBefore);
    // A later write on the same editor still works and leaves nothing behind.
    QFuture<TagStatus> third = editor.writeTags(other, allFields());
    ASSERT_TRUE(test::waitFor(third));
    EXPECT_TRUE(third.result().ok());
    EXPECT_TRUE(leftoverCopies().isEmpty());
}

} // namespace
} // namespace quirella
