// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/Mp4Tags.h"

#include "model/Year.h"
#include "tags/Rating.h"

#include <QCoreApplication>

#include <algorithm>
#include <initializer_list>
#include <taglib/id3v1genres.h>

using namespace Qt::StringLiterals;

namespace quirella::mp4 {

namespace {

QString message(const char* source) {
    return QCoreApplication::translate("Mp4Tags", source);
}

TagStatus refusal(TagError error, const char* source) {
    return TagStatus::failure(error,
                              message(source) + u' ' +
                                  message(QT_TRANSLATE_NOOP("Mp4Tags", "The file was left unchanged.")));
}

QByteArray box(QByteArrayView type, QByteArrayView payload) {
    QByteArray out;
    out.reserve(8 + payload.size());
    appendU32BE(out, static_cast<std::uint32_t>(8 + payload.size()));
    out.append(type);
    out.append(payload);
    return out;
}

QByteArray dataBox(std::uint32_t type, QByteArrayView payload) {
    QByteArray content;
    appendU32BE(content, type);
    appendU32BE(content, 0); // locale
    content.append(payload);
    return box("data", content);
}

QByteArray textItem(QByteArrayView type, const QString& text) {
    return box(type, dataBox(utf8, text.toUtf8()));
}

// The children of the box `parent` (whose payload starts `skip` bytes after its header), or nothing when
// one of them runs past it.
std::optional<QList<Box>> childrenOf(ByteView bytes, const Box& parent, std::uint64_t skip = 0) {
    const std::optional<ByteView> payload =
        bytes.slice(parent.payloadOffset() + skip, parent.size - parent.headerSize - skip);
    if (!payload) {
        return std::nullopt;
    }
    QList<Box> children;
    std::uint64_t offset = 0;
    while (offset < payload->size()) {
        const ByteView rest = payload->from(offset);
        // QuickTime ends some containers with a 32-bit zero.
        if (rest.size() < 8 &&
            std::all_of(rest.data(), rest.data() + rest.size(), [](std::uint8_t b) { return b == 0; })) {
            break;
        }
        std::optional<Box> child = readBox(*payload, offset);
        if (!child) {
            return std::nullopt;
        }
        offset += child->size;
        child->offset += parent.payloadOffset() + skip;
        children.append(*child);
    }
    return children;
}

std::optional<Box> findChild(const QList<Box>& children, const char (&type)[5]) {
    const auto found =
        std::find_if(children.begin(), children.end(), [&](const Box& b) { return b.is(type); });
    return found == children.end() ? std::nullopt : std::optional<Box>(*found);
}

// The ISO "meta" box starts with four bytes of version and flags; the QuickTime one does not.
std::uint64_t metaSkip(ByteView bytes, const Box& meta) {
    return bytes.u32BE(meta.payloadOffset()) == 0u ? 4 : 0;
}

std::optional<QString> textOf(const DataBox& data) {
    if (data.type == utf8 || data.type == implicit) {
        return QString::fromUtf8(data.payload);
    }
    if (data.type == utf16) {
        QString text;
        for (qsizetype i = 0; i + 1 < data.payload.size(); i += 2) {
            text.append(QChar(static_cast<char16_t>(static_cast<std::uint8_t>(data.payload.at(i)) << 8 |
                                                    static_cast<std::uint8_t>(data.payload.at(i + 1)))));
        }
        return text;
    }
    return std::nullopt;
}

QStringList textsOf(const Item& item) {
    QStringList texts;
    for (const DataBox& data : item.data) {
        if (const std::optional<QString> text = textOf(data)) {
            texts.append(*text);
        }
    }
    return texts;
}

std::optional<qint64> numberOf(const DataBox& data) {
    if ((data.type != signedInteger && data.type != implicit) || data.payload.isEmpty() ||
        data.payload.size() > 8) {
        return std::nullopt;
    }
    // Sign-extended from the first byte.
    qint64 value = static_cast<qint8>(data.payload.at(0));
    for (qsizetype i = 1; i < data.payload.size(); ++i) {
        value = value * 256 + static_cast<std::uint8_t>(data.payload.at(i));
    }
    return value;
}

bool containsAny(const QString& identifier, std::initializer_list<QLatin1StringView> texts) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](QLatin1StringView text) { return identifier.contains(text); });
}

// Identifiers that name a year, a genre or a comment: an item matches when its identifier contains one
// of the texts, so "©day" and "com.apple.iTunes.year" both count as years.
bool isYearItem(const QString& identifier) {
    return containsAny(identifier, {"TYER"_L1, "TDRC"_L1, "TDRL"_L1, "year"_L1, "date"_L1}) ||
           identifier.contains(u"©day"_s);
}

bool isGenreItem(const QString& identifier) {
    return containsAny(identifier, {"TCON"_L1, "genre"_L1}) || identifier == u"gnre"_s ||
           identifier.contains(u"©gen"_s);
}

bool isCommentItem(const QString& identifier) {
    return containsAny(identifier, {"com.apple.iTunes.comment"_L1, "com.apple.quicktime.comment"_L1}) ||
           identifier == u"©cmt"_s;
}

QString firstTexts(const QList<Item>& items, const QString& identifier) {
    for (const Item& item : items) {
        if (item.identifier == identifier) {
            const QString text = textsOf(item).join(u"; "_s);
            if (!text.isEmpty()) {
                return text;
            }
        }
    }
    return {};
}

int yearOfItems(const QList<Item>& items) {
    for (const Item& item : items) {
        if (item.identifier == u"©day"_s && !item.data.isEmpty()) {
            if (const std::optional<QString> text = textOf(item.data.first())) {
                if (const std::optional<int> year = extractYear(*text)) {
                    return *year;
                }
            }
        }
    }
    for (const Item& item : items) {
        if (!isYearItem(item.identifier)) {
            continue;
        }
        for (const DataBox& data : item.data) {
            if (const std::optional<QString> text = textOf(data)) {
                if (const std::optional<int> year = extractYear(*text)) {
                    return *year;
                }
            } else if (const std::optional<qint64> number = numberOf(data); number && isValidYear(*number)) {
                return int(*number);
            }
        }
    }
    return 0;
}

QString genreOfItems(const QList<Item>& items) {
    if (const QString genre = firstTexts(items, u"©gen"_s); !genre.isEmpty()) {
        return genre;
    }
    for (const Item& item : items) {
        if (item.identifier == u"gnre"_s && !item.data.isEmpty()) {
            const ByteView payload(item.data.first().payload);
            if (const std::optional<std::uint16_t> number = payload.u16BE(0); number && *number > 0) {
                const TagLib::String name = TagLib::ID3v1::genre(*number - 1);
                if (!name.isEmpty()) {
                    return QString::fromStdWString(name.toWString());
                }
            }
        }
    }
    for (const Item& item : items) {
        if (isGenreItem(item.identifier) && item.identifier != u"gnre"_s) {
            for (const QString& text : textsOf(item)) {
                if (!text.isEmpty()) {
                    return text;
                }
            }
        }
    }
    return {};
}

int ratingOfItems(const QList<Item>& items) {
    std::optional<qint64> stars;
    for (const Item& item : items) {
        if (item.identifier == u"©cmt"_s) {
            for (const QString& text : textsOf(item)) {
                if (const std::optional<qint64> rating = rating::starsOfRatingComment(text)) {
                    stars = rating;
                }
            }
        }
    }
    for (const Item& item : items) {
        if (!stars && isCommentItem(item.identifier)) {
            for (const QString& text : textsOf(item)) {
                if (!stars) {
                    stars = rating::starsOfRatingComment(text);
                }
            }
        }
    }
    return int(stars.value_or(0));
}

std::optional<QByteArray> coverOfItems(const QList<Item>& items) {
    for (const Item& item : items) {
        if (item.identifier == u"covr"_s) {
            if (!item.data.isEmpty() && !item.data.first().payload.isEmpty()) {
                return item.data.first().payload;
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// A track or disc number item: two bytes of padding, the number and the total, each 16 bits.
NumberPair numberPairOf(const QList<Item>& items, const QString& identifier) {
    for (const Item& item : items) {
        if (item.identifier == identifier && !item.data.isEmpty()) {
            const ByteView payload(item.data.first().payload);
            return {payload.u16BE(2).value_or(0), payload.u16BE(4).value_or(0)};
        }
    }
    return {};
}

QByteArray numberPairPayload(const NumberPair& pair, bool trailingPadding) {
    QByteArray payload(2, '\0');
    for (const int value : {pair.number, pair.total}) {
        payload.append(static_cast<char>(value >> 8));
        payload.append(static_cast<char>(value & 0xFF));
    }
    if (trailingPadding) {
        payload.append(2, '\0');
    }
    return payload;
}

// The text of a "mean" or "name" box of a free-form item: after four bytes of version and flags.
QByteArray freeFormText(ByteView bytes, const Box& child) {
    return bytes.slice(child.payloadOffset(), child.size - child.headerSize)->from(4).toByteArray();
}

Item itemOf(ByteView list, const Box& itemBox) {
    Item item;
    item.stored = list.slice(itemBox.offset, itemBox.size)->toByteArray();
    const QByteArray type(itemBox.type.data(), 4);
    item.identifier = QString::fromLatin1(type);
    const std::optional<QList<Box>> children = childrenOf(list, itemBox);
    if (!children) {
        return item;
    }
    QByteArray mean;
    QByteArray name;
    for (const Box& child : *children) {
        if (child.is("data")) {
            const std::optional<ByteView> content =
                list.slice(child.payloadOffset(), child.size - child.headerSize);
            const std::optional<std::uint32_t> flags = content ? content->u32BE(0) : std::nullopt;
            if (!flags || !content->has(0, 8)) {
                return item;
            }
            item.data.append({*flags & 0x00FFFFFF, content->from(8).toByteArray(),
                              list.slice(child.offset, child.size)->toByteArray()});
        } else if (child.is("mean") && child.size - child.headerSize >= 4) {
            mean = freeFormText(list, child);
        } else if (child.is("name") && child.size - child.headerSize >= 4) {
            name = freeFormText(list, child);
        } else {
            return item;
        }
    }
    if (type == "----") {
        item.identifier = QString::fromUtf8(mean) + u'.' + QString::fromUtf8(name);
    }
    item.parsed = true;
    return item;
}

// Where the item list sits in a "moov" box: the containers on the way, each when present.
struct ListPath {
    Box moov;
    std::optional<Box> udta;
    std::optional<Box> meta;
    std::uint64_t metaSkip = 0;
    std::optional<Box> ilst;
    std::optional<Box> afterIlst; // the box behind the list inside "meta"
};

std::optional<ListPath> pathOf(ByteView moov) {
    const std::optional<Box> top = readBox(moov, 0);
    if (!top || !top->is("moov")) {
        return std::nullopt;
    }
    ListPath path{*top, {}, {}, 0, {}, {}};
    const std::optional<QList<Box>> movieChildren = childrenOf(moov, path.moov);
    if (!movieChildren) {
        return std::nullopt;
    }
    path.udta = findChild(*movieChildren, "udta");
    if (!path.udta) {
        return path;
    }
    const std::optional<QList<Box>> dataChildren = childrenOf(moov, *path.udta);
    if (!dataChildren) {
        return std::nullopt;
    }
    path.meta = findChild(*dataChildren, "meta");
    if (!path.meta) {
        return path;
    }
    path.metaSkip = metaSkip(moov, *path.meta);
    const std::optional<QList<Box>> metaChildren = childrenOf(moov, *path.meta, path.metaSkip);
    if (!metaChildren) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < metaChildren->size(); ++i) {
        if (metaChildren->at(i).is("ilst")) {
            path.ilst = metaChildren->at(i);
            if (i + 1 < metaChildren->size()) {
                path.afterIlst = metaChildren->at(i + 1);
            }
            break;
        }
    }
    return path;
}

// ---- Writing -----------------------------------------------------------------------------------------

// The new items: every item read for a given field goes; one new item takes the place of the first.
class ItemEditor {
public:
    explicit ItemEditor(const QList<Item>& items) {
        for (const Item& item : items) {
            m_entries.append({item, item.stored, false});
        }
    }

    // Removes the items `matches` picks and puts `replacement` (if not empty) where the first stood.
    template <typename Matches>
    void replace(Matches&& matches, const QByteArray& replacement) {
        qsizetype place = -1;
        for (qsizetype i = 0; i < m_entries.size(); ++i) {
            Entry& entry = m_entries[i];
            if (!entry.removed && entry.item.parsed && matches(entry.item)) {
                entry.removed = true;
                if (place < 0) {
                    place = i;
                }
            }
        }
        if (replacement.isEmpty()) {
            return;
        }
        if (place < 0) {
            m_entries.append({Item(), replacement, false});
        } else {
            m_entries.insert(place, {Item(), replacement, false});
        }
    }

    // The items `matches` picks get the bytes `edit` makes of them (empty bytes remove them).
    template <typename Matches, typename Edit>
    void edit(Matches&& matches, Edit&& edit) {
        for (Entry& entry : m_entries) {
            if (!entry.removed && entry.item.parsed && matches(entry.item)) {
                entry.bytes = edit(entry.item);
                entry.removed = entry.bytes.isEmpty();
            }
        }
    }

    bool contains(const QString& identifier) const {
        return std::any_of(m_entries.begin(), m_entries.end(), [&](const Entry& entry) {
            return !entry.removed && entry.item.parsed && entry.item.identifier == identifier;
        });
    }
    void append(const QByteArray& bytes) { m_entries.append({Item(), bytes, false}); }

    QByteArray payload() const {
        QByteArray out;
        for (const Entry& entry : m_entries) {
            if (!entry.removed) {
                out.append(entry.bytes);
            }
        }
        return out;
    }

private:
    struct Entry {
        Item item;
        QByteArray bytes;
        bool removed = false;
    };
    QList<Entry> m_entries;
};

// An item box of `type` holding `data` boxes as they are.
QByteArray itemWith(const QByteArray& type, const QList<QByteArray>& data) {
    QByteArray payload;
    for (const QByteArray& each : data) {
        payload.append(each);
    }
    return box(type, payload);
}

QByteArray typeOf(const Item& item) {
    return item.stored.mid(4, 4);
}

// The data type of cover bytes: the kind their signature names, JPEG when none is recognised.
std::uint32_t coverType(const QByteArray& bytes) {
    if (bytes.startsWith("\x89PNG\r\n\x1a\n")) {
        return png;
    }
    if (bytes.startsWith("GIF8")) {
        return gif;
    }
    if (bytes.startsWith("BM")) {
        return bmp;
    }
    return jpeg;
}

QByteArray newItemPayload(const QList<Item>& items, const TagValues& values,
                          const std::optional<QByteArray>& coverBytes) {
    ItemEditor editor(items);
    const auto text = [&](const char* type, const std::optional<QString>& value) {
        if (!value) {
            return;
        }
        const QString identifier = QString::fromLatin1(type);
        editor.replace([&](const Item& item) { return item.identifier == identifier; },
                       value->isEmpty() ? QByteArray() : textItem(QByteArray(type), *value));
    };
    text("\xA9nam", values.title);
    text("\xA9"
         "ART",
         values.artist);
    text("\xA9"
         "alb",
         values.album);
    text("aART", values.albumArtist);
    // iTunes writes the track number with two more bytes of padding than the disc number.
    if (values.track) {
        editor.replace([](const Item& item) { return item.identifier == u"trkn"_s; },
                       values.track->isEmpty()
                           ? QByteArray()
                           : box("trkn", dataBox(implicit, numberPairPayload(*values.track, true))));
    }
    if (values.disc) {
        editor.replace([](const Item& item) { return item.identifier == u"disk"_s; },
                       values.disc->isEmpty()
                           ? QByteArray()
                           : box("disk", dataBox(implicit, numberPairPayload(*values.disc, false))));
    }
    if (values.bpm) {
        QByteArray tempo;
        tempo.append(static_cast<char>((*values.bpm >> 8) & 0xFF));
        tempo.append(static_cast<char>(*values.bpm & 0xFF));
        editor.replace([](const Item& item) { return item.identifier == u"tmpo"_s; },
                       *values.bpm <= 0 ? QByteArray() : box("tmpo", dataBox(signedInteger, tempo)));
    }
    if (values.year) {
        const QByteArray day = isValidYear(*values.year) ? textItem("\xA9"
                                                                    "day",
                                                                    QString::number(*values.year))
                                                         : QByteArray();
        editor.replace([](const Item& item) { return isYearItem(item.identifier); }, day);
    }
    if (values.genre) {
        editor.replace([](const Item& item) { return isGenreItem(item.identifier); },
                       values.genre->isEmpty() ? QByteArray() : textItem("\xA9gen", *values.genre));
    }
    if (values.coverImage && (values.coverImage->isEmpty() || coverBytes)) {
        const bool remove = values.coverImage->isEmpty();
        const QByteArray picture = remove ? QByteArray() : dataBox(coverType(*coverBytes), *coverBytes);
        if (editor.contains(u"covr"_s)) {
            bool first = true; // the first covr item is the one loading reads
            editor.edit([](const Item& item) { return item.identifier == u"covr"_s; },
                        [&](const Item& item) {
                            if (!std::exchange(first, false)) {
                                return item.stored;
                            }
                            QList<QByteArray> data;
                            for (const DataBox& each : item.data) {
                                data.append(each.stored);
                            }
                            if (data.isEmpty() && !remove) {
                                data.append(picture);
                            } else if (!data.isEmpty()) {
                                if (remove) {
                                    data.removeFirst();
                                } else {
                                    data.first() = picture;
                                }
                            }
                            return data.isEmpty() ? QByteArray() : itemWith(typeOf(item), data);
                        });
        } else if (!remove) {
            editor.append(box("covr", picture));
        }
    }
    if (values.rating) {
        const int stars = int(std::clamp<qint64>(*values.rating, 0, rating::kMaxStars));
        // Rating texts go from every comment item; the comment's own texts stay.
        bool ratingPlaced = stars == 0;
        editor.edit([](const Item& item) { return isCommentItem(item.identifier); },
                    [&](const Item& item) {
                        QList<QByteArray> data;
                        const bool own = item.identifier == u"©cmt"_s;
                        if (own && !ratingPlaced) {
                            data.append(dataBox(utf8, rating::ratingComment(stars).toUtf8()));
                            ratingPlaced = true;
                        }
                        for (const DataBox& each : item.data) {
                            const std::optional<QString> comment = textOf(each);
                            if (!comment || !rating::isRatingComment(*comment)) {
                                data.append(each.stored);
                            }
                        }
                        return data.isEmpty() ? QByteArray() : itemWith(typeOf(item), data);
                    });
        if (!ratingPlaced) {
            editor.append(textItem("\xA9"
                                   "cmt",
                                   rating::ratingComment(stars)));
        }
    }
    return editor.payload();
}

void storeSize(QByteArray& bytes, const Box& box, std::uint64_t size) {
    if (box.toEnd) {
        return; // runs to the end of its parent, as before
    }
    const auto at = static_cast<qsizetype>(box.offset);
    if (box.headerSize == 16) {
        storeU32BE(bytes, at + 8, static_cast<std::uint32_t>(size >> 32));
        storeU32BE(bytes, at + 12, static_cast<std::uint32_t>(size));
    } else {
        storeU32BE(bytes, at, static_cast<std::uint32_t>(size));
    }
}

// Every chunk offset table (stco, co64) of the tracks of a movie: `visit(tableOffset, count, wide)` with
// the table's first entry's offset in `moov`. False when a box on the way or a table is damaged.
template <typename Visit>
bool forEachOffsetTable(ByteView moov, Visit&& visit) {
    const std::optional<Box> movie = readBox(moov, 0);
    QList<Box> pending = movie ? childrenOf(moov, *movie).value_or(QList<Box>()) : QList<Box>();
    for (int budget = 100000; !pending.isEmpty(); --budget) {
        const Box current = pending.takeFirst();
        if (budget < 0) {
            return false;
        }
        if (current.is("trak") || current.is("mdia") || current.is("minf") || current.is("stbl")) {
            const std::optional<QList<Box>> children = childrenOf(moov, current);
            if (!children) {
                return false;
            }
            pending.append(*children);
            continue;
        }
        const bool wide = current.is("co64");
        if (!wide && !current.is("stco")) {
            continue;
        }
        const std::uint64_t table = current.payloadOffset() + 8; // after version, flags and count
        const std::optional<std::uint32_t> count = moov.u32BE(current.payloadOffset() + 4);
        const std::uint64_t width = wide ? 8 : 4;
        if (!count || !moov.has(table, std::uint64_t{*count} * width) ||
            table + std::uint64_t{*count} * width > current.end()) {
            return false;
        }
        visit(table, *count, wide);
    }
    return true;
}

std::uint64_t offsetAt(ByteView moov, std::uint64_t at, bool wide) {
    return wide ? (std::uint64_t{*moov.u32BE(at)} << 32 | *moov.u32BE(at + 4))
                : std::uint64_t{*moov.u32BE(at)};
}

// Moves every chunk offset of the movie that points at or behind `from` by `shift`.
TagStatus shiftChunkOffsets(QByteArray& moov, std::uint64_t from, std::int64_t shift) {
    const ByteView view(moov);
    bool overflow = false;
    const bool whole = forEachOffsetTable(view, [&](std::uint64_t table, std::uint32_t count, bool wide) {
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t at = table + i * (wide ? 8 : 4);
            std::uint64_t offset = offsetAt(view, at, wide);
            if (offset < from) {
                continue;
            }
            offset = std::uint64_t(std::int64_t(offset) + shift);
            overflow = overflow || (!wide && offset > 0xFFFFFFFFu);
            if (wide) {
                storeU32BE(moov, qsizetype(at), static_cast<std::uint32_t>(offset >> 32));
                storeU32BE(moov, qsizetype(at + 4), static_cast<std::uint32_t>(offset));
            } else {
                storeU32BE(moov, qsizetype(at), static_cast<std::uint32_t>(offset));
            }
        }
    });
    if (!whole) {
        return refusal(TagError::notValidFormat,
                       QT_TRANSLATE_NOOP("Mp4Tags", "A chunk offset table of the file is damaged."));
    }
    if (overflow) {
        return refusal(TagError::writeFailure,
                       QT_TRANSLATE_NOOP("Mp4Tags", "The audio would move beyond what "
                                                    "the file's chunk offsets can point at."));
    }
    return TagStatus::success();
}

} // namespace

QList<Item> parseItems(ByteView ilstPayload) {
    QList<Item> items;
    std::uint64_t offset = 0;
    for (int count = 0; offset < ilstPayload.size() && count < 100000; ++count) {
        const std::optional<Box> itemBox = readBox(ilstPayload, offset);
        if (!itemBox) {
            Item rest;
            rest.stored = ilstPayload.from(offset).toByteArray();
            items.append(rest);
            break;
        }
        items.append(itemOf(ilstPayload, *itemBox));
        offset += itemBox->size;
    }
    return items;
}

StoredTags storedTags(const QList<Item>& items) {
    StoredTags stored;
    stored.title = firstTexts(items, u"©nam"_s);
    stored.artist = firstTexts(items, u"©ART"_s);
    stored.album = firstTexts(items, u"©alb"_s);
    stored.year = yearOfItems(items);
    stored.genre = genreOfItems(items);
    stored.rating = ratingOfItems(items);
    stored.cover = coverOfItems(items);
    stored.albumArtist = firstTexts(items, u"aART"_s);
    stored.track = numberPairOf(items, u"trkn"_s);
    stored.disc = numberPairOf(items, u"disk"_s);
    for (const Item& item : items) {
        if (item.identifier == u"tmpo"_s && !item.data.isEmpty()) {
            const std::optional<qint64> tempo = numberOf(item.data.first());
            stored.bpm = tempo && *tempo > 0 && *tempo < 10000 ? int(*tempo) : 0;
            break;
        }
    }
    return stored;
}

std::optional<QList<std::uint64_t>> chunkOffsets(ByteView moov) {
    QList<std::uint64_t> offsets;
    const bool whole = forEachOffsetTable(moov, [&](std::uint64_t table, std::uint32_t count, bool wide) {
        for (std::uint64_t i = 0; i < count; ++i) {
            offsets.append(offsetAt(moov, table + i * (wide ? 8 : 4), wide));
        }
    });
    return whole ? std::optional(offsets) : std::nullopt;
}

std::optional<QList<Item>> itemsOfMovie(ByteView moov) {
    const std::optional<ListPath> path = pathOf(moov);
    if (!path || !path->ilst) {
        return std::nullopt;
    }
    return parseItems(*moov.slice(path->ilst->payloadOffset(), path->ilst->size - path->ilst->headerSize));
}

TagResult<MovieRewrite> rewrittenMovie(ByteView moov, std::uint64_t moovOffset, bool fragmented,
                                       const TagValues& values, const std::optional<QByteArray>& coverBytes) {
    using Result = TagResult<MovieRewrite>;
    const std::optional<ListPath> found = pathOf(moov);
    if (!found) {
        return Result::failure(
            refusal(TagError::notValidFormat,
                    QT_TRANSLATE_NOOP("Mp4Tags", "A box of the file's movie header is damaged.")));
    }
    const ListPath& path = *found;
    const QList<Item> items =
        path.ilst
            ? parseItems(*moov.slice(path.ilst->payloadOffset(), path.ilst->size - path.ilst->headerSize))
            : QList<Item>();
    const QByteArray newList = box("ilst", newItemPayload(items, values, coverBytes));

    // What goes in, where, in place of how many old bytes, and which containers grow around it.
    QByteArray insert = newList;
    std::uint64_t at = 0;
    std::uint64_t replaced = 0;
    QList<Box> growing{path.moov};
    if (path.ilst) {
        at = path.ilst->offset;
        replaced = path.ilst->size;
        growing << *path.udta << *path.meta;
    } else {
        // The handler iTunes and TagLib write into a new "meta" box.
        const QByteArray handler = box("hdlr", QByteArray(8, '\0') + "mdirappl" + QByteArray(9, '\0'));
        if (path.meta) {
            insert = newList;
            at = path.meta->end();
            growing << *path.udta << *path.meta;
        } else if (path.udta) {
            insert = box("meta", QByteArray(4, '\0') + handler + newList);
            at = path.udta->end();
            growing << *path.udta;
        } else {
            insert = box("udta", box("meta", QByteArray(4, '\0') + handler + newList));
            at = path.moov.end();
        }
    }
    const std::int64_t delta = std::int64_t(insert.size()) - std::int64_t(replaced);

    QByteArray out = moov.toByteArray();
    MovieRewrite rewrite;
    // A "free" box right behind the list takes up the change where it can, so nothing else moves.
    const bool absorbed = path.ilst && path.afterIlst && path.afterIlst->is("free") &&
                          !path.afterIlst->toEnd && path.afterIlst->headerSize == 8 &&
                          std::int64_t(path.afterIlst->size) - delta >= 8;
    if (absorbed) {
        const std::uint64_t freeSize = std::uint64_t(std::int64_t(path.afterIlst->size) - delta);
        out.replace(qsizetype(path.afterIlst->offset), qsizetype(path.afterIlst->size),
                    box("free", QByteArray(qsizetype(freeSize - 8), '\0')));
    } else if (delta != 0) {
        if (fragmented) {
            return Result::failure(refusal(
                TagError::notValidFormat, QT_TRANSLATE_NOOP("Mp4Tags", "The file is fragmented, and its tags "
                                                                       "cannot grow or shrink in place.")));
        }
        if (TagStatus shifted = shiftChunkOffsets(out, moovOffset + path.moov.size, delta); !shifted.ok()) {
            return Result::failure(shifted);
        }
        for (const Box& container : growing) {
            storeSize(out, container, std::uint64_t(std::int64_t(container.size) + delta));
        }
        rewrite.shift = delta;
    }
    out.replace(qsizetype(at), qsizetype(replaced), insert);
    rewrite.moov = std::move(out);
    return Result::success(std::move(rewrite));
}

} // namespace quirella::mp4
