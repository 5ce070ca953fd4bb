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

// Foreign chunks come across byte for byte with their pad bytes; a rebuilt INFO list goes behind "fmt "
// with the given fields first and the old list's others after them, the first ID3 chunk is rebuilt and
// goes last, a further one follows it as it was; a second rebuild changes nothing.
TEST(WavRebuild, ExactBytes) {
    const QByteArray fmt = wavChunk("fmt ", pcmFormat());
    const QByteArray fmt17 = pcmFormat() + '\0';
    const QByteArray data = wavChunk("data", samples(401));
    const QByteArray bext = wavChunk("bext", QByteArray(603, 'b'), '\x77');
    const QByteArray cue = wavChunk("cue ", "\x01" + QByteArray(27, 'c'));
    const QByteArray adtl = wavChunk("LIST", "adtl" + wavChunk("labl", raw("\1\0\0\0Intro\0")));
    const QByteArray junk = wavChunk("JUNK", QByteArray(32, '\0'));
    const QByteArray kept = id3Frame("COMM", raw("\0eng\0kept")) + id3Frame("TALB", textBody("Album"));
    const QByteArray oldTag =
        id3Tag(id3Frame("TIT2", textBody("Old")) + kept + id3Frame("POPM", popmBody(5)));
    const QByteArray secondTag = wavChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("Second"))));
    const QByteArray oldInfo = info("INAM=Old|ICMT=A comment|IPRD=Album");
    const TagValues values = {.title = u"Évé"_s, .artist = u"A"_s, .year = 2005, .genre = u"G"_s};
    const struct {
        const char* name;
        QByteArray source;
        TagValues values;
        QByteArray expected;
    } rows[] = {
        {"everything not given is kept",
         riffFile(bext + junk + fmt + wavChunk("abcd", {}) + data + adtl + oldInfo + cue +
                  wavChunk("id3 ", oldTag) + secondTag + QByteArray(16, '\0')),
         values,
         riffFile(bext + junk + fmt +
                  info("INAM=\xC9v\xE9|IART=A|ISTR=A|ICRD=2005|IGNR=G|ICMT=A comment|IPRD=Album") +
                  wavChunk("abcd", {}) + data + adtl + cue +
                  wavChunk("ID3 ", ourTag(values, kept + id3Frame("POPM", popmBody(5)))) + secondTag)},
        {"a rating leaves INFO where it is", riffFile(fmt + data + oldInfo), TagValues{.rating = 5},
         riffFile(fmt + data + oldInfo + wavChunk("ID3 ", ourTag({.rating = 5})))},
        {"nothing given, the pad byte kept", riffFile(wavChunk("fmt ", fmt17, '\xAB') + data), TagValues(),
         riffFile(wavChunk("fmt ", fmt17, '\xAB') + data)},
        {"odd INFO sub-chunks keep their pad byte, a missing one is supplied",
         riffFile(fmt + data +
                  wavChunk("LIST", "INFO" + wavChunk("ICMT", "abc", 'U') + raw("IKEY\3\0\0\0xyz"))),
         TagValues{.title = u"T"_s},
         riffFile(fmt +
                  wavChunk("LIST", "INFO" + wavChunk("INAM", raw("T\0")) + wavChunk("ICMT", "abc", 'U') +
                                       wavChunk("IKEY", "xyz")) +
                  data + wavChunk("ID3 ", ourTag({.title = u"T"_s})))},
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
        {"no year, no ICRD; an emptied list goes", riffFile(fmt + data + info("ICRD=1999")),
         TagValues{.year = 0}, riffFile(fmt + data)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TagResult<QByteArray> result = wav::rebuildWAV(row.source, row.values, std::nullopt);
        ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
        EXPECT_EQ(result.value->toHex(' '), row.expected.toHex(' '));
        EXPECT_EQ(wav::rebuildWAV(*result.value, row.values, std::nullopt).value, result.value);
    }
}

// INFO: the first list of type INFO wherever it stands, texts in UTF-8 when they are UTF-8 and Latin-1
// otherwise, without control characters at either end, a later field winning, the year of a full date;
// the ID3 chunk's title before INFO's, INFO's genre before the tag's.
TEST(WavRead, FindsTheFields) {
    const auto id3 = [](const QByteArray& frames) { return wavChunk("id3 ", id3Tag(frames)); };
    const struct {
        const char* name;
        QByteArray chunks;
        StoredTags shown;
    } rows[] = {
        {"INFO",
         info("INAM=T|IART=A|IPRD=B|ICRD=2003-05|IGNR=G|ICMT=C"),
         {.title = u"T"_s, .artist = u"A"_s, .album = u"B"_s, .genre = u"G"_s, .year = 2003}},
        {"Latin-1, UTF-8, control characters, the later field, a sub-chunk cut short",
         wavChunk("LIST", "INFO" + wavChunk("INAM", raw("\1x\n")) + wavChunk("INAM", raw("Caf\xe9\x7f\0")) +
                              wavChunk("IART", "Bj\xC3\xB6rk") + wavChunkClaiming("IGNR", 90, "xy")),
         {.title = u"Café"_s, .artist = u"Björk"_s}},
        {"INFO after cue labels, not the list after it",
         wavChunk("LIST", "adtl" + wavChunk("labl", raw("\1\0\0\0Intro\0"))) + info("ICRD=2011-05-02") +
             info("INAM=Hidden"),
         {.year = 2011}},
        {"ID3 title, INFO genre",
         info("INAM=Info|IGNR=Info genre") +
             id3(id3Frame("TIT2", textBody("Tag")) + id3Frame("TCON", textBody("Tag genre")) +
                 id3Frame("POPM", popmBody(255))),
         {.title = u"Tag"_s, .genre = u"Info genre"_s, .rating = 5}},
    };
    for (const auto& row : rows) {
        const TagResult<StoredTags> result = wav::readTags(wavFile(row.chunks));
        ASSERT_TRUE(result.ok()) << row.name;
        EXPECT_EQ(*result.value, row.shown) << row.name;
    }
}

// The first ID3 chunk, in either spelling, is rebuilt behind every other chunk, which keep their order
// and pad bytes (one missing at the end is supplied); a further ID3 chunk follows ours as it was; a tail
// too short for a chunk header is dropped.
TEST(AiffLayout, ChunksStayInOrderAndTheNewTagGoesLast) {
    const QByteArray comm = aiffComm(10);
    const QByteArray ssnd = aiffSsnd(10);
    const QByteArray track = id3Frame("TRCK", textBody("2"));
    const QByteArray oldTag = aiffChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("old")) + track));
    const QByteArray second = aiffChunk("id3 ", id3Tag(id3Frame("TIT2", textBody("second"))));
    const QByteArray odd = aiffChunk("APPL", "ninebytes", '\xFF');
    const QByteArray ours = aiffChunk("ID3 ", ourTag(sampleValues()));
    const struct {
        const char* name;
        QByteArray file;
        QByteArray expected;
        TagValues values = sampleValues();
    } rows[] = {
        {"old tags in the middle", aiffFile({comm, oldTag, ssnd, second}),
         aiffFile({comm, ssnd, aiffChunk("ID3 ", ourTag(sampleValues(), track)), second})},
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
        const TagResult<QByteArray> result = AIFFTagEditor::rebuild(row.file, row.values);
        ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
        EXPECT_EQ(result.value->toHex(' '), row.expected.toHex(' '));
    }
}
