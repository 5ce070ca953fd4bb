// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/TextEngine.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quirella;
using namespace Qt::StringLiterals;

namespace {

TEST(ReplaceTerm, MatchesLiterallyIgnoringCaseAndAccents) {
    const QList<std::array<QString, 4>> cases = {
        // text, term, replacement, expected
        {u"Song (Official Video)"_s, u"official video"_s, {}, u"Song ( )"_s},
        {u"Feat X feat Y FEAT"_s, u"feat"_s, u"ft"_s, u"ft X ft Y ft"_s},
        {u"Cafe del Mar"_s, u"café"_s, u"Bar"_s, u"Bar del Mar"_s},
        {u"Café del Mar"_s, u"cafe"_s, u"Bar"_s, u"Bar del Mar"_s},
        {u"Cafe\u0301 Noir"_s, u"cafe"_s, {}, u"Noir"_s},
        {u"a.*+?^$[](){}|\\b"_s, u".*+?^$[](){}|\\"_s, u"-"_s, u"a-b"_s},
        {u"  Two  Spaces "_s, u"zzz"_s, {}, u"Two Spaces"_s},
        {u"A 🎵"_s, QString(QChar(0xD83C)), u"x"_s, u"A 🎵"_s},
        {u"İstanbul"_s, u"istanbul"_s, u"X"_s, u"X"_s},
    };
    for (const auto& [text, term, replacement, expected] : cases) {
        EXPECT_EQ(replaceTerm(text, term, replacement), expected) << text.toStdString();
    }
    EXPECT_EQ(replaceTerm(u"The Theatre of the Weeknd"_s, u"the"_s, {}, TermMatch::wholeWords),
              u"Theatre of Weeknd"_s);
}

TEST(TitleCase, FollowsTheWordRules) {
    const QList<std::pair<QString, QString>> cases = {
        {u"the best of (the rest)"_s, u"The Best of (The Rest)"_s},
        {u"a day IN the life of"_s, u"A Day in the Life Of"_s},
        {u"songs of  love"_s, u"Songs of  Love"_s},
        {u"r.e.m. live"_s, u"R.E.M. Live"_s},
        {u"live (( of )) it"_s, u"Live (( Of )) It"_s},
        {u"over ( the top"_s, u"Over ( The Top"_s},
        {u"straße élan"_s, u"Straße Élan"_s},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(titleCased(text), expected);
    }
    EXPECT_EQ(uppercased(u"straße"_s), u"STRASSE"_s);
}

TEST(CharacterCleanup, EachStepAndWholeSongs) {
    EXPECT_EQ(clean::sanitize(u"  Café #1! Ærø & 'x'?  "_s), u"Cafe 1 ro & 'x'"_s);
    EXPECT_EQ(clean::spaceCaseBoundaries(u"ABCDef"_s), u"ABCD ef"_s);
    EXPECT_EQ(clean::spaceCaseBoundaries(u"XYabc"_s), u"XY abc"_s);
    EXPECT_EQ(clean::spaceCaseBoundaries(u"AbcDef"_s), u"AbcDef"_s);
    EXPECT_EQ(clean::removeDigits(u"Track 01 Mix 2024"_s), u"Track Mix"_s);
    EXPECT_EQ(clean::removeArtist(u"abba - Waterloo feat. Bjorn"_s, u"ABBA & Bjorn"_s),
              u"- Waterloo feat."_s);
    EXPECT_EQ(clean::removeArtist(u"AC DC Song"_s, u"AC/DC"_s), u"AC DC Song"_s);
    EXPECT_EQ(clean::cleanDashes(u"- Song - Name -"_s), u"Song Name"_s);
    EXPECT_EQ(clean::removeGenre(u"Pop Song Popcorn"_s, u" pop "_s), u"Song Popcorn"_s);
    EXPECT_EQ(clean::removeEmptyBrackets(u"Song ( ) [] { } < > [Live]"_s), u"Song [Live]"_s);
    EXPECT_EQ(clean::collapseBracketRuns(u"Song ((Live))"_s), u"Song (Live)"_s);

    const auto cleaned = [](QString title, QString artist, QString genre) {
        Song song;
        song.name = std::move(title);
        song.artist = std::move(artist);
        song.genre = std::move(genre);
        song.year = 1976;
        cleanSongCharacters(song);
        EXPECT_EQ(song.year, 1976);
        return QStringList{song.name, song.artist, song.genre};
    };
    EXPECT_EQ(cleaned(u"Dancing Queen (1976) [Remastered]"_s, u"ABBA"_s, u"Pop"_s),
              (QStringList{u"Dancing Queen [Remastered]"_s, u"ABBA"_s, u"Pop"_s}));
    EXPECT_EQ(cleaned(u"Abba - Waterloo"_s, u"ABBA"_s, {}), (QStringList{u"Waterloo"_s, u"ABBA"_s, {}}));
    EXPECT_EQ(cleaned(u"Ça va? #1!"_s, u"Zoë"_s, u"Électro"_s),
              (QStringList{u"Ca va"_s, u"Zoe"_s, u"Electro"_s}));
    EXPECT_EQ(cleaned(u"Song (Mix))"_s, {}, {}), (QStringList{u"Song (Mix)"_s, {}, {}}));
}

// The one-pass replacer gives exactly what the terms give one after another.
TEST(TermReplacer, EqualsTheTermsOneAfterAnother) {
    const QStringList terms{u"a b"_s, u"Café"_s, u"  "_s, u"x"_s};
    for (const QString& text : {u"a  b"_s, u" cafe x "_s, u"A B  c"_s, u"Ｘ"_s}) {
        QString expected = text;
        for (const QString& term : terms) {
            expected = replaceTerm(expected, term, u"-"_s);
        }
        EXPECT_EQ(TermReplacer(terms, u"-"_s).apply(text), expected) << text.toStdString();
    }
}

} // namespace
