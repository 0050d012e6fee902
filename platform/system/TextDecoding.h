#pragma once
// Text files written by hand or by other programs: a byte-order mark chooses
// UTF-8 or UTF-16 (either byte order); without one, valid UTF-8 is read as
// UTF-8 and anything else as Windows-1252.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pv {

QString DecodeTextBytes(const QByteArray& bytes);

// Lines split at CR LF, a lone LF or a lone CR; a final line break adds no
// empty line.
QStringList SplitTextLines(const QString& text);

} // namespace pv
