// SPDX-License-Identifier: GPL-3.0-or-later
// The writers of chunked files, WAV (RIFF) and AIFF (IFF): the exact bytes of rebuilt files, what the WAV
// reader finds.
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "tags/AIFFTagEditor.h"
#include "tags/Id3.h"
#include "tags/WAVTagEditor.h"

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

// Rows name only the values they give; GCC 12 still warns about the fields left out.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

// An INFO list as the writer makes it of "ID=text|ID=text": each Latin-1 text with its terminating zero,
// and one more zero, counted in the length, when that makes the length odd.
QByteArray info(const QByteArray& fields) {
    QByteArray payload = "INFO";
    for (const QByteArray& field : fields.split('|')) {
        payload += wavChunk(field.left(4), field.mid(5) + QByteArray(2 - field.mid(5).size() % 2, '\0'));
    }
    return wavChunk("LIST", payload);
}

// The tag our writers make of `values`, with a tag header around the frames and `kept`.
QByteArray ourTag(const TagValues& values, const QByteArray& kept = {}) {
    return id3Tag(id3::buildTag(id3::managedFrames(values, std::nullopt), 0).mid(10) + kept);
}

} // namespace

// Foreign chunks come across byte for byte, pad bytes as zero; INFO goes behind "fmt ", ID3 last, each
// with ours first, then the old ones we do not manage; filler goes; a second rebuild changes nothing.
TEST(WavRebuild, ExactBytes) {
    const QByteArray fmt = wavChunk("fmt ", pcmFormat());
    const QByteArray fmt17 = pcmFormat() + '\0';
    const QByteArray data = wavChunk("data", samples(401));
    const QByteArray bext = wavChunk("bext", QByteArray(603, 'b'), '\x77');
    const QByteArray cue = wavChunk("cue ", "\x01" + QByteArray(27, 'c'));
    const QByteArray adtl = wavChunk("LIST", "adtl" + wavChunk("labl", raw("\1\0\0\0Intro\0")));
    const QByteArray kept = id3Frame("COMM", raw("\0eng\0kept")) + id3Frame("TALB", textBody("Album"));
    const QByteArray oldTag =
        id3Tag(id3Frame("TIT2", textBody("Old")) + kept + id3Frame("POPM", popmBody(5)));
    const QByteArray oldInfo = info("INAM=Old|ICMT=A comment|IPRD=Album");
    const TagValues values = {.title = u"Évé"_s, .artist = u"A"_s, .year = 2005, .genre = u"G"_s};
    const struct {
        const char* name;
        QByteArray source;
        TagValues values;
        QByteArray expected;
    } rows[] = {
        {"everything not managed is kept",
         riffFile(bext + fmt + wavChunk("abcd", {}) + data + oldInfo + cue + adtl +
                  wavChunk("JUNK", QByteArray(32, '\0')) + wavChunk("id3 ", oldTag) + QByteArray(16, '\0')),
         values,
         riffFile(bext.chopped(1) + '\0' + fmt +
                  info("INAM=\xC9v\xE9|IART=A|ISTR=A|ICRD=2005|IGNR=G|ICMT=A comment|IPRD=Album") +
                  wavChunk("abcd", {}) + data + cue + adtl + wavChunk("ID3 ", ourTag(values, kept)))},
        {"nothing to write, the pad byte zeroed", riffFile(wavChunk("fmt ", fmt17, '\xAB') + data),
         TagValues(), riffFile(wavChunk("fmt ", fmt17) + data)},
        {"a tag of odd length is padded", riffFile(fmt + data), TagValues{.title = u"AB"_s},
         riffFile(fmt + info("INAM=AB") + data + wavChunk("ID3 ", ourTag({.title = u"AB"_s})))},
        // A character beyond Latin-1 empties the whole INFO text rather than becoming '?'.
        {"INFO texts of both parities", riffFile(fmt + data),
         TagValues{.artist = u"Caf€"_s, .genre = u"Pop"_s},
         riffFile(fmt + info("IART=|ISTR=|IGNR=Pop") + data +
                  wavChunk("ID3 ", id3Tag(id3Frame("TPE1", textBody("Caf\xE2\x82\xAC")) +
                                          id3Frame("TCON", textBody("Pop")))))},
        {"a year outside the ID3 range stays in INFO only", riffFile(fmt + data),
         TagValues{.year = 1850, .rating = 0}, riffFile(fmt + info("ICRD=1850") + data)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TagResult<QByteArray> result = wav::rebuildWAV(row.source, row.values, std::nullopt);
        ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
        EXPECT_EQ(result.value->toHex(' '), row.expected.toHex(' '));
        EXPECT_EQ(wav::rebuildWAV(*result.value, row.values, std::nullopt).value, result.value);
    }
}

// INFO texts are Latin-1 without control characters at either end, a later field wins, only the first
// list counts; a later POPM wins; the picture is the first front cover, else the first of type "other".
TEST(WavRead, FindsTheFields) {
    const auto id3 = [](const QByteArray& frames) { return wavChunk("id3 ", id3Tag(frames)); };
    const QByteArray image = QByteArray::fromHex("ffd8ffe000104a464946") + QByteArray(300, 'j');
    const struct {
        const char* name;
        QByteArray chunks;
        const char* fields; // "key=value|key=value"
        QByteArray picture;
    } rows[] = {
        {"INFO", info("INAM=T|IART=A|IPRD=B|ICRD=2003-05|IGNR=G|ICMT=C"),
         "album=B|artist=A|genre=G|title=T|year=2003-05"},
        {"Latin-1, control characters, the later field, a sub-chunk cut short",
         wavChunk("LIST", "INFO" + wavChunk("INAM", raw("\1x\n")) + wavChunk("INAM", raw("Caf\xe9\x7f\0")) +
                              wavChunkClaiming("IART", 90, "xy")) +
             info("IART=Hidden"),
         "title=Café"},
        {"ratings", id3(id3Frame("POPM", popmBody(255)) + id3Frame("POPM", popmBody(0))), "rating=0"},
        {"pictures",
         id3(id3Frame("APIC", apicBody("other", 0)) + id3Frame("APIC", apicBody(image)) +
             id3Frame("APIC", apicBody("back", 4))),
         "", image},
        {"picture with UTF-16 description",
         id3(id3Frame("APIC", apicBody(image, 3, 1, QByteArray::fromHex("fffe43006f00")))), "", image},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TagResult<wav::WavTags> result = wav::readTags(wavFile(row.chunks));
        ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
        QStringList fields;
        for (auto field = result.value->fields.cbegin(); field != result.value->fields.cend(); ++field) {
            fields << field.key() + u'=' + field.value();
        }
        EXPECT_EQ(fields.join(u'|'), QString::fromUtf8(row.fields));
        EXPECT_EQ(result.value->picture.value_or(QByteArray()), row.picture);
    }
}

// Both spellings of an old ID3 chunk go; other chunks stay in order with their pad bytes (one missing at
// the end is supplied); a tail too short for a chunk header is dropped.
TEST(AiffLayout, ChunksStayInOrderAndTheNewTagGoesLast) {
    const QByteArray comm = aiffComm(10);
    const QByteArray ssnd = aiffSsnd(10);
    const QByteArray oldTag = aiffChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("old"))));
    const QByteArray odd = aiffChunk("APPL", "ninebytes", '\xFF');
    const QByteArray ours = aiffChunk("ID3 ", ourTag(sampleValues()));
    const struct {
        const char* name;
        QByteArray file;
        QByteArray expected;
        TagValues values = sampleValues();
    } rows[] = {
        {"old tag in the middle", aiffFile({comm, oldTag, ssnd}), aiffFile({comm, ssnd, ours})},
        {"id3 spelling", aiffFile({aiffChunk("id3 ", id3Tag({})), comm, ssnd}), aiffFile({comm, ssnd, ours})},
        {"odd chunk keeps its pad byte", aiffFile({comm, odd, ssnd}), aiffFile({comm, odd, ssnd, ours})},
        {"odd last chunk without pad byte", aiffFile({comm, ssnd}) + raw("APPL\0\0\0\x03xyz"),
         aiffFile({comm, ssnd, aiffChunk("APPL", "xyz"), ours})},
        {"short tail", aiffFile({comm, ssnd}) + "1234567", aiffFile({comm, ssnd, ours})},
        {"a tag of odd length is padded", aiffFile({comm, ssnd}),
         aiffFile({comm, ssnd, aiffChunk("ID3 ", ourTag({.title = u"ab"_s}))}), TagValues{.title = u"ab"_s}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TagResult<QByteArray> result =
            AIFFTagEditor::rebuild(row.file, id3::managedFrames(row.values, std::nullopt), false);
        ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
        EXPECT_EQ(*result.value, row.expected);
    }
}

// Ours, then the old frames in the order met, one in both old tags once; our album replaces the old.
TEST(AiffLayout, FramesOfOldTagsMoveIntoTheNewOneOnce) {
    const QByteArray track = id3Frame("TRCK", textBody("2"));
    const QByteArray album = id3Frame("TALB", textBody("Old album"));
    const QByteArray mood = id3Frame("TXXX", txxxBody("MOOD", "dark"));
    const QByteArray first = aiffChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("x")) + track + album));
    const QByteArray second = aiffChunk("id3 ", id3Tag(track + mood + id3Frame("POPM", popmBody(1, "a"))));
    const QByteArray file = aiffFile({aiffComm(4), first, aiffSsnd(4), second});
    for (const std::optional<QString>& newAlbum : {std::optional<QString>(), std::optional(u"New"_s)}) {
        TagValues values = sampleValues();
        values.album = newAlbum;
        const QByteArray kept = newAlbum ? track + mood : track + album + mood;
        const auto result =
            AIFFTagEditor::rebuild(file, id3::managedFrames(values, {}), newAlbum.has_value());
        EXPECT_EQ(result.value,
                  aiffFile({aiffComm(4), aiffSsnd(4), aiffChunk("ID3 ", ourTag(values, kept))}));
    }
}
