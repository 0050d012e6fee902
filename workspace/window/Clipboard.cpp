// The copy and paste commands of the main window.

#include "workspace/window/Clipboard.h"

#include "engine/ImageHistory.h"
#include "engine/Workers.h"
#include "platform/graphics/Codecs.h"
#include "platform/graphics/PngEncoder.h"
#include "platform/graphics/SkImage.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/window/MainWindow.h"

#include <QClipboard>
#include <QGuiApplication>

#include <condition_variable>
#include <mutex>
#include <new>

namespace pv {

struct TClipboardPicture::Encoding {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    QByteArray png;
};

TClipboardPicture::TClipboardPicture(ISkImage picture)
    : picture_(std::move(picture)), encoding_(std::make_shared<Encoding>())
{
    // The worker holds the picture and the result; the clipboard may drop
    // this object at any time without waiting for it, and the process waits
    // for the encode when it exits.
    const bool started = StartWorker([image = picture_, state = encoding_]() mutable {
        QByteArray png;
        try {
            SkPixmap pm;
            if (image && image->peekPixels(pm) && !EncodePng(pm, png))
                png.clear();
        } catch (...) {
            png.clear();
        }
        {
            std::lock_guard guard(state->lock);
            state->png = std::move(png);
            state->done = true;
            state->finished.notify_all();
        }
    });
    if (!started) {
        // No thread to spare: the copy offers no PNG rather than a wait
        // that would never end.
        std::lock_guard guard(encoding_->lock);
        encoding_->done = true;
    }
}

TClipboardPicture::~TClipboardPicture() = default;

QStringList TClipboardPicture::formats() const { return {QString::fromLatin1(kPngMime)}; }

bool TClipboardPicture::hasFormat(const QString& mimeType) const { return mimeType == QLatin1String(kPngMime); }

QByteArray TClipboardPicture::PngBytes() const
{
    std::unique_lock guard(encoding_->lock);
    encoding_->finished.wait(guard, [this] { return encoding_->done; });
    return encoding_->png;
}

QVariant TClipboardPicture::retrieveData(const QString& mimeType, QMetaType) const
{
    if (mimeType != QLatin1String(kPngMime))
        return {};
    return PngBytes();
}

ISkImage PictureFromMimeData(const QMimeData* mime)
{
    if (!mime)
        return nullptr;
    if (const auto* own = qobject_cast<const TClipboardPicture*>(mime))
        return own->Picture();
    QStringList formats = mime->formats();
    // PNG first: it keeps transparency, which the other formats may not.
    formats.removeAll(QString::fromLatin1(kPngMime));
    formats.prepend(QString::fromLatin1(kPngMime));
    for (const QString& format : formats) {
        if (!format.startsWith(QLatin1String("image/")) || !mime->hasFormat(format))
            continue;
        const QByteArray bytes = mime->data(format);
        if (bytes.isEmpty())
            continue;
        if (ISkImage picture = DecodeImageData(bytes))
            return picture;
    }
    if (mime->hasImage()) {
        QImage image = qvariant_cast<QImage>(mime->imageData());
        if (!image.isNull())
            return SkImage::MakeFromQImage(std::move(image));
    }
    return nullptr;
}

// ------------------------------------------------------------------ window side

void TForm1::CopyVLPImageToClipboard(const ISkImage& Image)
{
    if (!Image || Image->width() <= 0 || Image->height() <= 0)
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setMimeData(new TClipboardPicture(Image));
}

bool TForm1::PasteFromClipboardToVLPSourceImage(ISkImage& Image)
{
    Image = nullptr;
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    try {
        Image = PictureFromMimeData(clipboard->mimeData());
    } catch (const std::bad_alloc&) {
        // The size is unknown here: the message without its size.
        QString text = FilesView().TranslateUiText(QStringLiteral("Image too large for available memory: ")).trimmed();
        if (text.endsWith(QLatin1Char(':')))
            text.chop(1);
        ShowMessage(text);
        Image = nullptr;
    }
    if (!Image)
        return false;
    // A new picture every time, also when the clipboard holds our own copy,
    // the very picture copied (the pixels stay shared): a pasted picture is a
    // new source, marked as one in the gallery, whatever was copied.
    Image = std::make_shared<const SkImage>(QImage(Image->qimage()), Image->isOpaque());
    HideDropZone();
    return true;
}

void TForm1::CopyMIClick() { CopyVLPImageToClipboard(FSkImage); }

void TForm1::PasteMIClick()
{
    if (PictureChangeRefused())
        return;
    ISkImage picture;
    if (!PasteFromClipboardToVLPSourceImage(picture))
        return;
    // Pictures are immutable: source and result share the one decoded picture.
    FilesView().FSourceFileName.clear();
    FSkSourceImage = picture;
    FSkImage = picture;
    FZoomFactor = 1.0f;
    FPanOffset = {};
    SkPaintBox1->CalculateBestFitAndCenter();
    SkPaintBox1->FullSizeAndCenter();
    SkPaintBox1->UpdatePaintBoxSize();
    if (SkPaintBox1->IsSplitView())
        SkPaintBox1->CenterDivider();
    RedrawCanvas();
    History->Save(FSkImage, FSkSourceImage);
    RequestEffectPreview();
}

} // namespace pv
