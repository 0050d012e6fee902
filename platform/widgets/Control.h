#pragma once
// What every custom-painted control of the program shares, so that walks over
// a window's control tree can reach all of them the same way:
//  - design colours in named slots, each marked by how the theme maps it
//    (the theme walk shows every design colour in the current theme);
//  - the English text a control was given, kept apart from the text it shows
//    (the translation walk shows a translation of the English one);
//  - sizes in design units, multiplied by the interface zoom (Dp).

#include "platform/graphics/SkTypes.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <vector>

class QMetaMethod;
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

// How a design colour (the dark theme's) becomes the current theme's. The
// theme service installs these; until then every control shows its design.
struct TThemeHooks {
    bool (*isLight)() = nullptr;
    TAlphaColor (*fillTo)(TAlphaColor design, bool toLight) = nullptr;
    TAlphaColor (*textTo)(TAlphaColor design, bool toLight) = nullptr;
};
void SetThemeHooks(const TThemeHooks& hooks);
bool ControlsLight();

// The translation of an English interface text into the current language,
// installed by the translation service; without one texts stay English.
using TTranslateHook = QString (*)(const QString& english);
void SetTranslateHook(TTranslateHook hook);
QString TranslateForDisplay(const QString& english);

class TControl {
public:
    // Fill: fills and strokes, through the palette. Text: texts, through the
    // text greys. Icon: an icon's override colour, which only the primary
    // text grey follows. Styled: a pair the style gives (dark, light).
    // Fixed: the same in both themes.
    enum class ColourKind { Fill, Text, Icon, Styled, Fixed };
    struct ColourSlot {
        const char* role; // "fill", "stroke", "font", "icon", "hover", ...
        ColourKind kind;
        TAlphaColor design;      // as designed, for the dark theme
        TAlphaColor lightDesign; // Styled slots: the light theme's colour
        TAlphaColor value;       // as shown in the current theme
    };
    // The colour a slot shows in a theme.
    static TAlphaColor ThemeColour(ColourKind kind, TAlphaColor design, TAlphaColor lightDesign, bool light);

    virtual ~TControl() = default;

    // The control as a widget (every control is one).
    virtual QWidget* widget() = 0;

    // ---- colours
    const std::vector<ColourSlot>& colourSlots() const { return colours_; }
    // The colour shown now, and the design colour behind it.
    TAlphaColor colour(const char* role) const;
    TAlphaColor designColour(const char* role) const;
    QColor qcolour(const char* role) const { return ToQColor(colour(role)); }
    // Sets a slot's design colour (the dark theme's; a slot that does not
    // exist yet is added as a fill colour) and shows it in the current theme.
    // A light palette colour passed while the light theme is on is taken as
    // the mapped form of its dark partner.
    void setColour(const char* role, TAlphaColor design);
    // Gives a slot (added when missing) a colour of its own in each theme.
    void setStyledColour(const char* role, TAlphaColor dark, TAlphaColor light);
    // The theme walk: every slot shows its design colour in the given theme,
    // then the control repaints. Switching back and forth never drifts.
    void applyTheme(bool light);
    // Controls whose colours a theme walk must leave alone (switch thumbs, theme icons).
    bool themeWalkSkip() const { return themeWalkSkip_; }
    void setThemeWalkSkip(bool skip) { themeWalkSkip_ = skip; }

    // ---- text
    // The English text (what translations are looked up by) and the shown one.
    const QString& sourceText() const { return sourceText_; }
    const QString& text() const { return text_; }
    // Sets the English text and shows it in the current language.
    void setText(const QString& english);
    // Shows another text (a translation) and keeps the English one.
    void setDisplayText(const QString& shown);
    // Whether the translation walk re-texts this control (captions yes; texts
    // the user typed or numbers no).
    bool translatable() const { return translatable_; }
    void setTranslatable(bool on) { translatable_ = on; }
    // Further English texts the control shows (list items); the walk shows
    // translation(i) for each. Controls with none return 0.
    virtual int itemTextCount() const { return 0; }
    virtual QString itemSourceText(int) const { return {}; }
    virtual void setItemDisplayText(int, const QString&) {}

    // ---- text fitting
    // The pixel size the font had before any fitting (0 until recorded).
    double fittedDesignSize() const { return fittedDesignSize_; }
    void setFittedDesignSize(double pixels) { fittedDesignSize_ = pixels; }
    // Shows the text in this pixel size (fractions round to whole pixels);
    // wrap lets a caption break into lines.
    virtual void setFittedFont(double pixels, bool wrap);

    // True while the control has the focus and got it from the keyboard: only
    // then is a focus mark drawn (a click gives no ring).
    bool keyboardFocus() const { return keyboardFocus_; }

    // A "clicked" (or an expander's "headerClicked") is connected: keyboard
    // navigation makes such controls stops.
    bool hasClickHandler() const { return clickHandlers_ > 0; }

protected:
    // Called from focusInEvent / focusOutEvent.
    void noteFocus(bool in, Qt::FocusReason reason = Qt::OtherFocusReason);
    // Called from connectNotify / disconnectNotify with +1 / -1.
    void noteConnection(const QMetaMethod& signal, int delta);
    void addColour(const char* role, ColourKind kind, TAlphaColor design);
    // A colour the style gives in both themes.
    void addStyledColour(const char* role, TAlphaColor dark, TAlphaColor light);
    virtual void coloursChanged();
    virtual void textChanged();

private:
    std::vector<ColourSlot> colours_;
    QString sourceText_, text_;
    double fittedDesignSize_ = 0;
    bool themeWalkSkip_ = false;
    bool translatable_ = true;
    bool keyboardFocus_ = false;
    int clickHandlers_ = 0;
};

// The controls under (and including) root, in child order.
std::vector<TControl*> ControlsUnder(QWidget* root);

} // namespace pv
