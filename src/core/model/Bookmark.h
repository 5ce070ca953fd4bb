// SPDX-License-Identifier: GPL-3.0-or-later
// Bookmarks: every operation that touches a song's file resolves the song's bookmark, begins access,
// works, and ends access. Without a sandbox the bookmark bytes are the file's absolute path in UTF-8,
// but the bracket stays so that a sandboxed build can fill it in.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quirella::bookmark {

struct [[nodiscard]] Creation {
    std::optional<QByteArray> data;
    QString error; // set when data is absent
};

struct [[nodiscard]] Resolution {
    std::optional<QString> path;
    QString error; // set when path is absent
};

// Fails when the file is missing or unreadable.
Creation create(const QString& filePath);
// Fails on empty or malformed bytes. The file itself need not exist.
Resolution resolve(const QByteArray& data);
// Whether the file may be used: here, whether it is there.
bool beginAccess(const QString& filePath);
void endAccess(const QString& filePath);

// Begins access on construction and ends it on every exit path.
class ScopedAccess {
public:
    explicit ScopedAccess(QString filePath);
    ~ScopedAccess();
    ScopedAccess(const ScopedAccess&) = delete;
    ScopedAccess& operator=(const ScopedAccess&) = delete;
    bool granted() const { return m_granted; }

private:
    QString m_path;
    bool m_granted = false;
};

} // namespace quirella::bookmark
