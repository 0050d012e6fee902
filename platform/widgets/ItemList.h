#pragma once
// A list of text items of one fixed height with hover feedback and one
// selected item (or none).

#include "platform/widgets/Control.h"

#include <QStringList>
#include <QWidget>

namespace pv {

// Whether a font family draws Latin letters as letters: a symbol font
// (dingbats, say) would draw its own name as a row of symbols.
bool FamilyDrawsLatinNames(const QString& family);

class TItemList : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TItemList(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    // English item texts; what is shown can be replaced per item (translations).
    void setItems(const QStringList& english);
    const QStringList& sourceItems() const { return sourceItems_; }
    const QStringList& items() const { return shownItems_; }
    void setItemDisplayText(int index, const QString& shown) override;
    int itemTextCount() const override { return count(); }
    QString itemSourceText(int index) const override { return sourceItems_.value(index); }
    int count() const { return int(sourceItems_.size()); }

    void setItemHeight(double designHeight);
    // Each item drawn in the font family it names (a font list); a symbol
    // font's name is drawn in the list's own font.
    void setItemsInOwnFamily(bool on);
    double itemHeight() const { return itemHeight_; }
    // Top of item index in the list's coordinates (pixels).
    int itemTop(int index) const;
    // The item at a point, or -1.
    int itemAt(QPoint p) const;

    int itemIndex() const { return itemIndex_; }
    // -1 clears the selection; raises nothing.
    void setItemIndex(int index);
    int hoveredIndex() const { return hovered_; }

    // In a scroll area the list scrolls to show the item.
    void scrollToShow(int index);

    QSize sizeHint() const override;
    // Never shorter than its items: a scroll area that fits the list to its
    // view scrolls it instead of cutting the last items off.
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The user clicked an item (the keyboard only moves the selection).
    void itemClicked(int index);
    void hoveredChanged(int index);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void setHovered(int index);

    QStringList sourceItems_, shownItems_;
    double itemHeight_ = 30;
    int itemIndex_ = -1;
    int hovered_ = -1;
    int pressed_ = -1;
    bool ownFamily_ = false;
};

} // namespace pv
