#include "workspace/scripting/ScriptHelp.h"

#include "FormFixture.h"
#include "workspace/scripting/ScriptEditor.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include <gtest/gtest.h>

namespace pv {
namespace {

QStringList HelpLines() { return BuildHelpText().split(u'\n'); }

TEST(ScriptHelpText, QuickIndexLeadsToEachCommandsEntry)
{
    const QStringList lines = HelpLines();
    EXPECT_EQ(lines[0], QStringLiteral("PELANDROVIUM SCRIPT REFERENCE"));
    EXPECT_EQ(lines[3], QStringLiteral("QUICK INDEX  (click a command to jump)"));
    EXPECT_EQ(lines[5], QStringLiteral("BLEND         CLEAR         CONTOUR"));
    EXPECT_EQ(lines[10], QStringLiteral("TEXT          TEXTURE       WATERMARK"));
    EXPECT_EQ(lines.size(), HelpSourceText().split(u'\n').size() + 10);

    const std::vector<THelpIndexHotspot> spots = HelpIndexHotspots(lines);
    ASSERT_EQ(spots.size(), 18u);
    const auto target = [&](const char* name) -> QString {
        for (const THelpIndexHotspot& h : spots)
            if (lines[h.LineIndex].mid(h.StartCol, h.Len) == QLatin1String(name))
                return h.TargetLine >= 0 ? lines[h.TargetLine] : QString();
        return QStringLiteral("(no such name)");
    };
    EXPECT_EQ(target("BLEND"), QStringLiteral("BLEND <slot> <opacity> [<mode>]"));
    EXPECT_EQ(target("EFFECT"), QStringLiteral("EFFECT <id> <P1> <P2> <P3> <P4> <P5>"));
    EXPECT_EQ(target("TEXT"), QStringLiteral("TEXT"));
    EXPECT_EQ(target("TEXTURE"), QStringLiteral("TEXTURE"));
    EXPECT_EQ(target("RESIZE"), QStringLiteral("RESIZE"));
    EXPECT_EQ(target("WATERMARK"), QStringLiteral("WATERMARK <x> <y> '<image file>' [width=<w>] [alpha=<a>]"));
    EXPECT_EQ(target("LUT_FILE"), QStringLiteral("LUT_FILE <filepath>"));
    for (const THelpIndexHotspot& h : spots)
        EXPECT_GE(h.TargetLine, 0) << lines[h.LineIndex].mid(h.StartCol, h.Len).toStdString();
}

TEST(ScriptHelpText, LinesAreColouredByKind)
{
    const QStringList lines = {"TEXT", "----", "  # This is a comment", "  P1..P5   the five slider values (0-100)",
                               "  Example:  TEXT 50% 98% 'My Art'", "FONT <name> <size>", "A script is a list", "",
                               "All colors use #AARRGGBB hex format:"};
    const THelpLineKind kinds[] = {THelpLineKind::Heading, THelpLineKind::Heading, THelpLineKind::Comment,
                                   THelpLineKind::Text,    THelpLineKind::Example, THelpLineKind::Command,
                                   THelpLineKind::Text,    THelpLineKind::Blank,   THelpLineKind::Text};
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_EQ(ClassifyHelpLine(lines, i), kinds[i]) << lines[i].toStdString();
    EXPECT_EQ(HelpColours(true).comment, 0xFF1E7A1Eu);
    EXPECT_EQ(HelpColours(false).command, 0xFF44BBFFu);
}

TEST(ScriptHelpCube, StaysInsideItsBoxAndTheMemo)
{
    TCubePhases phases;
    for (int step = 0; step < 400; ++step) {
        AdvanceCube(phases, 0.1f);
        phases.posZ = 0.5f; // the largest cube
        for (const TCubeEdge& e : CubeEdges(phases, {80, 80}))
            for (const QPointF p : {e.a, e.b}) {
                EXPECT_GE(p.x(), 0);
                EXPECT_LE(p.x(), kCubeBox);
                EXPECT_GE(p.y(), 0);
                EXPECT_LE(p.y(), kCubeBox);
            }
        const QPointF at = CubeBoxPosition(phases, {500, 400}, {160, 160});
        EXPECT_GE(at.x(), 0);
        EXPECT_LE(at.x(), 340);
        EXPECT_LE(at.y(), 240);
        // A memo narrower than the box keeps it at the left.
        EXPECT_EQ(CubeBoxPosition(phases, {100, 400}, {160, 160}).x(), 0);
    }
    const std::array<TCubeEdge, 12> edges = CubeEdges(phases, {80, 80});
    EXPECT_TRUE(std::is_sorted(edges.begin(), edges.end(),
                               [](const TCubeEdge& a, const TCubeEdge& b) { return a.depth > b.depth; }));
    // Steps follow elapsed time, capped, and the first counts 50 ms.
    EXPECT_FLOAT_EQ(CubeTickSeconds(5000, 0), 0.05f);
    EXPECT_FLOAT_EQ(CubeTickSeconds(5030, 5000), 0.03f);
    EXPECT_FLOAT_EQ(CubeTickSeconds(9000, 5000), 0.1f);
    EXPECT_FLOAT_EQ(CubeTickSeconds(10, 0xFFFFFFF0u), 0.026f);
    EXPECT_EQ(CubeBaseColour(0), 0xFF00CFFFu);
    EXPECT_EQ(CubeBaseColour(1.0f / 3), 0xFF00FF88u);
    EXPECT_EQ(ShadeColor(0xFF808080u, 0.5f, 0.5f), 0x80404040u);
}

class ScriptHelpPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(829, 777);
        panel = new TScriptHelpPanel(&host);
        host.show();
    }
    // Clicks the index name on the panel's memo.
    void ClickIndex(const char* name)
    {
        for (const THelpIndexHotspot& h : panel->FIndexHotspots) {
            QTextBlock block = panel->MemoHelp->document()->findBlockByNumber(h.LineIndex);
            if (block.text().mid(h.StartCol, h.Len) != QLatin1String(name))
                continue;
            QTextCursor c(block);
            c.setPosition(block.position() + h.StartCol + 1);
            const QPoint at = panel->MemoHelp->cursorRect(c).center();
            test::SendMouse(panel->MemoHelp->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
            return;
        }
        FAIL() << name;
    }
    QWidget host;
    TScriptHelpPanel* panel = nullptr;
};

TEST_F(ScriptHelpPanelTest, IndexJumpsScrollTheEntryToTheTop)
{
    panel->Toggle();
    ASSERT_TRUE(panel->isVisible());
    QCoreApplication::processEvents();
    const QStringList lines = HelpLines();
    ClickIndex("WATERMARK");
    EXPECT_EQ(lines[panel->FirstVisibleLine()],
              QStringLiteral("WATERMARK <x> <y> '<image file>' [width=<w>] [alpha=<a>]"));
    EXPECT_TRUE(panel->BtnScrollTop->isVisible());
    ClickIndex("TEXT");
    // The index is scrolled away; back to the top first.
    EXPECT_NE(lines[panel->FirstVisibleLine()], QStringLiteral("TEXT"));
    panel->BtnScrollTopClick();
    EXPECT_EQ(panel->FirstVisibleLine(), 0);
    EXPECT_FALSE(panel->BtnScrollTop->isVisible());
    ClickIndex("TEXT");
    EXPECT_EQ(lines[panel->FirstVisibleLine()], QStringLiteral("TEXT"));
    // A second toggle hides; the third shows the laid-out text at once.
    panel->Toggle();
    EXPECT_FALSE(panel->isVisible());
    panel->Toggle();
    EXPECT_EQ(panel->MemoHelp->toPlainText(), BuildHelpText());
}

TEST_F(ScriptHelpPanelTest, IndexJumpsLandOnTheEntryWhenLinesAboveItWrap)
{
    panel->Toggle();
    // A narrower view (another interface size, a wider face) wraps long lines.
    panel->MemoHelp->resize(DpI(300), panel->MemoHelp->height());
    QCoreApplication::processEvents();
    const QStringList lines = HelpLines();
    QScrollBar* bar = panel->MemoHelp->verticalScrollBar();
    for (const char* name : {"WATERMARK", "LUT_FILE", "SWAP"}) {
        panel->BtnScrollTopClick();
        ClickIndex(name);
        const int top = panel->FirstVisibleLine();
        EXPECT_TRUE(lines[top].startsWith(QLatin1String(name))) << name << ": " << lines[top].toStdString();
        // The entry's first laid-out line is the view's top line.
        EXPECT_EQ(bar->value(), panel->MemoHelp->document()->findBlockByNumber(top).firstLineNumber()) << name;
        EXPECT_GT(bar->value(), top) << name << ": lines above it wrap";
    }
}

TEST(ScriptEditorDecorations, HelpIconAndCubeFollowTheEditor)
{
    QWidget owner;
    TFormScriptEditor editor(&owner);
    editor.show();
    QCoreApplication::processEvents();
    editor.StartCubeAnimation();
    EXPECT_TRUE(editor.FCubePaintBox->IsRunning());
    editor.SkSvg1Click();
    EXPECT_TRUE(editor.MemoScriptHelp->isVisible());
    // A click into the script closes the reference.
    test::SendMouse(editor.MemoScript->viewport(), QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton,
                    Qt::LeftButton);
    EXPECT_FALSE(editor.MemoScriptHelp->isVisible());
    // No cube during a run.
    editor.FRunning = true;
    editor.StopCubeAnimation();
    editor.StartCubeAnimation();
    EXPECT_FALSE(editor.FCubePaintBox->IsRunning());
    editor.FRunning = false;
    editor.close();
    editor.StartCubeAnimation();
    EXPECT_FALSE(editor.FCubePaintBox->IsRunning());
}

} // namespace
} // namespace pv
