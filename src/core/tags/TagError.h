// SPDX-License-Identifier: GPL-3.0-or-later
// Results of the tag code. Every failure carries a plain message a person can read; errors of the file
// system pass through with their own text under `TagError::platform`.
#pragma once

#include <QString>

#include <optional>

namespace quirella {

enum class TagError {
    cannotReadFile,       // a WAV file without a usable "data" chunk
    writeFailure,         // the file cannot be rewritten, or the result would be too large
    imageProcessingError, // kept for completeness; a cover that cannot be converted is left out instead
    notValidFormat,       // the bytes are not the container the extension promises, or would lose audio
    platform,             // an error of the file system, with its own message
};

// The default message of each case.
QString describe(TagError error);

struct [[nodiscard]] TagStatus {
    std::optional<TagError> error;
    QString message;

    bool ok() const { return !error.has_value(); }
    static TagStatus success() { return {}; }
    // A failure with the case's default message unless one is given.
    static TagStatus failure(TagError error, QString message = {}) {
        return {error, message.isEmpty() ? describe(error) : std::move(message)};
    }
};

template <typename T>
struct [[nodiscard]] TagResult {
    std::optional<T> value;
    TagStatus status;

    bool ok() const { return value.has_value(); }
    static TagResult success(T v) { return {std::move(v), TagStatus::success()}; }
    static TagResult failure(TagStatus s) { return {std::nullopt, std::move(s)}; }
};

} // namespace quirella
