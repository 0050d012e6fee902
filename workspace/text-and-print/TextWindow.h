#pragma once
// The "Add text/watermark" window: the text, its font family, size, bold and
// italic, colour and drop shadow, the watermark's file, and Cancel and
// Apply. It edits the canvas tool's state; the main window commits.

#include "platform/widgets/FloatingPanel.h"

#include <QStringList>
#include <QTimer>

#include <functional>

class QScrollArea;

namespace pv {

class TButton;
class TColourPicker;
class TItemList;
class TLabel;
class TLineEdit;
class TNumberBox;
class TSwitch;
class TTextTool;

class TTextWindow : public TFloatingPanel {
    Q_OBJECT
public:
    TTextWindow(QWidget* parent, TTextTool& tool);
    ~TTextWindow() override;

    // "Apply text/watermark" (the main window commits and hides the window).
    std::function<void()> OnApply;
    // "Cancel" and the close box.
    std::function<void()> OnCancel;
    // "Load watermark...".
    std::function<void()> OnLoadWatermark;
    // The installed font families; the system's unless replaced.
    std::function<QStringList()> InstalledFamilies;

    // Shows the window (placing the text when the box holds some).
    void ShowWindow();
    void ActivateTextTool();
    void PopulateFontListBox();
    void TextToolEditChangeTracking();
    void FontListBoxChange(int index);
    void NumberBox1ChangeTracking();
    void NumberBox1KeyUp();
    void BoldClick();
    void ItalicClick();
    void ShadowCheckBoxClick();
    void SetShadowChecked(bool Value);
    void FontColorClick();
    void ColorPanel1Change();
    void FontColorTimerTimer();
    void StartPulse();
    void FTextBoxPulseTimerTimer();
    // A handle resized the text: the size box follows without feeding back.
    void ShowTextSize(float size);
    // Esc in the text box: the text tool ends, the watermark stays.
    void EscapeInTextBox();
    bool TextBoxHasFocus() const;

    TLineEdit* TextToolEdit = nullptr;
    TItemList* FontListBox = nullptr;
    QScrollArea* FontListScroll = nullptr;
    TNumberBox* NumberBox1 = nullptr;
    TLabel* Bold = nullptr;
    TLabel* Italic = nullptr;
    TLabel* FontColor = nullptr;
    QWidget* Rectangle4 = nullptr; // the pulsing bar under the colour letter
    QWidget* FontColorRect = nullptr;
    TColourPicker* ColorPanel1 = nullptr;
    TSwitch* ShadowCheckBox = nullptr;
    TButton* LoadWatermarkBtn = nullptr;
    TButton* CancelTextButton = nullptr;
    TButton* ApplyTextButton = nullptr;
    QTimer FontColorTimer;
    QTimer FTextBoxPulseTimer;
    float FOpacityTarget = 1;
    double PulseOpacity() const;

private:
    void ApplyStyleLook();
    // The style icons in their state's colour: "on" or "off".
    void ShowStyleColours();
    void ShowFamilyInTextBox();

    TTextTool& tool_;
    bool bold_ = false, italic_ = false;
};

} // namespace pv
