// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a folder of 1000 tagged MP3 files with covers, against a plain single-threaded TagLib loop that
// reads each file's title, artist, year, genre, rating and front cover: through
// ContentViewModel::loadFolder in this process, and through `quirella-cli scan` end to end (process start
// to the JSON printed). Everything runs once to warm the page cache; then rounds alternate the three, so
// that other load on the machine hits them alike, and the medians are reported. Goals: loadFolder within
// the plain loop's time, the command line within one and a half times it.
#include "app/ContentViewModel.h"
#include "app/MemoryTuning.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
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
#include <sys/resource.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/popularimeterframe.h>

using namespace Qt::StringLiterals;
using quirella::ContentViewModel;

namespace {

constexpr int kFiles = 1000;
constexpr int kDistinctCovers = 6;
constexpr int kRounds = 5;

// A noisy picture compresses badly, which gives covers of a realistic size (tens of kilobytes).
QByteArray makeCover(int seed) {
    QRandomGenerator random(static_cast<quint32>(seed));
    QImage image(360, 360, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int base = (x + y + seed * 40) % 256;
            line[x] = qRgb(base, (base + static_cast<int>(random.bounded(60))) % 256,
                           static_cast<int>(random.bounded(256)));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 80);
    return bytes;
}

// 40 MPEG-1 Layer III frames: about a second of (silent) audio.
QByteArray mp3Audio() {
    QByteArray audio;
    for (int i = 0; i < 40; ++i) {
        audio.append("\xFF\xFB\x90\x64", 4);
        audio.append(QByteArray(413, '\0'));
    }
    return audio;
}

void makeFolder(const QString& folder, const QList<QByteArray>& covers) {
    const QByteArray audio = mp3Audio();
    for (int i = 0; i < kFiles; ++i) {
        const QString path =
            folder + u"/Artist %1 - Song %2.mp3"_s.arg(i % 37).arg(i, 4, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(audio) != audio.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        file.close();
        TagLib::MPEG::File mpeg(QFile::encodeName(path).constData());
        TagLib::ID3v2::Tag* tag = mpeg.ID3v2Tag(true);
        tag->setTitle(TagLib::String("Song title " + std::to_string(i), TagLib::String::UTF8));
        tag->setArtist(TagLib::String("Artist " + std::to_string(i % 37), TagLib::String::UTF8));
        tag->setYear(static_cast<unsigned>(1970 + i % 50));
        tag->setGenre("Electronic");
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setMimeType("image/jpeg");
        const QByteArray& cover = covers.at(i % covers.size());
        picture->setPicture(TagLib::ByteVector(cover.constData(), static_cast<unsigned>(cover.size())));
        tag->addFrame(picture);
        if (i % 3 == 0) {
            auto* rating = new TagLib::ID3v2::PopularimeterFrame;
            rating->setEmail("bench@example.org");
            rating->setRating(196);
            tag->addFrame(rating);
        }
        mpeg.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3);
    }
}

double timeLoad(ContentViewModel& model, const QString& folder, int* songs) {
    QElapsedTimer timer;
    timer.start();
    QFuture<void> load = model.loadFolder(QUrl::fromLocalFile(folder));
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(load);
    if (!load.isFinished()) {
        loop.exec();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    *songs = model.currentFolder() ? static_cast<int>(model.currentFolder()->songs.size()) : 0;
    return seconds;
}

double timePlainLoop(const QString& folder, qint64* pictureBytes) {
    const QStringList names = QDir(folder).entryList({u"*.mp3"_s}, QDir::Files);
    QElapsedTimer timer;
    timer.start();
    qint64 bytes = 0;
    for (const QString& name : names) {
        TagLib::MPEG::File file(QFile::encodeName(folder + u'/' + name).constData());
        const TagLib::Tag* tag = file.tag();
        const TagLib::String title = tag->title();
        const TagLib::String artist = tag->artist();
        const TagLib::String genre = tag->genre();
        bytes += static_cast<qint64>(title.size() + artist.size() + genre.size() + tag->year());
        if (file.audioProperties()) {
            bytes += file.audioProperties()->lengthInMilliseconds() > 0 ? 1 : 0;
        }
        if (TagLib::ID3v2::Tag* id3 = file.ID3v2Tag()) {
            const TagLib::ID3v2::FrameListMap& frames = id3->frameListMap();
            if (const auto pictures = frames.find("APIC");
                pictures != frames.end() && !pictures->second.isEmpty()) {
                const auto* picture =
                    static_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures->second.front());
                const QByteArray copy(picture->picture().data(),
                                      static_cast<qsizetype>(picture->picture().size()));
                bytes += copy.size();
            }
            if (const auto ratings = frames.find("POPM");
                ratings != frames.end() && !ratings->second.isEmpty()) {
                bytes += static_cast<TagLib::ID3v2::PopularimeterFrame*>(ratings->second.front())->rating();
            }
        }
    }
    *pictureBytes = bytes;
    return timer.nsecsElapsed() / 1e9;
}

// `quirella-cli scan` from process start to exit, with its standard output read in full. Gives the
// number of songs of the printed folder, or -1 when the command failed; nothing where no command line is
// built.
double timeCommandLine(const QString& folder, int* songs) {
    *songs = kFiles;
    if (QStringLiteral(QUIRELLA_CLI_PATH).isEmpty()) {
        return 0;
    }
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(QUIRELLA_CLI_PATH), {u"scan"_s, folder});
    QByteArray output;
    while (process.waitForReadyRead(-1)) {
        output += process.readAllStandardOutput();
    }
    process.waitForFinished(-1);
    output += process.readAllStandardOutput();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const bool ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    *songs =
        ok ? static_cast<int>(QJsonDocument::fromJson(output).object().value(u"songs"_s).toArray().size())
           : -1;
    return seconds;
}

// Processor seconds (user and system, every thread) of this process or of its waited-for children.
double processorSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char** argv) {
    // Everything the run writes (covers, settings) stays in one scratch folder.
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        return 1;
    }
    qputenv("TMPDIR", QFile::encodeName(scratch.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path() + u"/config"_s));
    quirella::keepFreedMemoryForReuse(); // as the window and the command line do
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(u"QuirellaBench"_s);
    QSettings().clear();

    QList<QByteArray> covers;
    qint64 coverTotal = 0;
    for (int i = 0; i < kDistinctCovers; ++i) {
        covers.append(makeCover(i));
        coverTotal += covers.last().size();
    }
    // A folder given as argument is filled and kept, for profiling the command line by hand.
    const QString folder = argc > 1 ? QFile::decodeName(argv[1]) : scratch.path() + u"/music"_s;
    QDir().mkpath(folder);
    makeFolder(folder, covers);
    std::printf("folder: %d MP3 files, %d distinct covers of %lld KB on average\n", kFiles, kDistinctCovers,
                coverTotal / kDistinctCovers / 1024);

    ContentViewModel model;
    int songs = 0;
    int cliSongs = 0;
    qint64 plainBytes = 0;
    // Warm-up: page cache, cover files, the command line's libraries.
    timeLoad(model, folder, &songs);
    timePlainLoop(folder, &plainBytes);
    timeCommandLine(folder, &cliSongs);
    QList<double> plain;
    QList<double> load;
    QList<double> cli;
    QList<double> loadRatios;
    QList<double> cliRatios;
    QList<double> plainCpu;
    QList<double> loadCpu;
    QList<double> cliCpu;
    for (int round = 0; round < kRounds; ++round) {
        double before = processorSeconds(RUSAGE_SELF);
        plain.append(timePlainLoop(folder, &plainBytes));
        plainCpu.append(processorSeconds(RUSAGE_SELF) - before);
        before = processorSeconds(RUSAGE_SELF);
        load.append(timeLoad(model, folder, &songs));
        loadCpu.append(processorSeconds(RUSAGE_SELF) - before);
        before = processorSeconds(RUSAGE_CHILDREN);
        cli.append(timeCommandLine(folder, &cliSongs));
        cliCpu.append(processorSeconds(RUSAGE_CHILDREN) - before);
        loadRatios.append(load.last() / plain.last());
        cliRatios.append(cli.last() / plain.last());
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("medians of %d rounds, %d worker threads\n", kRounds,
                QThreadPool::globalInstance()->maxThreadCount());
    // Processor time shows the work done whatever else runs on the machine; wall time the waiting.
    std::printf("plain TagLib loop: %8.3f s, processor %.3f s (%lld bytes of tags and pictures)\n",
                median(plain), median(plainCpu), plainBytes);
    std::printf("loadFolder:        %8.3f s, processor %.3f s (%d songs), ratio %.2f (goal: at most 1)\n",
                median(load), median(loadCpu), songs, median(loadRatios));
    std::printf("quirella-cli scan: %8.3f s, processor %.3f s (%d songs), ratio %.2f (goal: at most 1.5)\n",
                median(cli), median(cliCpu), cliSongs, median(cliRatios));
    std::printf("peak memory:       %8.1f MB\n", usage.ru_maxrss / 1024.0);
    return songs == kFiles && cliSongs == kFiles ? 0 : 1;
}
