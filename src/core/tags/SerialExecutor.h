// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace quirella {

// Runs submitted work one job at a time, in order, on a thread of its own: the tag writers use one each
// so that calls on one writer never overlap and never run on the UI thread.
class SerialExecutor {
public:
    SerialExecutor() { m_pool.setMaxThreadCount(1); }
    ~SerialExecutor() { m_pool.waitForDone(); }
    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;

    template <typename Function>
    auto run(Function&& function) {
        return QtConcurrent::run(&m_pool, std::forward<Function>(function));
    }

private:
    QThreadPool m_pool;
};

} // namespace quirella
