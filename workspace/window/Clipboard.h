#pragma once
// Pictures on the system clipboard. A copied picture is offered as image/png;
// its PNG is encoded on a worker as soon as it is copied, so a program that
// pastes it waits at most for the rest of that encode and the window never
// encodes on demand. Pasting decodes the clipboard's picture once, keeping
// its transparency; our own copied picture comes back without any decode.

#include "platform/graphics/SkTypes.h"

#include <QMimeData>

#include <memory>

namespace pv {

inline constexpr char kPngMime[] = "image/png";

class TClipboardPicture : public QMimeData {
    Q_OBJECT
public:
    // Starts the PNG encode of the picture on a worker.
    explicit TClipboardPicture(ISkImage picture);
    ~TClipboardPicture() override;

    const ISkImage& Picture() const { return picture_; }
    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;
    // The PNG bytes, waiting for the encode when it has not finished yet.
    QByteArray PngBytes() const;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    struct Encoding;
    ISkImage picture_;
    std::shared_ptr<Encoding> encoding_;
};

// The picture the clipboard data holds: our own copied picture as it is, else
// the first image format decoded (premultiplied, alpha kept), else Qt's own
// image of the data; null when there is none. Throws std::bad_alloc when the
// picture does not fit in memory.
ISkImage PictureFromMimeData(const QMimeData* mime);

} // namespace pv
