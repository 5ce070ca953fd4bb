// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FolderScanner.h"

#include "model/Paths.h"
#include "tags/AtomicFile.h"

#include <QCoreApplication>
#include <QDebug>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quirella {

bool isSupportedExtension(QStringView extension) {
    for (const QLatin1StringView supported : supportedExtensions) {
        if (extension.compare(supported, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

namespace {

// Deeper trees than this are not music folders; the bound keeps a hostile tree from exhausting the stack.
constexpr int kMaximumDepth = 256;

QString systemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString displayName(const QString& path) {
    return paths::displayText(QStringView(path).mid(path.lastIndexOf(u'/') + 1));
}

qsizetype digitRunEnd(QStringView text, qsizetype from) {
    while (from < text.size() && text[from].isDigit()) {
        ++from;
    }
    return from;
}

qsizetype textRunEnd(QStringView text, qsizetype from) {
    while (from < text.size() && !text[from].isDigit()) {
        ++from;
    }
    return from;
}

} // namespace

int compareNaturally(QStringView a, QStringView b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const bool aDigits = a[i].isDigit();
        const bool bDigits = b[j].isDigit();
        if (aDigits != bDigits) {
            return aDigits ? -1 : 1; // numbers before letters, as file managers list them
        }
        const qsizetype aEnd = aDigits ? digitRunEnd(a, i) : textRunEnd(a, i);
        const qsizetype bEnd = bDigits ? digitRunEnd(b, j) : textRunEnd(b, j);
        QStringView aRun = a.mid(i, aEnd - i);
        QStringView bRun = b.mid(j, bEnd - j);
        int order = 0;
        if (aDigits) {
            // As numbers of any length: without leading zeros, the longer is the larger.
            while (aRun.size() > 1 && aRun.front() == u'0') {
                aRun = aRun.mid(1);
            }
            while (bRun.size() > 1 && bRun.front() == u'0') {
                bRun = bRun.mid(1);
            }
            order = aRun.size() != bRun.size() ? (aRun.size() < bRun.size() ? -1 : 1) : aRun.compare(bRun);
        } else {
            order = aRun.compare(bRun, Qt::CaseInsensitive);
        }
        if (order != 0) {
            return order < 0 ? -1 : 1;
        }
        i = aEnd;
        j = bEnd;
    }
    if (i < a.size()) {
        return 1;
    }
    return j < b.size() ? -1 : 0;
}

namespace {

struct Entry {
    QString name; // escaped where the bytes are not UTF-8 (see Paths.h)
    QByteArray nativeName;
    bool isFolder = false; // a real folder, not a link to one
};

// Walks with the system calls rather than QDirIterator: Qt decodes names as UTF-8 and replaces what is
// not, after which such a file could not be opened again. Each folder is listed whole, then visited in
// natural name order, the order file managers show, instead of the file system's hash order.
class Walk {
public:
    QStringList files;

    void visit(const QString& folder, int depth) {
        if (depth > kMaximumDepth) {
            return;
        }
        const QString here = folder.isEmpty() ? QStringLiteral("/") : folder;
        (void)atomicfile::sweepStaleTemporaryFiles(here);
        QList<Entry> entries = list(here);
        sortNaturally(entries);
        for (const Entry& entry : std::as_const(entries)) {
            const QString path = folder + u'/' + entry.name;
            if (entry.isFolder) {
                visit(path, depth + 1);
            } else {
                consider(path);
            }
        }
    }

private:
    static QList<Entry> list(const QString& folder) {
        QList<Entry> entries;
        const int folderFd =
            ::open(paths::nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        if (folderFd < 0) {
            return entries;
        }
        DIR* stream = ::fdopendir(folderFd);
        if (!stream) {
            ::close(folderFd);
            return entries;
        }
        while (const dirent* item = ::readdir(stream)) {
            // Hidden entries (and "." and "..") are neither listed nor entered.
            if (item->d_name[0] == '.') {
                continue;
            }
            Entry entry;
            entry.nativeName = QByteArray(item->d_name);
            entry.name = paths::fromNativePath(entry.nativeName);
            struct stat info {};
            // Without following links: a linked folder is not entered, so a link back up cannot loop.
            if (::fstatat(folderFd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
                entry.isFolder = S_ISDIR(info.st_mode);
            }
            if (entry.isFolder || isSupportedExtension(extensionOf(entry.name))) {
                entries.append(std::move(entry));
            }
        }
        ::closedir(stream);
        return entries;
    }

    static QStringView extensionOf(QStringView name) {
        const qsizetype dot = name.lastIndexOf(u'.');
        return dot < 0 ? QStringView() : name.mid(dot + 1);
    }

    static void sortNaturally(QList<Entry>& entries) {
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            const int order = compareNaturally(a.name, b.name);
            // Names that compare equal ("a.mp3", "A.mp3") keep a fixed order by their bytes.
            return order != 0 ? order < 0 : a.nativeName < b.nativeName;
        });
    }

    // A supported name that is not a folder: kept when it is, or links to, a regular file.
    void consider(const QString& path) {
        struct stat info {};
        if (::stat(paths::nativePath(path).constData(), &info) != 0) {
            const int error = errno;
            qWarning().noquote() << QStringLiteral("Error checking file: ") + paths::displayText(path) +
                                        QStringLiteral(": ") + systemErrorText(error);
            return;
        }
        if (S_ISREG(info.st_mode)) {
            files.append(path);
        }
    }
};

QString withoutTrailingSlashes(QString path) {
    while (path.size() > 1 && path.endsWith(u'/')) {
        path.chop(1);
    }
    return path;
}

} // namespace

FolderScan scanFolder(const QString& folderPath) {
    const QString root = withoutTrailingSlashes(paths::absolutePath(folderPath));
    const QByteArray native = paths::nativePath(root);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return {{},
                QCoreApplication::translate("FolderScanner", "The folder “%1” doesn’t exist.")
                    .arg(displayName(root))};
    }
    if (::access(native.constData(), R_OK | X_OK) != 0) {
        return {
            {},
            QCoreApplication::translate("FolderScanner", "You don’t have permission to view the folder “%1”.")
                .arg(displayName(root))};
    }
    Walk walk;
    walk.visit(root == u"/" ? QString() : root, 0);
    return {walk.files, std::nullopt};
}

} // namespace quirella
