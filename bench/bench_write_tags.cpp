// How long the MP3 writer takes to tag a folder of 4 MB files with a 300-pixel cover, against the floor
// any safe rewrite has to pay: copying each file to a temporary file in the same folder, flushing it to
// disk and renaming it over the original.
//
//   bench_write_tags [files]      (default 1000; QUIRELLA_BENCH_FILES works too)
#include "covers/ImageProcessor.h"
#include "tags/MP3TagEditor.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace quirella;

namespace {

constexpr qsizetype kFileSize = 4 << 20;

QByteArray mp3Content(int seed) {
    // MPEG-1 Layer III frames of 417 bytes behind a small old tag, as a tagged file would have.
    QByteArray bytes("ID3\x03\0\0\0\0\0\x10"
                     "TIT2\0\0\0\x06\0\0\x03old!!",
                     26);
    bytes.reserve(kFileSize);
    for (int frame = 0; bytes.size() < kFileSize; ++frame) {
        bytes.append("\xFF\xFB\x90\x64", 4);
        for (int i = 4; i < 417; ++i) {
            bytes.append(static_cast<char>((frame * 31 + i + seed) & 0xFF));
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

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// The floor: copy to a temporary file in the same folder, fsync, rename over the original.
bool copyFlushRename(const QString& path, bool syncFolder) {
    const QByteArray source = QFile::encodeName(path);
    const QByteArray temp = source + ".floor-tmp";
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = in.readAll();
    in.close();
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool ok = writeAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || ::rename(temp.constData(), source.constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    if (syncFolder) {
        const int dir =
            ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return true;
}

template <typename Step>
double timed(const QStringList& paths, Step&& step) {
    ::sync();
    QElapsedTimer timer;
    timer.start();
    for (const QString& path : paths) {
        if (!step(path)) {
            std::fprintf(stderr, "failed on %s\n", qPrintable(path));
            std::exit(1);
        }
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
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
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("song-%1.mp3").arg(i, 4, 10, QLatin1Char('0')));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(mp3Content(i)) != kFileSize) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        paths.append(path);
    }

    // The batch hands every writer the same cover; the converted bytes are prepared once and cached.
    const QByteArray source = coverJpeg();
    const std::optional<QByteArray> cover = prepareCover(QStringLiteral("mp3"), source);
    if (!cover) {
        std::fprintf(stderr, "cover conversion failed\n");
        return 1;
    }
    TagValues values;
    values.title = QStringLiteral("A Title of Some Length");
    values.artist = QStringLiteral("The Artist");
    values.year = 2004;
    values.genre = QStringLiteral("Electronic");
    values.rating = 4;
    values.coverImage = source;

    std::printf("%d files of %lld bytes, cover %lld bytes (JPEG, 300 px)\n", count,
                static_cast<long long>(kFileSize), static_cast<long long>(cover->size()));
    const double floorBefore = timed(paths, [](const QString& path) { return copyFlushRename(path, false); });
    const double writer =
        timed(paths, [&](const QString& path) { return MP3TagEditor::writeTagsNow(path, values).ok(); });
    const double floorAfter = timed(paths, [](const QString& path) { return copyFlushRename(path, false); });
    const double floorWithFolder =
        timed(paths, [](const QString& path) { return copyFlushRename(path, true); });
    const double floor = (floorBefore + floorAfter) / 2;

    std::printf("MP3 writer:                     %8.3f s  (%6.2f ms per file)\n", writer,
                writer * 1000 / count);
    std::printf("floor (copy, fsync, rename):    %8.3f s  (%6.2f ms per file; runs %.3f s and %.3f s)\n",
                floor, floor * 1000 / count, floorBefore, floorAfter);
    std::printf("floor plus folder fsync:        %8.3f s  (%6.2f ms per file)\n", floorWithFolder,
                floorWithFolder * 1000 / count);
    std::printf("ratio writer / floor:           %8.3f\n", writer / floor);
    std::printf("ratio writer / floor+folder:    %8.3f\n", writer / floorWithFolder);
    return 0;
}
