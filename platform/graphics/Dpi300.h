#pragma once
// Marks saved JPEG and PNG files as 300 dots per inch, so that printing and
// page-layout programs place the picture at that size. The writers work on
// the encoded bytes only: pixels are never decoded or re-encoded.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace pv {

// 300 dots per inch expressed in the PNG's unit (pixels per metre).
inline constexpr uint32_t kPngPixelsPerMetre300Dpi = 11811;

// The 76-byte Exif APP1 segment (marker included) that carries 300 x 300 dpi.
const QByteArray& JpegExif300Segment();
// The 21-byte pHYs chunk (length, type, data, CRC) of 11811 pixels per metre.
const QByteArray& PngPhys300Chunk();

// The JPEG with the Exif resolution segment directly after the first APP0
// segment, or after the start-of-image marker when no APP0 comes before the
// first segment that is neither APP0 nor APP1. Every Exif segment before that
// segment is dropped, the JFIF density of the first APP0 becomes 300 dpi as
// well, and everything from that segment on is kept byte for byte. Data that
// is not a JPEG comes back unchanged; a segment whose length runs past the
// end stops the walk and the rest is copied as it is; a single byte left at
// the very end is dropped.
QByteArray JpegWithDpi300(const QByteArray& jpeg);

// The PNG with the pHYs chunk directly after its first chunk (the header) and
// no other pHYs chunk. Data that is not a PNG, or whose first chunk is
// incomplete, comes back unchanged; a later chunk whose length runs past the
// end stops the walk and the rest is copied as it is.
QByteArray PngWithDpi300(const QByteArray& png);

// True for data that starts with the PNG signature and a complete first chunk.
bool IsPngWithHeader(const QByteArray& data);

// Rewrites a JPEG file in place. A missing file or one that is not a JPEG is
// left alone; read and write failures raise an Exception.
void SetJPEGDPITo300(const QString& FileName);

// Rewrites a PNG file in place. A missing or unreadable file, one that is not
// a PNG, and a failed write raise an Exception; the file is then untouched.
void InsertPngDPI300(const QString& FileName);

} // namespace pv
