#pragma once
// What the main-window tests share: the window with its message boxes
// recorded, small pictures, waiting for the event loop, and synthetic mouse
// input.

#include "engine/EffectWorker.h"
#include "engine/Workers.h"
#include "platform/graphics/SkImage.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/window/MainWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <vector>

namespace pv::test {

// The main window with its message boxes and questions recorded instead of shown.
class RecordingForm : public TForm1 {
public:
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    bool ConfirmYesNo(const QString& question) override
    {
        questions.push_back(question);
        return answer;
    }
    std::vector<QString> messages, questions;
    bool answer = true; // the user's answer to every question
};

inline ISkImage FlatPicture(int w, int h, uint32_t pixel = 0xFF808080u)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(pixel);
    return SkImage::MakeFromRaster(std::move(img));
}

// Opens a flat w x h picture as the user would (through a file).
inline bool OpenFlatPicture(TForm1& form, int w, int h, uint32_t pixel = 0xFF808080u)
{
    static QTemporaryDir dir;
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(pixel);
    const QString path = dir.filePath(QStringLiteral("flat-%1x%2-%3.png").arg(w).arg(h).arg(pixel, 8, 16));
    return img.save(path) && LoadLargeImage(form.FilesView(), path);
}

inline void WaitUntil(const std::function<bool()>& done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Shows the window, lets its start-up finish and takes it out of the start-up
// maximise, so it keeps the sizes a test gives it.
inline void ShowRestored(RecordingForm& form)
{
    form.show();
    WaitUntil([&] { return !form.InitializationTimer.isActive(); });
    form.MaxButtonClick();
}

inline void WaitForEffectWorkers()
{
    WaitUntil([] { return RunningWorkers() == 0; });
    QCoreApplication::processEvents();
}

inline void SendMouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace pv::test
