#pragma once
// The splash window: the first window of the program, a borderless square on
// top of everything, centred on the screen, showing the splash picture while
// the main window is built. After 5.5 seconds it hands over: the main window
// is shown in the foreground and the splash hides. A click, Esc or the loss
// of the focus hides it earlier; the hand-over still comes on time, because
// its timer keeps running while the splash is hidden.

#include "shell/SplashArt.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace pv {

// Registers "Inter-Regular.ttf" from the program's folder when it lies there
// (the installed Inter serves otherwise); a file that cannot be registered
// is reported in a message box and start-up goes on.
void RegisterInterFont();

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // Shows the main window (bound by the program's start).
    std::function<void()> OnHandOver;
    // Binds OnHandOver; when the hand-over time has already passed (a message
    // box held the start past it), hands over at once.
    void BindHandOver(std::function<void()> handOver);
    // Seconds since the splash appeared, for the animation; tests replace it.
    std::function<double()> Clock;

    // The hand-over timer (5.5 s, single shot, started with the splash).
    QTimer Timer1;
    bool FIsInitialSplash = false;

    void Timer1Timer();
    // The picture as it is drawn now, at the window's size.
    QImage Grab();

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    const TSplashArt& Art();

    std::unique_ptr<TSplashArt> art_;
    QElapsedTimer shown_;
    QTimer frames_;
    bool wasActive_ = false;
    bool handOverDue_ = false;
};

} // namespace pv
