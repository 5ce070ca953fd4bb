// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/TagError.h"

#include <QCoreApplication>

namespace quirella {

QString describe(TagError error) {
    switch (error) {
    case TagError::cannotReadFile:
        return QCoreApplication::translate("TagError", "The file has no audio data that could be read.");
    case TagError::writeFailure:
        return QCoreApplication::translate("TagError", "The file cannot be written.");
    case TagError::imageProcessingError:
        return QCoreApplication::translate("TagError", "The cover image could not be processed.");
    case TagError::notValidFormat:
        return QCoreApplication::translate("TagError", "The file is not in a valid format.");
    case TagError::platform:
        return QCoreApplication::translate("TagError", "The file could not be accessed.");
    }
    return QCoreApplication::translate("TagError", "Unknown tag error.");
}

} // namespace quirella
