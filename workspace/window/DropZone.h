#pragma once
// The drop zone on the empty canvas: a dashed rounded area with a picture
// icon, "No image loaded", "Drop image here or" and the "Browse files" link.
// Dropped files reach the canvas beneath it; the link asks for the open
// dialog. Pointing at the zone lightens its outline and icon.

#include "platform/widgets/Control.h"
#include "platform/widgets/DesignColours.h"

#include <QWidget>

namespace pv {

class TLabel;
class TSvgIcon;

class TDropZone : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TDropZone(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    // Size in design units.
    static constexpr int kWidth = 350, kHeight = 250;
    static constexpr TAlphaColor kOutline = kBorderOutline, kOutlineHover = kBorderOutlineHover;

    TSvgIcon* icon() const { return icon_; }
    TLabel* title() const { return title_; }
    TLabel* hint() const { return hint_; }
    TLabel* browseLink() const { return browse_; }
    // The outline shown now; the icon follows it.
    TAlphaColor outlineColour() const { return colour("stroke"); }
    // Centres "Drop image here or" and its link as one line at their
    // natural widths; run again after a change of language or size.
    void LayoutHintLine();

Q_SIGNALS:
    void browseClicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    void setOutline(TAlphaColor design);

    TSvgIcon* icon_ = nullptr;
    TLabel* title_ = nullptr;
    TLabel* hint_ = nullptr;
    TLabel* browse_ = nullptr;
};

} // namespace pv
