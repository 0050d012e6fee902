#pragma once
// Effect-parameter files (".vlp"): the slider values of every effect as
// UTF-8 text with a byte-order mark and CR LF line ends, one section per
// effect that has sliders. Captions are never written; a value is taken only
// for a slider the effect has.

#include "engine/EffectParameters.h"

#include <QByteArray>
#include <QString>

namespace pv {

constexpr int kParameterFormatVersion = 2;
// Larger files are refused before they are read.
constexpr qint64 kMaxParameterFileBytes = 1024 * 1024;

// The file's bytes for the table.
QByteArray WriteParameterText(const TParameterTable& table);

// Reads a file's bytes into the table: UTF-8 (with or without a byte-order
// mark), UTF-16 with its mark, or else Windows-1252 text. Throws
// pv::Exception, changing nothing, for a file written by a newer version (the
// message names both versions) and for bytes that hold NUL characters.
// Malformed lines, unknown keys, sections out of range and values that are
// not integers are skipped; values are held to 0..100.
void ReadParameterText(const QByteArray& bytes, TParameterTable& table);

// The same with files: the write replaces the file only once all of it is
// written; a missing file is not read (false), and one above 1 MiB is
// refused with "file too large". Both throw pv::Exception with the reason.
void SaveParameterFile(const QString& fileName, const TParameterTable& table);
bool LoadParameterFile(const QString& fileName, TParameterTable& table);

} // namespace pv
