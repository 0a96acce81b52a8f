#pragma once
// The texts in the headers of the lists' columns.

#include <QString>
#include <QVariant>
#include <span>

namespace tandril {

// The text of column `section` for the horizontal header's display role, from UTF-8 texts; nothing
// for any other question.
inline QVariant ColumnHeader(std::span<const char* const> headers, int section, Qt::Orientation orientation, int role) {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || static_cast<std::size_t>(section) >= headers.size())
        return {};
    return QString::fromUtf8(headers[static_cast<std::size_t>(section)]);
}

}  // namespace tandril
