// Recordings whose writer never filled in the length of the audio ("data" in WAV, "SSND" in AIFF): the
// samples then follow a chunk of size 0, and a rewrite that walked them as chunks would drop them. Such
// files are refused and stay as they were; the same recordings with their sizes filled in are written.
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "support/TestSupport.h"
#include "tags/AIFFTagEditor.h"
#include "tags/WAVTagEditor.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

// One second of mono sound from ffmpeg that starts with 0.3 s of digital silence (zeros, which read as
// empty chunks of id 0), then a tone.
QByteArray recording(const ScratchDir& dir, const QString& extension) {
    const QString path = dir.filePath(u"ffmpeg."_s + extension);
    QProcess ffmpeg;
    ffmpeg.start(u"ffmpeg"_s, {u"-v"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                               u"aevalsrc=if(lt(t\\,0.3)\\,0\\,0.5*sin(2*PI*440*t)):s=8000:d=1"_s,
                               u"-fflags"_s, u"+bitexact"_s, path});
    EXPECT_TRUE(ffmpeg.waitForFinished(60000));
    EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
    QByteArray bytes = readAll(path);
    QFile::remove(path);
    return bytes;
}

// The bytes with the size field of the first chunk `id` set to zero, as an unfinished recording has it.
QByteArray withZeroSize(QByteArray bytes, QByteArrayView id) {
    const qsizetype at = bytes.indexOf(id, 12);
    EXPECT_GT(at, 0) << id.toByteArray().constData();
    bytes.replace(at + 4, 4, QByteArray(4, '\0'));
    return bytes;
}

struct Format {
    const char* name;
    const char* extension;
    const char* soundChunk;
    TagStatus (*write)(const QString& path, const TagValues& values);
};

const Format kFormats[] = {
    {"wav", "wav", "data", &WAVTagEditor::writeTagsNow},
    {"aiff", "aiff", "SSND", &AIFFTagEditor::writeTagsNow},
};

class UnfinishedRecording : public ::testing::TestWithParam<Format> {};

TEST_P(UnfinishedRecording, IsRefusedUnchangedWhileTheFinishedOneIsWritten) {
    const Format& format = GetParam();
    const ScratchDir dir;
    const QByteArray finished = recording(dir, QLatin1String(format.extension));
    ASSERT_GT(finished.size(), 16000);

    const QString good = dir.write(u"finished."_s + QLatin1String(format.extension), finished);
    const TagStatus written = format.write(good, sampleValues());
    EXPECT_TRUE(written.ok()) << written.message.toStdString();
    EXPECT_GT(readAll(good).size(), finished.size());

    const QByteArray unfinished = withZeroSize(finished, format.soundChunk);
    const QString bad = dir.write(u"unfinished."_s + QLatin1String(format.extension), unfinished);
    const TagStatus refused = format.write(bad, sampleValues());
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.message.contains(u"never finished"_s)) << refused.message.toStdString();
    EXPECT_EQ(readAll(bad), unfinished);
}

INSTANTIATE_TEST_SUITE_P(All, UnfinishedRecording, ::testing::ValuesIn(kFormats),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
