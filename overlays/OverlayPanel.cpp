#include "overlays/OverlayPanel.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/FloatingPanel.h"
#include "engine/Repository.h"
#include "platform/graphics/Codecs.h"
#include "platform/graphics/SkImage.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/ThumbnailGrid.h"

#include <QApplication>
#include <QFileInfo>

#include <algorithm>
#include <new>

namespace pv {

namespace {
constexpr TAlphaColor kPanelFill = kBackgroundWorkspace;
} // namespace

TOverlayPanel::TOverlayPanel(QSize designSize, QPoint closeBoxAt, QWidget* parent) : TRoundedPanel(parent)
{
    setFillColour(kPanelFill);
    setRadius(15);
    resize(DpI(designSize.width()), DpI(designSize.height()));
    closeBox_ = new TCloseBox(this);
    closeBox_->setObjectName(QStringLiteral("CloseBtn"));
    closeBox_->setGeometry(DpI(closeBoxAt.x()), DpI(closeBoxAt.y()), DpI(26), DpI(26));
    connect(closeBox_, &TCloseBox::clicked, this, [this] { CancelClick(); });
}

TOverlayPanel::~TOverlayPanel()
{
    // A child that reports while the panel is being taken down (a number box
    // losing the focus commits its text) must find no one listening: the
    // panel's own part is gone by then.
    for (QObject* child : findChildren<QObject*>())
        disconnect(child, nullptr, this, nullptr);
}

bool TOverlayPanel::DialogKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Tab) {
        CycleFocus(TabStops(), modifiers & Qt::ShiftModifier);
        return true;
    }
    if (key == Qt::Key_Escape) {
        CancelClick();
        return true;
    }
    return false;
}

std::vector<QWidget*> TOverlayPanel::TabStops()
{
    std::vector<QWidget*> stops;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain())
        if (isAncestorOf(w) && w->isVisibleTo(this) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            stops.push_back(w);
    return stops;
}

TLabel* TOverlayPanel::AddCaption(const char* name, const char* text, QRect r, double fontSize)
{
    auto* l = new TLabel(QString::fromUtf8(text), this);
    l->setObjectName(QString::fromLatin1(name));
    l->setFontSize(fontSize);
    l->setFontColour(kText);
    l->setGeometry(DpI(r.x()), DpI(r.y()), DpI(r.width()), DpI(r.height()));
    return l;
}

TButton* TOverlayPanel::AddButton(const char* name, const char* text, TButton::Look look, QRect r)
{
    auto* b = new TButton(QString::fromUtf8(text), look, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(DpI(r.x()), DpI(r.y()), DpI(r.width()), DpI(r.height()));
    return b;
}

QImage LoadUserPicture(const QString& path, QString& error)
{
    error.clear();
    try {
        QSize tooLarge;
        const ISkImage picture = DecodeImageFileWithin(path, TForm3::kMaxBrushSide, &tooLarge);
        if (picture && picture->width() > 0 && picture->height() > 0)
            return picture->qimage();
        const QString name = QFileInfo(path).fileName();
        if (!QFileInfo::exists(path))
            error = QStringLiteral("\"%1\" does not exist").arg(path);
        else if (tooLarge.isValid())
            error = QStringLiteral("\"%1\" is too big (%2 x %3 pixels; at most %4 pixels wide and tall)")
                        .arg(name)
                        .arg(tooLarge.width())
                        .arg(tooLarge.height())
                        .arg(TForm3::kMaxBrushSide);
        else
            error = QStringLiteral("\"%1\" is not a picture").arg(name);
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("Not enough memory");
    }
    return {};
}

TGalleryPanel::TGalleryPanel(QSize designSize, QPoint closeBoxPos, QWidget* parent)
    : TOverlayPanel(designSize, closeBoxPos, parent)
{
    setShadow({3, 3, 3, kShadowDeep});
    // It may hold the focus, but Tab visits the controls inside it.
    setFocusPolicy(Qt::ClickFocus);
}

void TGalleryPanel::AddGallery(const char* title, const char* gridName)
{
    AddCaption("Label1", title, {40, 20, 410, 22}, 14)->setAlignment(Qt::AlignCenter);
    GalleryBox = new TRoundedPanel(this);
    GalleryBox->setObjectName(QStringLiteral("Rectangle2"));
    GalleryBox->setStyledColour("fill", kGalleryFill, kGalleryFillLight);
    GalleryBox->setRadius(15);
    GalleryBox->setGeometry(DpI(40), DpI(60), DpI(410), DpI(260));
    Gallery = new TThumbnailGrid(GalleryBox);
    Gallery->setObjectName(QString::fromLatin1(gridName));
    Gallery->setGeometry(DpI(5), DpI(5), DpI(400), DpI(250));
    Gallery->setFocusPolicy(Qt::StrongFocus);
    connect(Gallery, &TThumbnailGrid::currentChanged, this, [this](int index) { SelectThumbnail(index); });
}

bool TGalleryPanel::AddUserPicture(const std::function<QString()>& ask, TImageList* list,
                                   const std::function<QString(const QImage&)>& check)
{
    const QString path = ask ? ask() : QString();
    if (path.isEmpty() || !list)
        return false;
    QString error;
    const QImage bitmap = LoadUserPicture(path, error);
    if (error.isEmpty() && check)
        error = check(bitmap);
    if (!error.isEmpty()) {
        if (OnMessage)
            OnMessage(QStringLiteral("Error: ") + error);
        return false;
    }
    list->add(QFileInfo(path).completeBaseName()).setBitmap(bitmap);
    return true;
}

void TGalleryPanel::SelectLastCell(int count)
{
    if (count > 0)
        SelectThumbnail(count - 1);
    Gallery->scrollToShow(Gallery->itemIndex());
}

bool TGalleryPanel::DialogKey(int key, Qt::KeyboardModifiers modifiers)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PrimaryClick();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
        NavigateGallery(-1, key == Qt::Key_Up);
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
        NavigateGallery(1, key == Qt::Key_Down);
        return true;
    default:
        return TOverlayPanel::DialogKey(key, modifiers);
    }
}

void TOverlayPanel::CycleFocus(const std::vector<QWidget*>& order, bool backwards)
{
    if (order.empty())
        return;
    int index = -1;
    for (QWidget* w = QApplication::focusWidget(); w && index < 0; w = w->parentWidget()) {
        const auto it = std::find(order.begin(), order.end(), w);
        if (it != order.end())
            index = int(it - order.begin());
    }
    const int n = int(order.size());
    int next;
    if (backwards)
        next = index <= 0 ? n - 1 : index - 1;
    else
        next = index == n - 1 ? 0 : index + 1;
    order[size_t(next)]->setFocus(Qt::TabFocusReason);
}

} // namespace pv
