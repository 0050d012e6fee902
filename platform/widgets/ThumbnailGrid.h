#pragma once
// A scrolling grid of fixed cells, each a ready-made picture with an optional
// name under it; the selected cell has a blue outline. The caller supplies the
// pictures at the size they are shown: painting never scales them (a larger
// picture is cropped around its centre).

#include "platform/widgets/Control.h"

#include <QImage>
#include <QWidget>

#include <vector>

namespace pv {

// The grid's arithmetic, in pixels: cells sit on a square pitch, each inset
// by a margin on every side; columns fill the width (at least one).
struct TGridGeometry {
    int pitch = 130;
    int margin = 5;

    int columns(int width) const;
    int contentHeight(int count, int width) const;
    // The visible cell of an index, in content coordinates.
    QRect cellRect(int index, int width) const;
    // The cell under a content point, or -1 (the margins belong to no cell).
    int indexAt(QPoint p, int count, int width) const;
    // The arrow-key target: 0 when nothing is selected, else one cell left or
    // right, or one row up or down; -1 when that leaves the grid (no wrapping).
    int step(int index, int count, int width, int direction, bool vertical) const;
    // The scroll position that shows a cell: unchanged when it is in view,
    // else the least movement, within 0..max(0, content - view).
    static int scrollToShow(int top, int viewHeight, int cellTop, int cellHeight, int contentHeight);
};

class TThumbnailGrid : public QWidget, public TControl {
    Q_OBJECT
public:
    struct Item {
        QImage picture;
        QString name;
    };

    explicit TThumbnailGrid(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    const TGridGeometry& geometry() const { return geometry_; }
    void setCellPitch(int designPitch, int designMargin);
    // Height of the name strip at the bottom of each cell; 0 shows no names.
    void setNameHeight(double designHeight);
    // The picture area of a cell (what callers size their thumbnails to).
    QSize pictureSize() const;
    // A thumbnail of picture that fits size, made once by the caller (smooth).
    static QImage FitThumbnail(const QImage& picture, QSize size);

    void clear();
    void addItem(const QImage& picture, const QString& name = {});
    // Replaces one cell's picture (a thumbnail that follows other controls).
    void setItemPicture(int index, const QImage& picture);
    int count() const { return int(items_.size()); }
    const Item& item(int index) const { return items_[size_t(index)]; }

    int itemIndex() const { return itemIndex_; }
    // Selects (or, with -1, clears) without raising currentChanged.
    void setItemIndex(int index);
    // The keyboard's move (direction -1 or +1, by rows when vertical): selects
    // the target, scrolls it into view and raises currentChanged. False when
    // the grid is empty or the target lies outside it.
    bool navigate(int direction, bool vertical);

    int scrollTop() const { return scrollTop_; }
    void setScrollTop(int top);
    void scrollToShow(int index);
    // Puts a cell's top at the top of the view (as far as the content allows).
    void scrollToTop(int index);
    int contentHeight() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // The user selected a cell (click or keys).
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent*) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent*) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    int hitTest(QPoint p) const;
    void setHovered(int index);

    TGridGeometry geometry_;
    double nameHeight_ = 20;
    std::vector<Item> items_;
    int itemIndex_ = -1;
    int hovered_ = -1;
    int scrollTop_ = 0;
};

} // namespace pv
