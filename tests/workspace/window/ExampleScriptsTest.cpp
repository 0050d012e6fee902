// Every built-in example script runs to its end on a small photograph-like
// picture with the window's own context: each command, effect and service it
// names exists and works together.

#include "FormFixture.h"

#include "scripts/ScriptEngine.h"
#include "scripts/ScriptParser.h"
#include "scripts/ScriptLibrary.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

ISkImage Photo(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(40 + x * 180 / w, 60 + y * 150 / h, (x * y) % 200 + 30));
    return SkImage::MakeFromRaster(std::move(img));
}

TEST(ExampleScripts, EveryBuiltInScriptRunsToItsEnd)
{
    test::RecordingForm form;
    form.InitializeParameters();
    const ISkImage photo = Photo(96, 72);
    form.FSkImage = photo;
    form.FSkSourceImage = photo;
    const TScriptContext context = form.BuildScriptContext();

    const std::vector<TScriptEntry> scripts = LoadEmbeddedScripts();
    ASSERT_EQ(scripts.size(), 15u);
    for (const TScriptEntry& script : scripts) {
        std::vector<TScriptCommand> commands;
        QStringList errors;
        ASSERT_TRUE(ParseScript(SplitScriptLines(script.Text), commands, errors)) << script.Name.toStdString();
        TScriptEngine engine;
        QString error;
        const ISkImage result = engine.Run(commands, photo, photo, context, error);
        ASSERT_NE(result, nullptr) << script.Name.toStdString() << ": " << error.toStdString();
        EXPECT_TRUE(error.isEmpty()) << script.Name.toStdString();
        EXPECT_NE(result->qimage().convertToFormat(QImage::Format_ARGB32),
                  photo->qimage().convertToFormat(QImage::Format_ARGB32))
            << script.Name.toStdString() << " left the picture as it was";
    }
    EXPECT_TRUE(form.messages.empty());
}

} // namespace
} // namespace pv
