#pragma once
// A number field: the value typed as text (regional decimal separator) or
// stepped with the arrow keys, the wheel while it has the focus, and the
// optional "-" and "+" buttons inside the box; always held in its range.

#include "platform/widgets/LineEdit.h"

#include <optional>

class QTimer;

namespace pv {

// The arithmetic of a number box, apart from any widget.
struct TNumberFormat {
    double minimum = 0;
    double maximum = 100;
    int decimals = 0; // 0: whole numbers

    // v rounded to the decimals and held in the range (not-a-number gives the minimum).
    double clamp(double v) const;
    // The text shown for a value: no trailing zeros, the regional separator.
    QString format(double v) const;
    // A typed text as a number, not yet clamped; nothing when it is not one.
    static std::optional<double> parse(const QString& text);
};

class TNumberBox : public TLineEdit {
    Q_OBJECT
public:
    explicit TNumberBox(QWidget* parent = nullptr);

    const TNumberFormat& numberFormat() const { return format_; }
    // The current value is clamped into the new range (raising valueChanged when it moves).
    void setRange(double minimum, double maximum);
    void setDecimals(int decimals);
    double step() const { return step_; }
    void setStep(double step) { step_ = step; }
    // Shows "-" and "+" buttons at the ends of the box.
    void setStepButtons(bool shown);
    bool hasStepButtons() const { return stepButtons_; }

    double value() const { return value_; }
    int intValue() const;
    // Clamps, shows the value's text and raises valueChanged when the value moved.
    void setValue(double value);
    // What the typed text stands for (not clamped), or the value when the text is
    // not a number: what panels read while the user is still typing.
    double textValue() const;
    // Takes the typed text as the value (Enter and leaving the field do this).
    void commitText();
    // Moves the value by steps × step from what the text shows.
    void stepBy(int steps);

    QSize sizeHint() const override;

Q_SIGNALS:
    // Every change of the value, by the user or by the program.
    void valueChanged(double value);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent*) override;
    void wheelEvent(QWheelEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // -1 the "-" button, +1 the "+" button, 0 elsewhere.
    int buttonAt(QPointF p) const;
    int buttonWidth() const;

    TNumberFormat format_;
    double value_ = 0;
    double step_ = 1;
    bool stepButtons_ = false;
    int hoveredButton_ = 0;
    int heldButton_ = 0;
    QTimer* repeat_;
};

} // namespace pv
