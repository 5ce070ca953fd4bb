// SPDX-License-Identifier: GPL-3.0-or-later
// The length loading reads from the bytes that describe the audio is TagLib's, to the millisecond, in every
// format; where those bytes cannot tell, there is none and TagLib is asked.
#include "support/AudioFiles.h"
#include "support/TestSupport.h"
#include "tags/MediaReader.h"
#include "tags/TagReader.h"

#include <QFileInfo>

#include <functional>
#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

QString fixture(const char* name) {
    return QStringLiteral(QUIRELLA_TEST_DATA "/") + QString::fromUtf8(name);
}

struct LengthCase {
    const char* name;
    // The file to measure, made in `dir` when it is not a fixture.
    std::function<QString(const ScratchDir& dir)> file;
    bool ours = true; // whether our parse tells the length
};

const LengthCase lengthCases[] = {
    {"Mp3OfConstantBitRateAfterAnId3v23Tag", [](const ScratchDir&) { return fixture("ffmpeg-v23.mp3"); }},
    {"Mp3OfConstantBitRateAfterAnId3v24Tag", [](const ScratchDir&) { return fixture("ffmpeg-v24.mp3"); }},
    {"Mp3WithAXingHeader", [](const ScratchDir&) { return fixture("ffmpeg-vbr.mp3"); }},
    {"Mp3WithOnlyAnId3v1Tag",
     [](const ScratchDir& dir) {
         return dir.write(u"v1.mp3"_s, mp3Audio(30) + "TAG" + QByteArray(125, 'x'));
     }},
    {"Mp3WhoseAudioIsNotFound", [](const ScratchDir& dir) { return dir.write(u"junk.mp3"_s, "junk"); },
     false},
    {"Wav", [](const ScratchDir& dir) { return dir.write(u"tone.wav"_s, wavFile()); }},
    {"WavWithAnOddDataChunk",
     [](const ScratchDir& dir) {
         return dir.write(u"odd.wav"_s,
                          riffFile(wavChunk("fmt ", pcmFormat()) + wavChunk("data", samples(1601))));
     }},
    {"Aiff", [](const ScratchDir&) { return fixture("ffmpeg-tagged.aiff"); }},
    {"M4a", [](const ScratchDir&) { return fixture("m4a-plain.m4a"); }},
    {"M4aWithItsIndexInFront", [](const ScratchDir&) { return fixture("m4a-tagged.m4a"); }},
    {"Flac", [](const ScratchDir&) { return fixture("flac-plain.flac"); }},
    {"OggVorbis", [](const ScratchDir&) { return fixture("xiph-tone.ogg"); }},
    {"Opus", [](const ScratchDir&) { return fixture("xiph-tone.opus"); }},
};

class AudioLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(AudioLength, IsTagLibsToTheMillisecond) {
    const ScratchDir dir;
    const QString path = GetParam().file(dir);
    const QString extension = QFileInfo(path).suffix();
    const FileReading reading = readTagsAndLength(path, extension);
    const std::optional<double> taglib = readDuration(path, extension);
    if (!GetParam().ours) {
        EXPECT_FALSE(reading.seconds.has_value());
        return;
    }
    ASSERT_TRUE(taglib.has_value());
    EXPECT_GT(*taglib, 0);
    EXPECT_EQ(reading.seconds, taglib);
}

INSTANTIATE_TEST_SUITE_P(Files, AudioLength, ::testing::ValuesIn(lengthCases),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
