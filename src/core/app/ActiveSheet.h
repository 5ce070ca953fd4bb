// SPDX-License-Identifier: GPL-3.0-or-later
// Which modal sheet is shown over the main window.
#pragma once

#include "model/Song.h"

#include <QString>

#include <optional>

namespace quirella {

struct ActiveSheet {
    // The cases in a fixed order; the order is each case's identity.
    enum class Kind {
        themeSettings,    // 0
        coverImagePicker, // 1
        columnSelector,   // 2
        removeSheet,      // 3
        replaceSheet,     // 4
        editField,        // 5, with the song to edit
        replaceColumn,    // 6, with the column name
        genreEdit,        // 7
    };

    Kind kind = Kind::themeSettings;
    std::optional<Song> song; // editField only
    QString column;           // replaceColumn only

    ActiveSheet() = default;
    explicit ActiveSheet(Kind sheetKind)
        : kind(sheetKind) {}
    static ActiveSheet editField(Song songToEdit) {
        ActiveSheet sheet(Kind::editField);
        sheet.song = std::move(songToEdit);
        return sheet;
    }
    static ActiveSheet replaceColumn(QString columnName) {
        ActiveSheet sheet(Kind::replaceColumn);
        sheet.column = std::move(columnName);
        return sheet;
    }

    // Tells one presentation from the next: a case with a payload is identified by its case alone.
    int identity() const { return static_cast<int>(kind); }
};

} // namespace quirella
