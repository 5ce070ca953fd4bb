#include "operations/TextEngine.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <ostream>

using namespace quirella;
using namespace Qt::StringLiterals;

namespace {

struct TermCase {
    const char* name;
    QString text;
    QString term;
    QString replacement;
    QString expected;
};

TEST(ReplaceTerm, MatchesLiterallyIgnoringCaseAndAccents) {
    const QList<TermCase> cases = {
        {"no replacement leaves one space",
         u"Song (Official Video)"_s,
         u"official video"_s,
         {},
         u"Song ( )"_s},
        {"any letter case", u"Feat X feat Y FEAT"_s, u"feat"_s, u"ft"_s, u"ft X ft Y ft"_s},
        {"accented term, plain text", u"Cafe del Mar"_s, u"café"_s, u"Bar"_s, u"Bar del Mar"_s},
        {"plain term, accented text", u"Café del Mar"_s, u"cafe"_s, u"Bar"_s, u"Bar del Mar"_s},
        {"decomposed accent goes with its letter", u"Cafe\u0301 Noir"_s, u"cafe"_s, {}, u"Noir"_s},
        {"full stop is literal", u"R.E.M. and REMix"_s, u"r.e.m."_s, u"X"_s, u"X and REMix"_s},
        {"plus is literal", u"C++ Song"_s, u"c++"_s, {}, u"Song"_s},
        {"regex characters only", u"a.*+?^$[](){}|\\b"_s, u".*+?^$[](){}|\\"_s, u"-"_s, u"a-b"_s},
        {"comma is part of the term", u"A, B and A B"_s, u"a, b"_s, u"C"_s, u"C and A B"_s},
        {"the only word leaves nothing", u"Remix"_s, u"remix"_s, {}, QString()},
        {"no match still tidies", u"  Two  Spaces "_s, u"zzz"_s, {}, u"Two Spaces"_s},
        {"half a surrogate pair never matches", u"A 🎵"_s, QString(QChar(0xD83C)), u"x"_s, u"A 🎵"_s},
        {"dotted capital I folds to i", u"İstanbul"_s, u"istanbul"_s, u"X"_s, u"X"_s},
        {"emoji pair stays whole", u"A 🎵 B"_s, u"🎵"_s, u"x"_s, u"A x B"_s},
        {"lone surrogate text survives", u"A\xD800 feat B"_s, u"feat"_s, {}, u"A\xD800 B"_s},
        {"term of combining marks only", u"Cafe\u0301"_s, u"\u0301"_s, u"X"_s, u"Cafe\u0301"_s},
        {"right-to-left text", u"שלום feat עולם"_s, u"FEAT"_s, u"&"_s, u"שלום & עולם"_s},
    };
    for (const TermCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(replaceTerm(c.text, c.term, c.replacement), c.expected);
    }
}

TEST(ReplaceTerm, WholeWordsLeaveLongerWordsAlone) {
    EXPECT_EQ(replaceTerm(u"The Theatre of the Weeknd"_s, u"the"_s, {}, TermMatch::wholeWords),
              u"Theatre of Weeknd"_s);
    EXPECT_EQ(replaceTerm(u"Abba Abbamania"_s, u"ABBA"_s, {}, TermMatch::wholeWords), u"Abbamania"_s);
}

TEST(ReplaceTerm, HostileTextIsHandledInLinearTime) {
    const QString longTitle = QString(10000, u'a') + u" feat b"_s;
    EXPECT_EQ(replaceTerm(longTitle, u"feat"_s, {}), QString(10000, u'a') + u" b"_s);
    QString controls;
    for (char16_t c = 0; c < 0x20; ++c) {
        controls.append(QChar(c));
    }
    controls.append(QChar(0x7F));
    // Every control character but the blanks at the ends survives; the term finds the words between.
    const QString result = replaceTerm(u"x"_s + controls + u"feat"_s, u"FEAT"_s, u"y"_s);
    EXPECT_TRUE(result.startsWith(u"x\u0000"_s));
    EXPECT_TRUE(result.endsWith(u"y"_s));
}

TEST(TitleCase, FollowsTheWordRules) {
    const QList<std::pair<QString, QString>> cases = {
        {u"the best of (the rest)"_s, u"The Best of (The Rest)"_s},
        {u"a day IN the life"_s, u"A Day in the Life"_s},
        {u"songs of  love"_s, u"Songs of  Love"_s}, // runs of spaces stay
        {u"r.e.m. live"_s, u"R.E.M. Live"_s},
        {u"live (( of )) it"_s, u"Live (( Of )) It"_s}, // bracket runs come back whole
        {u"over ( the top"_s, u"Over ( The Top"_s},     // after a word ending in "(", no small word
        {u"straße élan"_s, u"Straße Élan"_s},
        {u"to"_s, u"To"_s},
        {QString(), QString()},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(titleCased(text), expected);
    }
}

TEST(Uppercase, UsesFullCaseMapping) {
    EXPECT_EQ(uppercased(u"straße"_s), u"STRASSE"_s);
    EXPECT_EQ(uppercased(u"élan 🎵"_s), u"ÉLAN 🎵"_s);
}

TEST(CharacterCleanup, EachStepInOrder) {
    struct Step {
        const char* name;
        QString result;
        QString expected;
    };
    const QList<Step> steps = {
        {"1 accents off, other marks dropped", clean::sanitize(u"  Café #1! Ærø?  "_s), u"Cafe 1 ro"_s},
        {"2 capitals run into small letters", clean::spaceCaseBoundaries(u"ABCDef"_s), u"ABCD ef"_s},
        {"2 ordinary words unchanged", clean::spaceCaseBoundaries(u"AbcDef"_s), u"AbcDef"_s},
        {"2 short text untouched", clean::spaceCaseBoundaries(u"ABc"_s), u"ABc"_s},
        {"2 title", clean::spaceCaseBoundaries(u"XYZabc"_s), u"XYZ abc"_s},
        {"3 digits", clean::removeDigits(u"Track 01 Mix 2024"_s), u"Track Mix"_s},
        {"4 artist parts in any case",
         clean::removeArtist(u"abba - Waterloo feat. Bjorn"_s, u"ABBA & Bjorn"_s), u"- Waterloo feat."_s},
        {"4 short parts stay", clean::removeArtist(u"AC DC Song"_s, u"AC/DC"_s), u"AC DC Song"_s},
        {"5 dashes", clean::cleanDashes(u"- Song - Name -"_s), u"Song Name"_s},
        {"6 genre", clean::removeGenre(u"Pop Song Popcorn"_s, u" pop "_s), u"Song Popcorn"_s},
        {"7 empty brackets", clean::removeEmptyBrackets(u"Song ( ) [] { } < > [Live]"_s), u"Song [Live]"_s},
        {"8 bracket runs", clean::collapseBracketRuns(u"Song ((Live))"_s), u"Song (Live)"_s},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(step.result, step.expected);
    }
}

TEST(CharacterCleanup, WholeSongs) {
    struct Case {
        const char* name;
        Song in;
        QString title, artist, genre;
    };
    const auto song = [](QString title, QString artist, QString genre) {
        Song s;
        s.name = std::move(title);
        s.artist = std::move(artist);
        s.genre = std::move(genre);
        s.year = 1976;
        return s;
    };
    const QList<Case> cases = {
        {"digits and emptied brackets", song(u"Dancing Queen (1976) [Remastered]"_s, u"ABBA"_s, u"Pop"_s),
         u"Dancing Queen [Remastered]"_s, u"ABBA"_s, u"Pop"_s},
        {"artist in the title", song(u"Abba - Waterloo"_s, u"ABBA"_s, {}), u"Waterloo"_s, u"ABBA"_s, {}},
        {"short texts keep their case", song(u"ABC"_s, u"XYZ"_s, u"Pop"_s), u"ABC"_s, u"XYZ"_s, u"Pop"_s},
        {"accents and marks", song(u"Ça va? #1!"_s, u"Zoë"_s, u"Électro"_s), u"Ca va"_s, u"Zoe"_s,
         u"Electro"_s},
        {"two closing brackets", song(u"Song (Mix))"_s, {}, {}), u"Song (Mix)"_s, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Song s = c.in;
        cleanSongCharacters(s);
        EXPECT_EQ(s.name, c.title);
        EXPECT_EQ(s.artist, c.artist);
        EXPECT_EQ(s.genre, c.genre);
        EXPECT_EQ(s.year, 1976);
    }
}

} // namespace

namespace {

// The one-pass replacer gives exactly what the terms give one after another.
TEST(TermReplacerTest, EqualsTheTermsOneAfterAnother) {
    const QStringList terms{u"a b"_s, u"Café"_s, u"  "_s, u"x"_s};
    const QStringList texts{u"a  b"_s, u" cafe x "_s, u"nothing here"_s, u"A B  c"_s, u"  "_s, u"Ｘ"_s};
    for (const QString& replacement : {QString(), u"-"_s}) {
        const TermReplacer replacer(terms, replacement);
        for (const QString& text : texts) {
            QString expected = text;
            for (const QString& term : terms) {
                expected = replaceTerm(expected, term, replacement);
            }
            EXPECT_EQ(replacer.apply(text), expected) << text.toStdString();
        }
    }
}

} // namespace
