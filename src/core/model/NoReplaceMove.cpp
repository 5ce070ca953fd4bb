// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/NoReplaceMove.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quirella {

namespace {

QString systemReason(int error) {
    char buffer[256] = {};
    // The GNU strerror_r returns the text, which may or may not be in the buffer.
    return QString::fromLocal8Bit(::strerror_r(error, buffer, sizeof buffer));
}

MoveResult failedWith(int error) {
    return {MoveResult::Code::failed, systemReason(error)};
}

// The file system does not offer this way of moving at all (as opposed to refusing this one move).
bool unsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP || error == EPERM;
}

} // namespace

MoveResult moveWithoutReplacing(const QByteArray& from, const QByteArray& to, MoveStrategy first) {
    const char* source = from.constData();
    const char* target = to.constData();
    if (first == MoveStrategy::renameNoReplace) {
        if (::renameat2(AT_FDCWD, source, AT_FDCWD, target, RENAME_NOREPLACE) == 0) {
            return {};
        }
        const int error = errno;
        if (error == EEXIST) {
            return {MoveResult::Code::targetExists, {}};
        }
        // EPERM here means the file is protected, not that the call is unsupported.
        if (error == EPERM || !unsupported(error)) {
            return failedWith(error);
        }
        first = MoveStrategy::linkThenUnlink;
    }
    if (first == MoveStrategy::linkThenUnlink) {
        if (::link(source, target) == 0) {
            if (::unlink(source) == 0) {
                return {};
            }
            const int error = errno;
            ::unlink(target); // the file keeps its old name only
            return failedWith(error);
        }
        const int error = errno;
        if (error == EEXIST) {
            return {MoveResult::Code::targetExists, {}};
        }
        if (!unsupported(error)) {
            return failedWith(error);
        }
    }
    // Our own empty reservation is the only thing the rename can replace.
    const int reservation = ::open(target, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (reservation < 0) {
        const int error = errno;
        return error == EEXIST ? MoveResult{MoveResult::Code::targetExists, {}} : failedWith(error);
    }
    ::close(reservation);
    if (::rename(source, target) == 0) {
        return {};
    }
    const int error = errno;
    ::unlink(target);
    return failedWith(error);
}

} // namespace quirella
