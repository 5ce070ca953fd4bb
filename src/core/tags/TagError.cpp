#include "tags/TagError.h"

namespace quirella {

QString describe(TagError error) {
    switch (error) {
    case TagError::cannotReadFile:
        return QStringLiteral("The file has no audio data that could be read.");
    case TagError::writeFailure:
        return QStringLiteral("The file cannot be written.");
    case TagError::imageProcessingError:
        return QStringLiteral("The cover image could not be processed.");
    case TagError::notValidFormat:
        return QStringLiteral("The file is not in a valid format.");
    case TagError::platform:
        return QStringLiteral("The file could not be accessed.");
    }
    return QStringLiteral("Unknown tag error.");
}

} // namespace quirella
