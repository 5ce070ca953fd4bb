// SPDX-License-Identifier: GPL-3.0-or-later
// How long saving tags takes against the floor any durable rewrite has to pay: per file, read it, write
// a copy next to it, flush the copy, rename it over the original and flush the folder. Both are measured
// in the same run on the same files, in alternating rounds, so that the disk's mood counts for both.
//
// Timed, for MP3 files of 3.5 MB and for FLAC files of about the same size: the format's writer alone (a
// loop over its writeTagsNow) and `quirella-cli write` end to end (songs built from the files, four fields
// and a cover written). Every round writes other values, so that no file is left as it is.
//
//   bench_write_tags [files]      (default 1000; QUIRELLA_BENCH_FILES works too)
#include "CopyFlushRename.h"
#include "tags/FLACTagEditor.h"
#include "tags/MP3TagEditor.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace quirella;
using namespace Qt::StringLiterals;
using bench::copyFlushRename;

namespace {

constexpr qsizetype kFileSize = 3'500'000;
constexpr int kRounds = 3;

QByteArray mp3Content(int seed) {
    // MPEG-1 Layer III frames of 417 bytes behind a small old tag, as a tagged file would have.
    QByteArray bytes("ID3\x03\0\0\0\0\0\x10"
                     "TIT2\0\0\0\x06\0\0\x03old!!",
                     26);
    bytes.reserve(kFileSize);
    for (int frame = 0; bytes.size() < kFileSize; ++frame) {
        bytes.append("\xFF\xFB\x90\x64", 4);
        for (int i = 4; i < 417; ++i) {
            bytes.append(static_cast<char>((frame * 31 + i + seed) & 0x7F));
        }
    }
    bytes.truncate(kFileSize);
    return bytes;
}

QByteArray coverJpeg() {
    // Soft colour blobs with some detail, so the 300-pixel JPEG is about as large as a real cover's.
    QImage seed(24, 24, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < seed.height(); ++y) {
        for (int x = 0; x < seed.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            seed.setPixel(x, y, state >> 8);
        }
    }
    QImage image = seed.scaled(1200, 1200, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&image);
    painter.setPen(Qt::white);
    for (int i = 0; i < 1200; i += 17) {
        painter.drawEllipse(i, (i * 7) % 1200, 40 + i % 90, 30 + i % 50);
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

double floorSeconds(const QStringList& paths) {
    ::sync();
    QElapsedTimer timer;
    timer.start();
    for (const QString& path : paths) {
        if (!copyFlushRename(path)) {
            std::fprintf(stderr, "floor failed on %s\n", qPrintable(path));
            std::exit(1);
        }
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

using Writer = TagStatus (*)(const QString&, const TagValues&);

double writerSeconds(const QStringList& paths, Writer writer, const TagValues& values) {
    ::sync();
    QElapsedTimer timer;
    timer.start();
    for (const QString& path : paths) {
        if (const TagStatus status = writer(path, values); !status.ok()) {
            std::fprintf(stderr, "writer failed on %s: %s\n", qPrintable(path), qPrintable(status.message));
            std::exit(1);
        }
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// `quirella-cli write FOLDER` with four fields and a cover, from process start to exit; 0 where no
// command line is built.
double commandLineSeconds(const QString& folder, const QString& cover, int round) {
    if (QStringLiteral(QUIRELLA_CLI_PATH).isEmpty()) {
        return 0;
    }
    ::sync();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(QUIRELLA_CLI_PATH),
                  {u"write"_s, folder, u"--title"_s, u"Round "_s + QString::number(round), u"--artist"_s,
                   u"The Artist"_s, u"--year"_s, u"2004"_s, u"--genre"_s, u"Electronic"_s, u"--cover"_s,
                   cover});
    process.waitForFinished(-1);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "quirella-cli write failed\n");
        std::exit(1);
    }
    return seconds;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// A FLAC file of about kFileSize bytes: noise, which FLAC cannot shrink much, made by ffmpeg.
QByteArray flacContent(const QString& folder) {
    const QString path = folder + QStringLiteral("/source.flac");
    QProcess ffmpeg;
    ffmpeg.start(u"ffmpeg"_s, {u"-nostdin"_s, u"-loglevel"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s,
                               u"-i"_s, u"anoisesrc=duration=24:sample_rate=44100:amplitude=0.3"_s, u"-ac"_s,
                               u"1"_s, u"-c:a"_s, u"flac"_s, path});
    if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg could not make the FLAC file\n");
        std::exit(1);
    }
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    file.remove();
    return bytes;
}

struct Format {
    const char* name;
    const char* extension;
    Writer writer;
};

void compare(const Format& format, const QTemporaryDir& dir, int count, const QString& coverPath,
             const QByteArray& cover) {
    const QString folder = dir.filePath(QString::fromLatin1(format.extension));
    QDir().mkpath(folder);
    const QByteArray flac = QByteArray(format.extension) == "flac" ? flacContent(folder) : QByteArray();
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/song-%1.").arg(i, 4, 10, QLatin1Char('0')) +
                             QString::fromLatin1(format.extension);
        const QByteArray content = flac.isEmpty() ? mp3Content(i) : flac;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        paths.append(path);
    }
    TagValues values;
    values.artist = QStringLiteral("The Artist");
    values.year = 2004;
    values.genre = QStringLiteral("Electronic");
    values.rating = 4;
    values.coverImage = cover;

    std::printf("\n%d %s files of %lld bytes, %d alternating rounds\n", count, format.name,
                static_cast<long long>(QFileInfo(paths.first()).size()), kRounds);
    QList<double> floors;
    QList<double> writers;
    QList<double> commandLines;
    for (int round = 0; round < kRounds; ++round) {
        floors.append(floorSeconds(paths));
        values.title = QStringLiteral("A Title of Some Length, round %1").arg(round);
        writers.append(writerSeconds(paths, format.writer, values));
        commandLines.append(commandLineSeconds(folder, coverPath, round));
    }
    const double floor = median(floors);
    const double writer = median(writers);
    const double commandLine = median(commandLines);
    std::printf("floor (read, copy, fsync, rename, fsync folder): %8.3f s  (%6.2f ms per file)\n", floor,
                floor * 1000 / count);
    std::printf("%s writer:%*s %8.3f s  (%6.2f ms per file)\n", format.name,
                int(39 - std::strlen(format.name)), "", writer, writer * 1000 / count);
    std::printf("ratio writer / floor:                           %8.3f\n", writer / floor);
    if (commandLine > 0) {
        std::printf("quirella-cli write:                             %8.3f s  (%6.2f ms per file)\n",
                    commandLine, commandLine * 1000 / count);
        std::printf("ratio quirella-cli write / floor:               %8.3f  (goal: at most 1.2)\n",
                    commandLine / floor);
    }
    QDir(folder).removeRecursively();
}

} // namespace

int main(int argc, char** argv) {
    // Image encoding wants a GUI application for its plug-ins; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    int count = 1000;
    if (argc > 1) {
        count = QByteArray(argv[1]).toInt();
    } else if (qEnvironmentVariableIsSet("QUIRELLA_BENCH_FILES")) {
        count = qEnvironmentVariableIntValue("QUIRELLA_BENCH_FILES");
    }
    if (count <= 0) {
        std::fprintf(stderr, "usage: bench_write_tags [number of files]\n");
        return 2;
    }
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/bench_write_tags-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const QByteArray cover = coverJpeg();
    const QString coverPath = dir.filePath(u"cover.jpg"_s);
    QFile coverFile(coverPath);
    if (!coverFile.open(QIODevice::WriteOnly) || coverFile.write(cover) != cover.size()) {
        std::fprintf(stderr, "cannot write the cover\n");
        return 1;
    }
    coverFile.close();
    std::printf("cover %lld bytes (JPEG)\n", static_cast<long long>(cover.size()));
    compare({"MP3", "mp3", &MP3TagEditor::writeTagsNow}, dir, count, coverPath, cover);
    compare({"FLAC", "flac", &FLACTagEditor::writeTagsNow}, dir, count, coverPath, cover);
    return 0;
}
