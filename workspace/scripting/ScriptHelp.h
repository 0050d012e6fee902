#pragma once
// What the script editor shows besides the script: the language reference
// (a read-only view coloured by line kind, with a quick index of commands
// that jumps to their entries and a button back to the top) and the wire
// cube that drifts over the script while no run is in progress.

#include "platform/graphics/SkTypes.h"
#include "platform/widgets/RoundedPanel.h"

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <vector>

class QPlainTextEdit;

namespace pv {

class TButton;
class THelpHighlighter;

// ---- the reference text

// The reference as built into the program (title, underline, then the sections).
const QString& HelpSourceText();
// What the panel shows: the title and its underline, the quick index, then
// the rest of the source.
QString BuildHelpText();

// A name of the quick index: where it stands and the line it leads to.
struct THelpIndexHotspot {
    int LineIndex = 0;
    int StartCol = 0;
    int Len = 0;
    int TargetLine = -1;
};
// The 18 names of the quick index in the displayed text's lines.
std::vector<THelpIndexHotspot> HelpIndexHotspots(const QStringList& lines);
// A line that starts a command's entry or section: not empty, not indented,
// the name itself or the name followed by a blank.
bool IsHelpSectionLine(const QString& line, const QString& name);

enum class THelpLineKind { Blank, Heading, Comment, Example, Text, Command };
// How line i is coloured (bold for headings and commands).
THelpLineKind ClassifyHelpLine(const QStringList& lines, int i);
struct THelpColours {
    TAlphaColor text, heading, comment, command, example;
};
THelpColours HelpColours(bool light);

// ---- the cube

struct TCubePhases {
    float rotY = 0, rotX = 0, posX = 0, posY = 0, posZ = 0, colour = 0; // each 0..1
};
constexpr int kCubeBox = 160;
// Advances the phases by dt seconds, each wrapped to [0, 1).
void AdvanceCube(TCubePhases& phases, float dt);
// The seconds a timer tick covers: the time since the last one (at most
// 0.1 s, compared as unsigned), or 0.05 for the first.
float CubeTickSeconds(uint32_t nowMs, uint32_t lastMs);
// Where the cube's box stands over a memo of that size.
QPointF CubeBoxPosition(const TCubePhases& phases, QSizeF memo, QSizeF box);
struct TCubeEdge {
    QPointF a, b;
    float depth = 0;
};
// The twelve edges projected around centre, farthest first.
std::array<TCubeEdge, 12> CubeEdges(const TCubePhases& phases, QPointF centre);
// The colour of the cycle at a phase (cyan, green, orange and back).
TAlphaColor CubeBaseColour(float phase);
// R, G and B times factor, alpha from 0..1.
TAlphaColor ShadeColor(TAlphaColor c, float factor, float alpha);

// The wire cube over the script memo (mouse passes through).
class TCubeView : public QWidget {
    Q_OBJECT
public:
    explicit TCubeView(QWidget* memo);
    void Start();
    void Stop();
    void Tick();
    bool IsRunning() const { return timer_.isActive(); }
    TCubePhases phases;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QTimer timer_;
    uint32_t lastMs_ = 0;
};

// The reference panel of the script editor.
class TScriptHelpPanel : public TRoundedPanel {
    Q_OBJECT
public:
    explicit TScriptHelpPanel(QWidget* parent);
    ~TScriptHelpPanel() override;

    // Shows or hides the panel; the text is laid out on first show.
    void Toggle();
    // Puts the line at the top of the view.
    void ScrollHelpToLine(int Line);
    void BtnScrollTopClick();
    // Colours for the theme.
    void ApplyTheme(bool light);

    QPlainTextEdit* MemoHelp = nullptr;
    TButton* BtnCloseScriptHelp = nullptr;
    TRoundedPanel* BtnScrollTop = nullptr;
    std::vector<THelpIndexHotspot> FIndexHotspots;
    // The index hotspot under a point of the memo's viewport, or null.
    const THelpIndexHotspot* HotspotAt(QPoint viewportPos) const;
    int FirstVisibleLine() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LayOut();
    void MemoHelpViewportPositionChange();

    THelpHighlighter* highlighter_ = nullptr;
    bool laidOut_ = false;
};

} // namespace pv
