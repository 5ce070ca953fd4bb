// SPDX-License-Identifier: GPL-3.0-or-later
// The name pattern language as one table: what names give, which patterns are refused, what names tags
// give, and that the two directions undo each other.
#include "operations/NamePattern.h"

#include "model/Paths.h"
#include "support/Songs.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

// "%field%=value; …" in the pattern's order, "no match", or "refused: " and the reason.
QString read(const QString& patternText, const QString& path) {
    const NamePatternParse parsed = parseNamePattern(patternText);
    if (!parsed.pattern) {
        return u"refused: "_s + parsed.error;
    }
    const std::optional<NameValues> values = readNameValues(*parsed.pattern, path);
    if (!values) {
        return u"no match"_s;
    }
    QStringList parts;
    for (const NameValue& value : *values) {
        parts.append(nameFieldToken(value.field) + u'=' + value.text);
    }
    return parts.join(u"; "_s);
}

struct ReadRow {
    const char* name;
    QString pattern;
    QString path;
    QString expected; // a refusal is compared by its start
};

void PrintTo(const ReadRow& row, std::ostream* out) {
    *out << row.name;
}

class NamePatternReading : public ::testing::TestWithParam<ReadRow> {};

TEST_P(NamePatternReading, GivesTheValuesOrNone) {
    const ReadRow& row = GetParam();
    const QString got = read(row.pattern, row.path);
    if (row.expected.startsWith(u"refused: "_s)) {
        EXPECT_TRUE(got.startsWith(row.expected)) << got.toStdString();
    } else {
        EXPECT_EQ(got, row.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, NamePatternReading,
    ::testing::Values(
        ReadRow{"accented letters", u"%artist% - %title%"_s, u"/m/Björk - Jóga.mp3"_s,
                u"%artist%=Björk; %title%=Jóga"_s},
        ReadRow{"non-Latin letters", u"%artist% - %title%"_s, u"/m/坂本龍一 - Энигма.ogg"_s,
                u"%artist%=坂本龍一; %title%=Энигма"_s},
        ReadRow{"dash inside the artist", u"%artist% - %title%"_s, u"/m/Jay-Z - 99 Problems.mp3"_s,
                u"%artist%=Jay-Z; %title%=99 Problems"_s},
        ReadRow{"shortest artist leaves separators to the title", u"%artist% - %title%"_s,
                u"/m/A - B - C.mp3"_s, u"%artist%=A; %title%=B - C"_s},
        ReadRow{"dots in the title", u"%track%. %title%"_s, u"/m/01. Mr. Brightside.flac"_s,
                u"%track%=1; %title%=Mr. Brightside"_s},
        ReadRow{"folder levels", u"%artist%/%album% (%year%)/%track%. %title%"_s,
                u"/m/Björk/Homogenic (1997)/03. Björk - Jóga.mp3"_s,
                u"%artist%=Björk; %album%=Homogenic; %year%=1997; %track%=3; %title%=Björk - Jóga"_s},
        ReadRow{"too few folders", u"%artist%/%album%/%title%"_s, u"/Song.mp3"_s, u"no match"_s},
        ReadRow{"brackets skipped", u"%artist% - %title% [%ignore%]"_s,
                u"/m/Blink-182 - All the Small Things [Remastered 2009].mp3"_s,
                u"%artist%=Blink-182; %title%=All the Small Things"_s},
        ReadRow{"values trimmed", u"%artist%-%title%"_s, u"/m/ Air -  La Femme d'Argent .mp3"_s,
                u"%artist%=Air; %title%=La Femme d'Argent"_s},
        ReadRow{"tempo and disc digits", u"[%bpm% BPM] %disc%-%track% %albumartist% - %genre%"_s,
                u"/m/[0128 BPM] 2-07 Various - Trip Hop.wav"_s,
                u"%bpm%=128; %disc%=2; %track%=7; %albumartist%=Various; %genre%=Trip Hop"_s},
        ReadRow{"year needs four digits", u"%title% (%year%)"_s, u"/m/Song (97).mp3"_s, u"no match"_s},
        ReadRow{"year outside the rule left out", u"%title% (%year%)"_s, u"/m/Song (1850).mp3"_s,
                u"%title%=Song"_s},
        ReadRow{"track zero left out", u"%track% %title%"_s, u"/m/00 Intro.mp3"_s, u"%title%=Intro"_s},
        ReadRow{"partial match is no match", u"%track%. %artist% - %title%"_s, u"/m/Intro - Live.mp3"_s,
                u"no match"_s},
        ReadRow{"literal text matches exactly", u"%title% (Live)"_s, u"/m/Song (live).mp3"_s, u"no match"_s},
        ReadRow{"extension left out, other dots kept", u"%title%"_s, u"/m/Vol. 2.mp3"_s, u"%title%=Vol. 2"_s},
        ReadRow{"a percent sign is text", u"100% %title%"_s, u"/m/100% Hits.mp3"_s, u"%title%=Hits"_s},
        ReadRow{"fields in any case", u"%Artist% - %TITLE%"_s, u"/m/A - B.mp3"_s, u"%artist%=A; %title%=B"_s},
        ReadRow{"bytes that are not UTF-8", u"%artist% - %title%"_s,
                paths::fromNativePath("/m/Bj\xF6rk - J\xF3ga.mp3"),
                u"%artist%=Bj\uFFFDrk; %title%=J\uFFFDga"_s},
        ReadRow{"unknown field", u"%titel% - %artist%"_s, u"/m/x.mp3"_s, u"refused: “%titel%” is no field"_s},
        ReadRow{"no field", u"Artist - Title"_s, u"/m/x.mp3"_s, u"refused: The pattern has no field"_s},
        ReadRow{"fields with nothing between", u"%artist%%title%"_s, u"/m/x.mp3"_s,
                u"refused: %artist% and %title% have nothing between them"_s},
        ReadRow{"empty folder level", u"%artist%//%title%"_s, u"/m/x.mp3"_s, u"refused: A folder level"_s}),
    [](const ::testing::TestParamInfo<ReadRow>& row) {
        std::string name = row.param.name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

// Names from tags; where the name is made, reading it back by the same pattern gives the values again.
TEST(NamePatternWriting, NamesFromTagsAndBackAgain) {
    Song full = makeSong(u"Jóga"_s, u"Björk"_s, 1997, u"Art Pop"_s, 0, 96);
    full.album = u"Homogenic"_s;
    full.albumArtist = u"Björk"_s;
    full.track = {3, 10};
    full.disc = {1, 0};
    Song slashed = full;
    slashed.name = u"AC/DC: Live?"_s;
    const struct {
        const char* name;
        QString pattern;
        Song song;
        QString expected; // the name, or the field that is missing, or "refused"
    } rows[] = {
        {"two-digit track", u"%track%. %artist% - %title%"_s, full, u"03. Björk - Jóga"_s},
        {"every field", u"%disc%-%track% %albumartist% - %album% (%year%) - %title% [%genre%, %bpm%]"_s, full,
         u"01-03 Björk - Homogenic (1997) - Jóga [Art Pop, 96]"_s},
        {"characters a name cannot hold", u"%artist% - %title%"_s, slashed, u"Björk - AC_DC_ Live_"_s},
        {"empty field", u"%title% (%year%)"_s, makeSong(u"Song"_s), u"missing %year%"_s},
        {"blank field", u"%artist% - %title%"_s, makeSong(u"Song"_s, u" "_s), u"missing %artist%"_s},
        {"folder levels", u"%artist%/%title%"_s, full, u"refused"_s},
        {"ignore", u"%ignore% - %title%"_s, full, u"refused"_s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const NamePattern pattern = *parseNamePattern(row.pattern).pattern;
        const NameFromTags made = nameFromTags(pattern, row.song);
        if (row.expected == u"refused"_s) {
            EXPECT_FALSE(fileNamePatternProblem(pattern).isEmpty());
            EXPECT_TRUE(made.baseName.isEmpty());
            continue;
        }
        EXPECT_TRUE(fileNamePatternProblem(pattern).isEmpty());
        EXPECT_EQ(made.missing ? u"missing "_s + nameFieldToken(*made.missing) : made.baseName, row.expected);
        if (made.baseName.isEmpty() || row.song.name != full.name) { // no way back from "_"
            continue;
        }
        // Read back into an empty song, each field gives the value it was made from.
        Song back = makeSong(QString());
        applyNameValues(back, readNameValues(pattern, u"/m/"_s + made.baseName + u".mp3"_s).value());
        for (const NamePattern::Piece& piece : pattern.pieces) {
            if (piece.field) {
                const NamePattern field = *parseNamePattern(nameFieldToken(*piece.field)).pattern;
                EXPECT_EQ(nameFromTags(field, back).baseName, nameFromTags(field, row.song).baseName);
            }
        }
    }
}

} // namespace
