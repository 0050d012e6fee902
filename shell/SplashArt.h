#pragma once
// The splash picture, drawn by the program itself: a dark rounded card with
// a soft shadow, two swirls of paint, the name as a word mark with the
// edition word under it, and the version. Its parts fade in over the first
// seconds and the whole picture fades out before the hand-over; the about
// box shows it at rest, fully opaque.

#include <QImage>
#include <QSize>
#include <QString>

class QPainter;

namespace pv {

// The design size of the picture (design units).
inline constexpr int kSplashSize = 512;
// When the main window takes over (milliseconds after the splash appears).
inline constexpr int kSplashHandOverMs = 5500;
// A moment at which every part is in and nothing has begun to fade.
inline constexpr double kSplashRestSeconds = 4.0;

// How the parts look at a time (seconds since the splash appeared).
struct TSplashLook {
    double whole = 1;          // the whole picture: 1, then out from 4 s over 1.5 s
    double logo = 0;           // the word mark: in from 0.1 s over 3.5 s
    double version = 0;        // the version: in from 1.1 s over 2.5 s
    double versionShadow = 0;  // its shadow: to 0.85 over the same time
    double backSwirl = 0.4;    // the back swirl: 0.4 to 1 from 0.5 s over 2 s
    double backShadow = 0;     // its shadow: to 0.8 over the same time
    double glowSoftness = 2;   // the top swirl's glow: 2 to 0 over 2.5 s
};
TSplashLook SplashLookAt(double seconds);

// The pictures, made once per pixel scale (pixels per design unit).
class TSplashArt {
public:
    explicit TSplashArt(double scale = 1.0);
    double scale() const { return scale_; }
    const QImage& Card() const { return card_; }        // 512 x 512 with its shadow
    const QImage& BackSwirl() const { return back_; }   // 234 x 213
    const QImage& TopSwirl() const { return top_; }     // 234 x 213
    const QImage& Logo() const { return logo_; }        // the word mark, 1500 x 220 units of its own
    const QImage& EditionWord() const { return edition_; } // 90 x 26
    // Draws the picture into the 512 x 512 square at the painter's origin
    // (design units: the painter is scaled by the caller).
    void Paint(QPainter& painter, const TSplashLook& look, const QString& version) const;

private:
    double scale_;
    QImage card_, back_, backShadow_, top_, topGlow_, logo_, edition_;
};

} // namespace pv
