// SPDX-License-Identifier: GPL-3.0-or-later
// The state behind the modal progress overlay of long batch operations. One instance serves the whole
// application; tests build their own.
//
// Threads: the fields belong to the thread the object lives on (the UI thread for `instance()`).
// `updateProgress` and `finishOperation` may be called from any thread: they compute on the calling
// thread and post their field changes to the object's thread, always queued, even when called on that
// thread, so the changes of all callers arrive in the order they were posted and the callers return at
// once. A change that was posted before a later `startOperation` or `cancel` is dropped on arrival, so a
// late update of one operation can neither hide nor overwrite the overlay of the next one.
// `isCancelled` is also safe to read from any thread: long loops poll it.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

namespace quirella {

class ProgressManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isVisible READ isVisible NOTIFY isVisibleChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(bool indeterminate READ indeterminate NOTIFY indeterminateChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(QString detailedMessage READ detailedMessage NOTIFY detailedMessageChanged)
    Q_PROPERTY(int current READ current NOTIFY currentChanged)
    Q_PROPERTY(int total READ total NOTIFY totalChanged)
    Q_PROPERTY(
        OperationType currentOperationType READ currentOperationType NOTIFY currentOperationTypeChanged)
    Q_PROPERTY(bool isCancellable READ isCancellable NOTIFY isCancellableChanged)
    Q_PROPERTY(bool isCancelled READ isCancelled NOTIFY isCancelledChanged)

public:
    enum class OperationType {
        loadingFolder,
        writingTags,
        applyingRatings,
        analyzingBPM,
        customOperation,
        reloadingFiles
    };
    Q_ENUM(OperationType)

    // Callers use the overlay for more songs than this and plain toasts otherwise; each caller states
    // its own test.
    static constexpr int minimumSongsForProgress = 20;

    struct Operation {
        OperationType type = OperationType::customOperation;
        QString message;
        QString detailedMessage;
        int total = 0;
        bool isCancellable = false;
        // Called once, on the object's thread, when the user presses stop.
        std::function<void()> cancellationHandler;
    };

    explicit ProgressManager(QObject* parent = nullptr);
    ~ProgressManager() override;

    // The process-wide instance, created on first use and living on the application's main thread.
    static ProgressManager& instance();

    bool isVisible() const { return m_isVisible; }
    double progress() const { return m_progress; }
    bool indeterminate() const { return m_indeterminate; }
    QString message() const { return m_message; }
    QString detailedMessage() const { return m_detailedMessage; }
    int current() const { return m_current; }
    int total() const { return m_total; }
    OperationType currentOperationType() const { return m_currentOperationType; }
    bool isCancellable() const { return m_isCancellable; }
    bool isCancelled() const { return m_isCancelled.load(); }
    bool hasCancellationHandler() const { return bool(m_cancellationHandler); }

    // Shows the overlay for a new operation, setting every field in one go: progress 0, determinate,
    // current 0, visible, not cancelled. Called on the object's thread.
    void startOperation(Operation operation);
    // current ÷ total as a percentage, clamped to 0..100. An empty detail keeps the previous second line.
    void updateProgress(int current, int total, const QString& detail = {});
    // Hides and resets the overlay; current, total, the operation type and `indeterminate` keep their
    // values.
    void finishOperation();
    // The stop button, on the object's thread: sets `isCancelled`, calls the handler once, and hides the
    // overlay at once. `isCancelled` stays true until the operation calls `finishOperation` or the next
    // one starts, so a loop that polls it after the overlay has gone still sees the request.
    void cancel();

signals:
    void isVisibleChanged();
    void progressChanged();
    void indeterminateChanged();
    void messageChanged();
    void detailedMessageChanged();
    void currentChanged();
    void totalChanged();
    void currentOperationTypeChanged();
    void isCancellableChanged();
    void isCancelledChanged();

private:
    // Runs `apply` on the object's thread unless an operation started or was cancelled after posting.
    void post(std::function<void()> apply);
    void applyProgress(int current, int total, double percent, const QString& detail);
    void applyFinish(bool keepCancelled);
    void setVisible(bool visible);
    void setProgressValue(double progress);
    void setIndeterminate(bool indeterminate);
    void setMessage(const QString& message);
    void setDetailedMessage(const QString& message);
    void setCurrent(int current);
    void setTotal(int total);
    void setOperationType(OperationType type);
    void setCancellable(bool cancellable);
    void setCancelled(bool cancelled);

    bool m_isVisible = false;
    double m_progress = 0;
    bool m_indeterminate = true;
    QString m_message;
    QString m_detailedMessage;
    int m_current = 0;
    int m_total = 0;
    OperationType m_currentOperationType = OperationType::customOperation;
    bool m_isCancellable = false;
    std::atomic<bool> m_isCancelled{false};
    std::function<void()> m_cancellationHandler;
    // Bumped by startOperation and cancel; posted changes carry the value they were posted under.
    std::atomic<quint64> m_generation{0};
};

// The percentage of an update: current ÷ total × 100 in floating point, clamped to 0..100. A total of 0
// gives 0 for no items done (and 100 otherwise, as the division says) rather than NaN.
double progressPercent(int current, int total);

} // namespace quirella
