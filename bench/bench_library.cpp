// SPDX-License-Identifier: GPL-3.0-or-later
// A whole library in one folder: 10,000 and 50,000 small files of mixed formats (MP3, FLAC, M4A, Ogg
// Vorbis, Opus, WAV, AIFF) with real tags and embedded covers, in subfolders of a thousand, generated
// under /tmp and removed afterwards. For each size, in one run:
//   - loading: ContentViewModel::loadFolder (what the window runs) and `quirella-cli scan` end to end,
//     against a bare single-threaded loop that opens each file with TagLib and reads its tags, length and
//     cover, in alternating rounds (medians); goal: at most the loop's time;
//   - sorting by every sortable column (goal: 150 ms each);
//   - twenty bulk edits, each with its undo snapshot and refresh (goal: 150 ms each), then undo and redo
//     (goal: 100 ms each);
//   - the memory resident with the folder loaded and twenty undo steps taken (goal: 400 MB);
//   - writing the tags of every file (WRITE TAGS) against the floor of a durable rewrite (read, copy,
//     fsync, rename, fsync the folder) of the same files.
//
//   bench_library [songs...]      (default 10000 50000)
//   bench_library --make FOLDER N (fills FOLDER with a library of N files and keeps it, for profiling)
//   bench_library --no-write N    (everything but the write of all files, for profiling)
#include "CopyFlushRename.h"
#include "app/ContentViewModel.h"
#include "app/MemoryTuning.h"
#include "model/Columns.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "operations/BulkEditor.h"
#include "operations/TagWritingBatch.h"
#include "tags/OggTagEditor.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QThreadPool>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <numeric>
#include <sys/resource.h>
#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/popularimeterframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace quirella;
using bench::copyFlushRename;

namespace {

constexpr int kDistinctCovers = 16;
// Placeholders in the templates' tags, patched per file with digits of the same length.
constexpr char kTitleMark[] = "T0000000";
constexpr char kArtistMark[] = "A0000000";

double seconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// Processor seconds (user and system, every thread) of this process or of its waited-for children.
double processorSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMegabytes() {
    QFile status(u"/proc/self/status"_s);
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

[[noreturn]] void fail(const QString& what) {
    std::fprintf(stderr, "bench_library: %s\n", qPrintable(what));
    std::exit(1);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(u"cannot read "_s + path);
    }
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        fail(u"cannot write "_s + path);
    }
}

// Small noisy covers of a few kilobytes each.
QByteArray makeCover(int seed) {
    QRandomGenerator random(static_cast<quint32>(seed));
    QImage image(160, 160, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int base = (x + y + seed * 40) % 256;
            line[x] = qRgb(base, (base + static_cast<int>(random.bounded(24))) % 256, (seed * 50) % 256);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 70);
    return bytes;
}

TagLib::ByteVector vector(const QByteArray& bytes) {
    return TagLib::ByteVector(bytes.constData(), static_cast<unsigned>(bytes.size()));
}

// Ten MPEG-1 Layer III frames of 417 bytes (a quarter of a second), holding no stray frame sync.
QByteArray mp3Audio() {
    QByteArray audio;
    for (int frame = 0; frame < 10; ++frame) {
        audio.append("\xFF\xFB\x90\x64", 4);
        for (int i = 4; i < 417; ++i) {
            audio.append(static_cast<char>((frame * 7 + i) % 251));
        }
    }
    return audio;
}

QByteArray wavAudio() {
    QByteArray data(8000, '\0'); // one second of 8-bit mono at 8 kHz
    for (qsizetype i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(128 + (i * 37) % 50);
    }
    QByteArray fmt = QByteArray::fromHex("010001") + QByteArray(1, '\0');
    fmt += QByteArray::fromHex("401f0000401f000001000800");
    QByteArray body = "WAVEfmt " + QByteArray::fromHex("10000000") + fmt + "data";
    const auto size = static_cast<quint32>(data.size());
    body += QByteArray(reinterpret_cast<const char*>(&size), 4) + data;
    const auto riffSize = static_cast<quint32>(body.size());
    return "RIFF" + QByteArray(reinterpret_cast<const char*>(&riffSize), 4) + body;
}

struct Template {
    QString extension;
    QByteArray bytes;
};

// A template per format and cover: the format's audio with title, artist, year, genre (and a rating
// now and then) and the cover, written by TagLib.
QList<Template> makeTemplates(const QString& folder, const QList<QByteArray>& covers) {
    const QString fixtures = QStringLiteral(QUIRELLA_FIXTURES_DIR);
    const QStringList genres = {u"Rock"_s, u"Electronic"_s, u"Jazz"_s, u"Hip-Hop"_s, u"Ambient"_s, u"Folk"_s};
    QList<Template> templates;
    for (int c = 0; c < covers.size(); ++c) {
        const TagLib::String title(kTitleMark);
        const TagLib::String artist(kArtistMark);
        const unsigned year = 1970u + static_cast<unsigned>(c) * 3u;
        const TagLib::String genre(genres.at(c % genres.size()).toStdString(), TagLib::String::UTF8);
        const auto fill = [&](TagLib::Tag* tag) {
            tag->setTitle(title);
            tag->setArtist(artist);
            tag->setYear(year);
            tag->setGenre(genre);
        };
        const auto picture = [&] {
            auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
            frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
            frame->setMimeType("image/jpeg");
            frame->setPicture(vector(covers.at(c)));
            return frame;
        };
        const auto flacPicture = [&] {
            auto* flac = new TagLib::FLAC::Picture;
            flac->setType(TagLib::FLAC::Picture::FrontCover);
            flac->setMimeType("image/jpeg");
            flac->setData(vector(covers.at(c)));
            return flac;
        };
        const auto path = [&](const QString& extension) {
            return folder + u"/template-%1."_s.arg(c) + extension;
        };
        {
            writeFile(path(u"mp3"_s), mp3Audio());
            TagLib::MPEG::File file(QFile::encodeName(path(u"mp3"_s)).constData());
            TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
            fill(tag);
            tag->addFrame(picture());
            if (c % 3 == 0) {
                auto* rating = new TagLib::ID3v2::PopularimeterFrame;
                rating->setEmail("bench@example.org");
                rating->setRating(196);
                tag->addFrame(rating);
            }
            file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3);
        }
        {
            QFile::copy(fixtures + u"/xiph-tone.flac"_s, path(u"flac"_s));
            QFile(path(u"flac"_s)).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            TagLib::FLAC::File file(QFile::encodeName(path(u"flac"_s)).constData());
            fill(file.xiphComment(true));
            file.addPicture(flacPicture());
            file.save();
        }
        {
            QFile::copy(fixtures + u"/m4a-plain.m4a"_s, path(u"m4a"_s));
            QFile(path(u"m4a"_s)).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            TagLib::MP4::File file(QFile::encodeName(path(u"m4a"_s)).constData());
            fill(file.tag());
            TagLib::MP4::CoverArtList art;
            art.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::JPEG, vector(covers.at(c))));
            file.tag()->setItem("covr", TagLib::MP4::Item(art));
            file.save();
        }
        for (const QString& extension : {u"ogg"_s, u"opus"_s}) {
            QFile::copy(fixtures + u"/xiph-tone."_s + extension, path(extension));
            QFile(path(extension)).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            const QByteArray name = QFile::encodeName(path(extension));
            std::unique_ptr<TagLib::File> file;
            TagLib::Ogg::XiphComment* comment = nullptr;
            if (extension == "ogg"_L1) {
                auto* vorbis = new TagLib::Ogg::Vorbis::File(name.constData());
                comment = vorbis->tag();
                file.reset(vorbis);
            } else {
                auto* opus = new TagLib::Ogg::Opus::File(name.constData());
                comment = opus->tag();
                file.reset(opus);
            }
            fill(comment);
            comment->addPicture(flacPicture());
            file->save();
        }
        {
            writeFile(path(u"wav"_s), wavAudio());
            TagLib::RIFF::WAV::File file(QFile::encodeName(path(u"wav"_s)).constData());
            fill(file.ID3v2Tag());
            file.ID3v2Tag()->addFrame(picture());
            fill(file.InfoTag());
            file.save();
        }
        {
            QFile::copy(fixtures + u"/ffmpeg-tagged.aiff"_s, path(u"aiff"_s));
            QFile(path(u"aiff"_s)).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            TagLib::RIFF::AIFF::File file(QFile::encodeName(path(u"aiff"_s)).constData());
            file.tag()->removeFrames("TXXX");
            fill(file.tag());
            file.tag()->addFrame(picture());
            file.save();
        }
        for (const QString& extension :
             {u"mp3"_s, u"flac"_s, u"m4a"_s, u"ogg"_s, u"opus"_s, u"wav"_s, u"aiff"_s}) {
            templates.append({extension, readFile(path(extension))});
            QFile::remove(path(extension));
        }
    }
    return templates;
}

// Replaces every occurrence of `mark` by `digits` (of the same length).
void patch(QByteArray& bytes, const char* mark, const QByteArray& digits) {
    for (qsizetype at = bytes.indexOf(mark); at >= 0; at = bytes.indexOf(mark, at + digits.size())) {
        bytes.replace(at, digits.size(), digits);
    }
}

// Ogg pages carry a checksum: the page whose bytes were patched gets its own again.
void resealOggPages(QByteArray& bytes) {
    for (qsizetype page = 0; page + 27 <= bytes.size() && bytes.mid(page, 4) == "OggS";) {
        const auto segments = static_cast<unsigned char>(bytes.at(page + 26));
        qsizetype length = 27 + segments;
        for (int i = 0; i < segments; ++i) {
            length += static_cast<unsigned char>(bytes.at(page + 27 + i));
        }
        if (page + length > bytes.size()) {
            return;
        }
        bytes.replace(page + 22, 4, QByteArray(4, '\0'));
        const std::uint32_t sum = OggTagEditor::checksum(QByteArrayView(bytes).sliced(page, length));
        for (int i = 0; i < 4; ++i) {
            bytes[page + 22 + i] = static_cast<char>((sum >> (8 * i)) & 0xFF);
        }
        page += length;
        if (page > 64 * 1024) {
            return; // the tags sit in the first pages
        }
    }
}

// The library: subfolders of a thousand files; formats mixed about as a collection mixes them.
qint64 makeLibrary(const QString& folder, int count, const QList<Template>& templates) {
    // Per hundred files: 40 MP3, 20 FLAC, 15 M4A, 10 Ogg Vorbis, 5 Opus, 5 WAV, 5 AIFF.
    static const int mix[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 3, 3, 4, 5, 6};
    qint64 total = 0;
    for (int i = 0; i < count; ++i) {
        const int format = mix[i % 20];
        const Template& chosen = templates.at((i / 20 % kDistinctCovers) * 7 + format);
        QByteArray bytes = chosen.bytes;
        const QByteArray title = QByteArray::number(i).rightJustified(8, '0');
        const QByteArray artist = QByteArray::number(i % 997).rightJustified(8, '0');
        patch(bytes, kTitleMark, title);
        patch(bytes, kArtistMark, artist);
        if (chosen.extension == "ogg"_L1 || chosen.extension == "opus"_L1) {
            resealOggPages(bytes);
        }
        const QString part = folder + u"/part-%1"_s.arg(i / 1000, 3, 10, QLatin1Char('0'));
        if (i % 1000 == 0) {
            QDir().mkpath(part);
        }
        writeFile(part + u"/Artist %1 - Song %2."_s.arg(i % 997).arg(i) + chosen.extension, bytes);
        total += bytes.size();
    }
    return total;
}

QStringList listFiles(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.append(it.next());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Opens each file with TagLib and reads its tags, its length and its front cover, one after the other.
double bareTagLibLoop(const QStringList& files, qint64* checksum) {
    QElapsedTimer timer;
    timer.start();
    qint64 sum = 0;
    for (const QString& path : files) {
        const QByteArray name = QFile::encodeName(path);
        TagLib::FileRef ref(name.constData(), true);
        if (ref.isNull()) {
            continue;
        }
        if (const TagLib::Tag* tag = ref.tag()) {
            sum += tag->title().size() + tag->artist().size() + tag->genre().size() + tag->year();
        }
        if (const TagLib::AudioProperties* properties = ref.audioProperties()) {
            sum += properties->lengthInMilliseconds() > 0 ? 1 : 0;
        }
        TagLib::File* file = ref.file();
        if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file); mpeg && mpeg->ID3v2Tag()) {
            const TagLib::ID3v2::FrameList pictures = mpeg->ID3v2Tag()->frameList("APIC");
            if (!pictures.isEmpty()) {
                sum += static_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front())->picture().size();
            }
        } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
            if (!flac->pictureList().isEmpty()) {
                sum += flac->pictureList().front()->data().size();
            }
        } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file); mp4 && mp4->tag()) {
            if (mp4->tag()->contains("covr")) {
                sum += mp4->tag()->item("covr").toCoverArtList().front().data().size();
            }
        } else if (auto* vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File*>(file)) {
            if (!vorbis->tag()->pictureList().isEmpty()) {
                sum += vorbis->tag()->pictureList().front()->data().size();
            }
        } else if (auto* opus = dynamic_cast<TagLib::Ogg::Opus::File*>(file)) {
            if (!opus->tag()->pictureList().isEmpty()) {
                sum += opus->tag()->pictureList().front()->data().size();
            }
        } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file); wav && wav->hasID3v2Tag()) {
            const TagLib::ID3v2::FrameList pictures = wav->ID3v2Tag()->frameList("APIC");
            if (!pictures.isEmpty()) {
                sum += static_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front())->picture().size();
            }
        } else if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file); aiff && aiff->hasID3v2Tag()) {
            const TagLib::ID3v2::FrameList pictures = aiff->tag()->frameList("APIC");
            if (!pictures.isEmpty()) {
                sum += static_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front())->picture().size();
            }
        }
    }
    *checksum = sum;
    return seconds(timer);
}

void await(const QFuture<void>& future) {
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished()) {
        loop.exec();
    }
}

double timeLoad(ContentViewModel& model, const QString& folder) {
    QElapsedTimer timer;
    timer.start();
    await(model.loadFolder(QUrl::fromLocalFile(folder)));
    return seconds(timer);
}

// `quirella-cli scan --max-songs N` from process start to exit, its output read in full. Gives the
// number of songs printed.
double timeCommandLine(const QString& folder, int maximum, int* songs) {
    *songs = 0;
    if (QStringLiteral(QUIRELLA_CLI_PATH).isEmpty()) {
        return 0;
    }
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(QUIRELLA_CLI_PATH),
                  {u"scan"_s, folder, u"--max-songs"_s, QString::number(maximum)});
    QByteArray output;
    while (process.waitForReadyRead(-1)) {
        output += process.readAllStandardOutput();
    }
    process.waitForFinished(-1);
    output += process.readAllStandardOutput();
    const double elapsed = seconds(timer);
    *songs = static_cast<int>(QJsonDocument::fromJson(output).object().value(u"songs"_s).toArray().size());
    return elapsed;
}

// Runs the event loop for half a second: the work handed to the worker threads is applied.
void settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 500) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

// Times `run` and returns the seconds, with the event loop given its turn afterwards (queued signals).
double timed(const std::function<void()>& run) {
    QElapsedTimer timer;
    timer.start();
    run();
    const double elapsed = seconds(timer);
    QCoreApplication::processEvents();
    return elapsed;
}

void benchLibrary(const QString& scratch, int count, const QList<Template>& templates, bool writeAll) {
    const QString folder = scratch + u"/library-%1"_s.arg(count);
    QDir().mkpath(folder);
    QElapsedTimer generation;
    generation.start();
    const qint64 bytes = makeLibrary(folder, count, templates);
    ::sync();
    std::printf("\n== %d songs: %d files of mixed formats, %.0f MB, made in %.1f s\n", count, count,
                bytes / 1e6, seconds(generation));
    const QStringList files = listFiles(folder);

    ContentViewModel model;
    model.overrideMaximumSongs(count);
    const int rounds = count > 20000 ? 2 : 3;
    qint64 checksum = 0;
    int cliSongs = 0;
    bareTagLibLoop(files, &checksum); // warm the page cache
    QList<double> bare;
    QList<double> load;
    QList<double> loadCpu;
    QList<double> cli;
    QList<double> loadRatios;
    QList<double> cliRatios;
    for (int round = 0; round < rounds; ++round) {
        bare.append(bareTagLibLoop(files, &checksum));
        const double before = processorSeconds(RUSAGE_SELF);
        load.append(timeLoad(model, folder));
        loadCpu.append(processorSeconds(RUSAGE_SELF) - before);
        cli.append(timeCommandLine(folder, count, &cliSongs));
        loadRatios.append(load.last() / bare.last());
        cliRatios.append(cli.last() / bare.last());
    }
    const int songs = model.currentFolder() ? static_cast<int>(model.currentFolder()->songs.size()) : 0;
    std::printf("load, medians of %d alternating rounds, %d worker threads:\n", rounds,
                QThreadPool::globalInstance()->maxThreadCount());
    std::printf("  bare TagLib loop:  %7.2f s\n", median(bare));
    std::printf("  loadFolder:        %7.2f s, processor %.2f s, %d songs, ratio %.2f (goal: at most 1)\n",
                median(load), median(loadCpu), songs, median(loadRatios));
    std::printf("  quirella-cli scan: %7.2f s, %d songs, ratio %.2f (goal: at most 1)\n", median(cli),
                cliSongs, median(cliRatios));

    // Sorting by every sortable column, twice (ascending, then descending).
    // A large folder is sorted on a worker: the click returns at once, the order is shown when ready.
    double slowestSort = 0;
    double slowestClick = 0;
    QString slowestColumn;
    for (const QStringView column : {column::title, column::artist, column::genre, column::rating,
                                     column::year, column::bpm, column::duration, column::extension}) {
        for (int direction = 0; direction < 2; ++direction) {
            // The order may be applied before sortBy returns (a worker that finished first).
            QEventLoop shown;
            bool applied = false;
            const QMetaObject::Connection done =
                QObject::connect(&model, &ContentViewModel::sortApplied, &shown, [&] {
                    applied = true;
                    shown.quit();
                });
            QElapsedTimer timer;
            timer.start();
            model.sortBy(column);
            slowestClick = std::max(slowestClick, seconds(timer));
            if (count >= ContentViewModel::sortOnWorkerFrom && !applied) {
                shown.exec();
            }
            const double elapsed = seconds(timer);
            QObject::disconnect(done);
            if (elapsed > slowestSort) {
                slowestSort = elapsed;
                slowestColumn = column.toString();
            }
        }
    }
    std::printf("sort, slowest column (%s): %.0f ms until shown (goal: 150 ms); the click holds the UI "
                "thread %.1f ms at most\n",
                qPrintable(slowestColumn), slowestSort * 1000, slowestClick * 1000);

    // Twenty bulk edits, each with its undo snapshot and refresh.
    BulkEditor editor(model);
    const std::pair<const char*, std::function<void()>> edits[] = {
        {"upper-case titles", [&] { editor.uppercaseColumn(column::title); }},
        {"title-case titles", [&] { editor.titleCaseColumn(column::title); }},
        {"upper-case artists", [&] { editor.uppercaseColumn(column::artist); }},
        {"one genre", [&] { editor.setGenreForAll(u"Jazz"_s); }},
        {"three stars", [&] { editor.setRatingForAll(3); }},
        {"replace text", [&] { editor.replaceTextInFields(u"0"_s, u"o"_s); }},
        {"title-case artists", [&] { editor.titleCaseColumn(column::artist); }},
        {"clear ratings", [&] { editor.clearRatings(); }},
        {"upper-case all", [&] { editor.uppercaseAll(); }},
        {"title-case all", [&] { editor.titleCaseAll(); }},
    };
    QList<double> editTimes;
    double slowestEdit = 0;
    const char* slowestName = "";
    for (int step = 0; step < 20; ++step) {
        settle(); // a user's pace: the history's maintenance of the step before has run
        editTimes.append(timed(edits[step % 10].second));
        if (editTimes.last() > slowestEdit) {
            slowestEdit = editTimes.last();
            slowestName = edits[step % 10].first;
        }
    }
    QList<double> undoTimes;
    QList<double> redoTimes;
    for (int i = 0; i < 3; ++i) {
        settle();
        undoTimes.append(timed([&] { model.undo(); }));
        settle();
        redoTimes.append(timed([&] { model.redo(); }));
    }
    settle();
    std::printf("bulk edit with undo step and refresh: median %.0f ms, slowest %.0f ms (%s; goal: 150 ms)\n",
                median(editTimes) * 1000, slowestEdit * 1000, slowestName);
    std::printf("undo: median %.0f ms, redo: median %.0f ms (goal: 100 ms), %lld undo steps held\n",
                median(undoTimes) * 1000, median(redoTimes) * 1000,
                static_cast<long long>(model.historyManager().undoCount()));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("memory resident with the folder and %lld undo steps: %.0f MB (goal: 400 MB); peak %.0f MB\n",
                static_cast<long long>(model.historyManager().undoCount()), residentMegabytes(),
                usage.ru_maxrss / 1024.0);

    if (!writeAll) {
        QDir(folder).removeRecursively();
        return;
    }
    // WRITE TAGS of every file against the floor of a durable rewrite of each.
    ::sync();
    QElapsedTimer floorTimer;
    floorTimer.start();
    for (const QString& path : files) {
        if (!copyFlushRename(path)) {
            fail(u"floor failed on "_s + path);
        }
    }
    const double floor = seconds(floorTimer);
    ::sync();
    ProgressManager progress;
    ToastManager toasts;
    QElapsedTimer writeTimer;
    writeTimer.start();
    QFuture<TagBatchResult> writing = writeTagsToFiles(&model, &progress, &toasts);
    await(QFuture<void>(writing));
    const double write = seconds(writeTimer);
    const TagBatchResult result = writing.result();
    std::printf("write all tags: %.1f s (%d written, %d skipped, %lld failed) against the floor %.1f s, "
                "ratio %.2f\n",
                write, result.successCount, result.skipCount,
                static_cast<long long>(result.errorLines.size()), floor, write / floor);
    if (!result.errorLines.isEmpty()) {
        std::printf("  first failure: %s\n", qPrintable(result.errorLines.first()));
    }
    QDir(folder).removeRecursively();
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir scratch(u"/tmp/quirella-bench-library-XXXXXX"_s);
    if (!scratch.isValid()) {
        return 1;
    }
    qputenv("TMPDIR", QFile::encodeName(scratch.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path() + u"/config"_s));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(scratch.path() + u"/cache"_s));
    keepFreedMemoryForReuse();                // as the window and the command line do
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known, into a log too
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(u"QuirellaBench"_s);
    QSettings().clear();

    QList<QByteArray> covers;
    for (int i = 0; i < kDistinctCovers; ++i) {
        covers.append(makeCover(i));
    }
    const QList<Template> templates = makeTemplates(scratch.path(), covers);
    if (argc == 4 && QByteArray(argv[1]) == "--make") {
        QDir().mkpath(QFile::decodeName(argv[2]));
        makeLibrary(QFile::decodeName(argv[2]), QByteArray(argv[3]).toInt(), templates);
        return 0;
    }
    QList<int> sizes;
    bool writeAll = true;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--no-write") {
            writeAll = false;
        } else {
            sizes.append(QByteArray(argv[i]).toInt());
        }
    }
    if (sizes.isEmpty()) {
        sizes = {10000, 50000};
    }
    std::printf("templates: %lld files, covers of %lld bytes on average\n",
                static_cast<long long>(templates.size()),
                static_cast<long long>(std::accumulate(covers.begin(), covers.end(), qsizetype(0),
                                                       [](qsizetype sum, const QByteArray& cover) {
                                                           return sum + cover.size();
                                                       }) /
                                       covers.size()));
    for (const int size : sizes) {
        benchLibrary(scratch.path(), size, templates, writeAll);
    }
    return 0;
}
