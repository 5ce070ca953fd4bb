// SPDX-License-Identifier: GPL-3.0-or-later
// Texts that tag formats store without naming their encoding.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace quirella {

// UTF-8 when the bytes are valid UTF-8, else ISO-8859-1, which is what older programs wrote: every byte
// is a character, so no text is lost.
QString decodeUtf8OrLatin1(QByteArrayView bytes);

// The year of a date text: its first four digits, standing together ("1999-05-01", "May 1999",
// "2011-05-02T10:00"), when they make a year from 1900 to 2099. Other texts ("05/01/1999") give nothing.
std::optional<int> yearOfDate(QStringView text);

} // namespace quirella
