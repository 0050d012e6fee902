#pragma once
// The font families the text tool offers: one entry per family the user
// would call by one name. Style words at the end of a name ("Arial Black",
// "Inter Semi Bold") are cut off only when what remains is itself an
// installed family, so every entry stays a family that can be drawn;
// fontconfig's foundry tags ("Nimbus Sans [urw]") are not shown.

#include <QString>
#include <QStringList>

namespace pv {

// The name as listed: tag dropped, and shortened while a shorter installed
// family remains. installed is the platform's family list as it stands.
QString NormaliseFontFamily(const QString& name, const QStringList& installed);

// The list entries for a family list: normalised, without empty names and
// vertical variants ("@..."), sorted and without duplicates, both regardless
// of case.
QStringList FontListFamilies(const QStringList& installed);

} // namespace pv
