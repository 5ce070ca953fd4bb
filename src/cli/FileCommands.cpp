#include "FileCommands.h"

#include <QEventLoop>
#include <QFutureWatcher>

using namespace Qt::StringLiterals;

namespace quirella::cli {

std::optional<int> runFileCommand(const QStringList& arguments) {
    // --help anywhere shows the usage of every command.
    if (arguments.isEmpty() || arguments.contains("--help"_L1) || arguments.contains("-h"_L1)) {
        return std::nullopt;
    }
    const QString& command = arguments.first();
    if (command == "bpm"_L1) {
        return runBpmCommand(arguments.mid(1));
    }
    if (command == "rename"_L1) {
        return runRenameCommand(arguments.mid(1));
    }
    if (command == "clean-bpm"_L1) {
        return runCleanBpmCommand(arguments.mid(1));
    }
    return std::nullopt;
}

void printText(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int reportArgumentError(const QString& message) {
    printText(stderr, u"quirella-cli: "_s + message + u"\nTry 'quirella-cli --help'.\n"_s);
    return statusArgumentError;
}

void awaitFinished(const QFuture<void>& future) {
    if (future.isFinished()) {
        return;
    }
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished()) {
        loop.exec();
    }
}

} // namespace quirella::cli
