#pragma once
// The compact colour picker: a saturation/value square, a hue strip, an alpha
// strip and a hex field; every change, alpha included, is reported at once.
// The swatch shows a colour and opens the picker under it.

#include "platform/widgets/Control.h"
#include "platform/widgets/DesignColours.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QPainter;

namespace pv {

class TLineEdit;

// Hue in degrees 0..360, saturation, value and alpha 0..1.
struct THsva {
    double h = 0, s = 0, v = 0, a = 1;
};

TAlphaColor HsvaToColour(const THsva& c);
// A grey has no hue and black no saturation: those come from previous, so a
// drag through black or white does not lose the hue the user chose.
THsva ColourToHsva(TAlphaColor c, const THsva& previous = {});
// "#RRGGBB", "#AARRGGBB" or "#RGB" ('#', '$' or nothing before the digits,
// blanks around them); the short forms keep the alpha of current.
std::optional<TAlphaColor> ParseHexColour(const QString& text, TAlphaColor current);
// "#RRGGBB" for an opaque colour, else "#AARRGGBB".
QString FormatHexColour(TAlphaColor c);
// The grey squares shown behind translucent colours.
void DrawCheckerboard(QPainter& p, const QRectF& r, double cell);

class TColourPicker : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TColourPicker(QWidget* parent = nullptr);
    QWidget* widget() override { return this; }

    TAlphaColor colour() const { return colour_; }
    const THsva& hsva() const { return hsva_; }
    // Shows a colour; raises nothing.
    void setColour(TAlphaColor c);
    // Without the alpha strip every colour is opaque.
    void setAlphaShown(bool shown);
    TLineEdit* hexField() const { return hex_; }

    // The picker's parts in its own coordinates (for placement checks).
    QRectF squareRect() const;
    QRectF hueRect() const;
    QRectF alphaRect() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // Every change the user makes (dragging, typing a hex colour).
    void colourChanged(TAlphaColor colour);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    enum class Part { None, Square, Hue, Alpha };
    void dragTo(QPointF p);
    void setHsvaByUser(const THsva& c);
    void showHex();

    THsva hsva_{0, 0, 0, 1};
    TAlphaColor colour_ = kColorBlack;
    bool alphaShown_ = true;
    Part dragging_ = Part::None;
    TLineEdit* hex_;
};

class TColourSwatch : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TColourSwatch(QWidget* parent = nullptr);
    ~TColourSwatch() override;
    QWidget* widget() override { return this; }

    TAlphaColor colour() const { return colour_; }
    // Shows a colour (and gives it to the open picker); raises nothing.
    void setColour(TAlphaColor c);
    void setAlphaShown(bool shown) { alphaShown_ = shown; }

    bool isPickerOpen() const { return popup_ != nullptr; }
    void showPicker();
    void hidePicker();
    // The open picker, or null.
    TColourPicker* picker() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // Every change made in the picker.
    void colourChanged(TAlphaColor colour);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void hideEvent(QHideEvent*) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    TAlphaColor colour_ = kColorWhite;
    bool alphaShown_ = true;
    QPointer<QWidget> popup_;
};

} // namespace pv
