#pragma once
// What every custom-painted control of the program shares, so that walks over
// a window's control tree can reach all of them the same way:
//  - design colours in named slots, each marked as a fill/stroke colour or a
//    text/icon colour (the theme walk remaps them in place and repaints);
//  - the English text a control was given, kept apart from the text it shows
//    (the translation walk shows a translation of the English one);
//  - sizes in design units, multiplied by the interface zoom (Dp).

#include "platform/graphics/SkTypes.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <vector>

class QWidget;

namespace pv {

// The interface zoom (1 = designed size) and a design length at that zoom.
double UiZoom();
void SetUiZoom(double zoom);
inline double Dp(double designUnits) { return designUnits * UiZoom(); }
inline int DpI(double designUnits) { return int(designUnits * UiZoom() + 0.5); }

// The program's interface font at a design pixel size.
QFont InterFont(double designPixelSize, int weight = QFont::Normal);

inline QColor ToQColor(TAlphaColor c) { return QColor::fromRgba(c); }

class TControl {
public:
    enum class ColourKind { Fill, Text };
    struct ColourSlot {
        const char* role; // "fill", "stroke", "font", "icon", "hover", ...
        ColourKind kind;
        TAlphaColor value;
    };

    virtual ~TControl() = default;

    // The control as a widget (every control is one).
    virtual QWidget* widget() = 0;

    // ---- colours
    const std::vector<ColourSlot>& colourSlots() const { return colours_; }
    TAlphaColor colour(const char* role) const;
    QColor qcolour(const char* role) const { return ToQColor(colour(role)); }
    // Sets an existing slot (or adds one) and repaints.
    void setColour(const char* role, TAlphaColor value);
    // The theme walk: every slot through the mapping of its kind, then a repaint.
    template <class FillMap, class TextMap>
    void remapColours(FillMap fillMap, TextMap textMap)
    {
        for (ColourSlot& s : colours_)
            s.value = s.kind == ColourKind::Fill ? fillMap(s.value) : textMap(s.value);
        coloursChanged();
    }
    // Controls whose colours a theme walk must leave alone (switch thumbs, theme icons).
    bool themeWalkSkip() const { return themeWalkSkip_; }
    void setThemeWalkSkip(bool skip) { themeWalkSkip_ = skip; }

    // ---- text
    // The English text (what translations are looked up by) and the shown one.
    const QString& sourceText() const { return sourceText_; }
    const QString& text() const { return text_; }
    // Sets the English text and shows it.
    void setText(const QString& english);
    // Shows another text (a translation) and keeps the English one.
    void setDisplayText(const QString& shown);

    // True while the control has the focus and got it from the keyboard: only
    // then is a focus mark drawn (a click gives no ring).
    bool keyboardFocus() const { return keyboardFocus_; }

protected:
    // Called from focusInEvent / focusOutEvent.
    void noteFocus(bool in, Qt::FocusReason reason = Qt::OtherFocusReason);
    void addColour(const char* role, ColourKind kind, TAlphaColor value);
    virtual void coloursChanged();
    virtual void textChanged();

private:
    std::vector<ColourSlot> colours_;
    QString sourceText_, text_;
    bool themeWalkSkip_ = false;
    bool keyboardFocus_ = false;
};

// The controls under (and including) root, in child order.
std::vector<TControl*> ControlsUnder(QWidget* root);

} // namespace pv
