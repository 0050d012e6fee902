#pragma once
// The main window: the hub of the workspace. Its fields hold the two pictures
// every tool works on, the image history, the parameter table, the state of
// the running work and the choices later runs reuse; it is also what the
// effect engine reads and writes while effects run.

#include "engine/EngineHost.h"
#include "engine/EffectParameters.h"
#include "platform/widgets/DesignColours.h"

#include <QColor>
#include <QImage>
#include <QMainWindow>
#include <QPointF>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QScrollArea;
class QVBoxLayout;

namespace pv {

class TImageHistory;
class TBatchMode;
class TFormScriptEditor;
struct TScriptContext;
class TImageFilesView;
class TMainWindowFiles;
class CanvasView;
class TButton;
class TCaptionedSlider;
class TDropZone;
class TExpander;
class TIconButton;
class TItemList;
class TLabel;
class TPreviewImage;
class TProgressBar;
class TRoundedPanel;
class TSlider;
class TSvgIcon;
class TCropTool;
class TColourPicker;
class TFloatingPanel;
class TCloseBox;
class TSwitch;
class TOverlayHost;
class TGalleryPanel;
class TWindowKeyFilter;
class TUpdateCheck;
class TPrintWindow;
class TWindowChrome;
class TTextTool;
class TTextWindow;
class TFocusRing;
class TMarqueeGroup;
class TGalleryItems;
class TFrameManualBrush;
class TGalleryStrip;
class TGalleryContextMenu;
class TGalleryMagnifier;
struct TSavedSnapshotData;

class TForm1 : public QMainWindow, public TEngineHost {
    Q_OBJECT
public:
    using TParameters = pv::TParameters;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- background work
    bool IsEffectRunning() const;
    bool IsBackgroundWorkRunning() const;
    void HonorDeferredClose();
    void EndBackgroundWorker();

    // ---- engine host
    void UpdateProgressBar(int percent) override;
    void ShowPreviewBox(const ISkImage& snapshot, int percent) override;
    QSize PreviewBoxSize() const override;
    void SetPreviewBoxPicture(const ISkImage& picture) override;
    void RedrawCanvas() override;
    void CalculateBestFitAndCenter() override;
    void StopPreviewTimer() override;
    void ShowMessage(const QString& text) override;
    QString GetEffectName(int effectNumber) const override;
    TAlphaColor ThemeMapColor(TAlphaColor color) const override;
    bool IsDestroying() const override { return FDestroying; }
    void Close() override;
    QObject* QueuedCallContext() override { return this; }

    // ---- pictures and history
    std::unique_ptr<TImageHistory> History;
    bool FImageDirty = false;
    // The user has agreed to close while work ran: the close that waits for
    // that work asks nothing more (the cancelled run's picture is not theirs).
    bool FCloseConfirmed = false;
    // The window as the file commands (open, save, drop) see it.
    TImageFilesView& FilesView();
    void SpeedButton1Click(); // open
    void SpeedButton2Click(); // save
    void SpeedButton5Click(); // undo
    void SpeedButton6Click(); // redo
    void SpeedButton24Click(); // split view
    void SplitViewMIClick() { SpeedButton24Click(); }
    void DefaultImageButtonClick();
    // The hidden "Memory usage" button: the history's size into DebugLabel.
    void Button2Click();
    // The pressed look of a big button: 2 right and 2 down, its shadow
    // closer and lighter; the release puts both back exactly.
    void ButtonPressEffect(QWidget* AButton);
    void ButtonReleaseEffect(QWidget* AButton);
    QPointF FPressedButtonOriginalPos;
    QColor FPressedShadowColour;

    // ---- effect selection and parameters
    int SelectedEffectNumber = 300;
    TParameterTable Params{};
    // Writes every effect's defaults into Params.
    void InitializeParameters();
    // Shows the selected effect: captions, sliders, selection, accent bar.
    void UpdateListboxes(TItemList* LBox, int ItemIndex);
    void UpdateEffectAccent(TItemList* LBox, int AItemIndex);
    // An item of the list of category 1..5 was chosen.
    void ListBoxItemClick(int category, int index);
    void TrackBarTracking(int k);
    void ParamsLabelDblClick();
    void ParamLabelDblClick(int k);
    void ExpanderClick(int category);
    void ExpanderExpandedChanged(int category);
    void RepositionPictos();

    // ---- effect runs and previews
    void Button1Click();
    void UpdatePreviewTimerTimer();
    void UpdatePreviewButtonClick();
    void RequestEffectPreview();

    // ---- magnified preview box
    void DrawZoomedPreview();
    void Image1MouseDown(QPointF point);
    void Image1MouseMove(QPointF point, bool leftButtonHeld);
    void Image1MouseUp();
    void Image1MouseWheel(int wheelDelta);
    void zoominskvgClick();
    void zoomoutskvgClick();
    void PreviewZoomRectClick();
    void PreviewDebounceTimerTimer();

    // ---- running work
    int FBackgroundWorkers = 0;

    // ---- the drop zone on the empty canvas (DropZone.cpp)
    TDropZone* DropZoneRect = nullptr;
    void HideDropZone();
    // The "Browse files" link: the open dialog.
    void Label12Click();

    // ---- start-up
    // The program's command line; its first argument, when it names an
    // existing file (and is not a "-psn" process serial number), opens on
    // the window's first show.
    QStringList FCommandLine;
    bool FFirstShowDone = false;

    // ---- scripts (ScriptRuns.cpp) and batch processing (BatchProcessing.cpp)
    // The script editor, created on first use and kept until the window goes.
    TFormScriptEditor* FormScriptEditor = nullptr;
    // The resources a script run reads, copied for one run. UI thread.
    TScriptContext BuildScriptContext();
    // Starts a script run on the current pictures; returns at once.
    void RunScriptOnCurrentImage(const QString& AScriptText);
    void OnScriptEditorRun(QObject* Sender, const QString& AScriptText);
    void ShowScriptEditor();
    void CloseScriptEditorForDialog();
    // Shows the editor as an owned window of this one, in front and active.
    void LinkScriptEditorWindow();
    void UnlinkScriptEditorWindow();
    // Batch mode: choose files, confirm, process them one after another.
    void StartBatchMode();
    TBatchMode& Batch();

    // ---- lookup-table source of the LUT effect
    QString FLUTFilePath;
    QByteArray FLUTData;
    QString FLUTName;
    TLUTSource ChosenLUT() const override { return {FLUTFilePath, FLUTData, FLUTName}; }
    bool ChooseLutFile(const QString& path) override;
    bool ChooseEmbeddedLut(const QString& name) override;


    // ---- image tools (ImageTools.cpp): crop, rotate, resize, combine, the
    // overlay layer of the tool panels and the window's key routing
    TOverlayHost* layOverlayContainer = nullptr;
    TWindowKeyFilter* FKeyFilter = nullptr;
    std::unique_ptr<TCropTool> FCropTool;
    TRoundedPanel* Rectangle2 = nullptr; // "Crop"
    TRoundedPanel* Rectangle5 = nullptr; // "Resize"
    TRoundedPanel* Rectangle7 = nullptr; // "Rotate left"
    TRoundedPanel* Rectangle6 = nullptr; // "Rotate right"
    TLabel* ToolsLabel = nullptr;        // "TOOLS"
    TLabel* Label5 = nullptr;
    TLabel* Label6 = nullptr;
    TLabel* Label7 = nullptr;
    TLabel* Label8 = nullptr;
    // True while a picture-replacing command must wait (an effect or a script runs).
    bool PictureChangeRefused() const;
    bool IsCropActive() const;
    void Label5Click(); // start or cancel the crop
    void Check1Click(); // apply the crop
    void Cancel1Click(); // cancel the crop
    // Ends the crop without touching the pictures; the gallery strip returns.
    void EndCrop();
    void Label6Click(); // resize
    void Label7Click(); // rotate left
    void Label8Click(); // rotate right
    void ShowResizeFrame();
    void DoResizeImage(int NewWidth, int NewHeight);
    void CloseResizeFrame();
    void ShowCombineImagesFrame(const ISkImage& ABlendImage);
    void CombineMIClick();
    QWidget* ActiveOverlayFrame() const;
    void CloseOverlay();

    // ---- frames, textures, lookup tables, effect options, parameter files
    // and the automatic enhancement (FramePanelOpen.cpp, TexturePanelOpen.cpp,
    // LUTPanelOpen.cpp, EffectOptions.cpp, ParameterFilesOpen.cpp, AutoEnhance.cpp)
    void Label21Click(); // "Add a frame"
    void ShowFrameSelectorFrame();
    void OnFrameSelectorFrameSelected(const QImage& AFrameBitmap, int AMarginSize, TAlphaColor AMarginColor);
    void ApplySelectedFrame(int AMarginSize, TAlphaColor AMarginColor);
    void Label10Click(); // "Add texture"
    void ShowTextureSelectorFrame();
    void OnTextureSelectorFrameSelected(const QImage& ATextureBitmap, int AStrength, float AScale);
    void AddTextureSwitchClick();
    // Gives a frame or texture panel the window's close, message and file
    // hooks and shows it with the focus on its primary button (FrameAndTexturePanels.cpp).
    void ShowGalleryPanel(TGalleryPanel* APanel, std::function<QString()>& AAskFile, const char* AAskTitle,
                          QWidget* AFocus);
    void ShowLUTSelector();
    void OnLUTApplied(const QString& ALUTName, const QByteArray& ALUTData, const QString& AFilePath);
    void SelectLUTButtonClick();
    void LabelEnhanceClick(); // "Auto-enhance"
    bool FEnhanceRunning = false;
    void EraseBdSwitchClick();
    void ContourSwitchClick();
    void ShowContourColorWindow();
    void HideContourColorWindow();
    void PositionContourColorWindowNearSwitch();
    TAlphaColor ReadContourPanelColor() const;
    void ContourColorTimerTick();
    void TestBrushButtonClick();
    void ResetBrushesButtonClick();
    void UpdateBrushButtons();
    // Shows the options the selected effect uses (erase, contour, brushes, table).
    void UpdateEffectOptions();
    void SaveParameters(const QString& FileName);
    void LoadParameters(const QString& FileName);
    void SkSvg44Click(); // load parameters
    void SkSvg45Click(); // save parameters
    void ParamsLabelMouseMove();
    TRoundedPanel* Rectangle9 = nullptr;  // "Add texture"
    TLabel* Label10 = nullptr;
    TRoundedPanel* Rectangle14 = nullptr; // "Add a frame"
    TLabel* Label21 = nullptr;
    TRoundedPanel* RectangleEnhance = nullptr; // "Auto-enhance"
    TLabel* LabelEnhance = nullptr;
    TRoundedPanel* OptionsRect = nullptr;
    TSwitch* EraseBdSwitch = nullptr;
    TLabel* Label23 = nullptr; // "Erase background"
    TSwitch* AddTextureSwitch = nullptr;
    TLabel* Label38 = nullptr; // "Add texture"
    TSwitch* ContourSwitch = nullptr;
    TLabel* LabelContour = nullptr; // "Draw shape contours"
    TFloatingPanel* ContourColorWindow = nullptr;
    TColourPicker* ContourColorPanel = nullptr;
    QTimer FContourColorTimer;
    TRoundedPanel* LoadBrushesWindow = nullptr;
    TButton* TestBrushButton = nullptr;
    TButton* ResetBrushesButton = nullptr;
    TRoundedPanel* LoadLUTsWindow = nullptr;
    TButton* SelectLUTButton = nullptr;
    TSvgIcon* SkSvg44 = nullptr; // load parameter file
    TSvgIcon* SkSvg45 = nullptr; // save parameter file
    void CreateEffectOptions();
    // Housekeeping ticks left before the lit parameter-file icons fade back (0: none pending).
    int FParamIconsTag = 0;
    // The file dialogs of the options and parameter files (tests answer them).
    std::function<QStringList(const QString& title, const QString& filter)> ChooseFiles;
    std::function<QString(const QString& title, const QString& filter)> ChooseSaveFile;

    // ---- views
    float FZoomFactor = 1.0f;
    QPointF FPanOffset;
    QPointF PreviewLastPos;
    uint32_t FLastPanTime = 0;
    // The window size the picture was last fitted to; another size fits it anew.
    int FLastFitW = 0, FLastFitH = 0;

    // ---- overlay choices kept between uses
    QString StoredFrameName;
    int StoredFrameNumber = -1;
    float StoredFrameSize = 20.0f;
    TAlphaColor StoredFrameColor = kDefaultFrameColour;
    bool StoredFrameIsCustom = false;
    bool StoredSettingsValid = false;
    QString StoredTextureName;
    int StoredTextureNumber = -1;
    bool StoredTextureIsCustom = false;
    bool StoredTextureSettingsValid = false;
    float FManualBrushSize = 100.0f, FManualBrushSoftness = 50.0f, FManualBrushOpacity = 100.0f;
    QPointF FManualBrushPanelPos;
    bool FReopenManualBrushAfterLUT = false, FReopenScriptEditorAfterLUT = false;

    // ---- the progress bar's state: the last percentage shown, -1 when hidden
    int ProgressBarTag = -1;

    // ---- timers
    QTimer UpdatePreviewTimer;    // 500 ms live preview
    QTimer PreviewDebounceTimer;  // 1 s after the last drag step in the preview box
    QTimer InitializationTimer;   // 10 ms deferred start-up after the first show

    // ---- controls
    TRoundedPanel* Body = nullptr;
    QWidget* ProgramBarRect = nullptr;
    TSvgIcon* PVLogo = nullptr;
    TLabel* TitleLabel = nullptr;
    TIconButton* SpeedButton1 = nullptr; // open
    TIconButton* SpeedButton2 = nullptr; // save
    TIconButton* SpeedButton5 = nullptr; // undo
    TIconButton* SpeedButton6 = nullptr; // redo
    TIconButton* SpeedButton24 = nullptr; // split view
    QWidget* SplitRectangle = nullptr;    // the split-view marker under its button
    TIconButton* SpeedButton10 = nullptr; // zoom out
    TIconButton* SpeedButton11 = nullptr; // 100 %
    TIconButton* SpeedButton12 = nullptr; // zoom in
    TLabel* ZoomLabel = nullptr;
    TButton* DefaultImageButton = nullptr;
    TButton* UpdatePreviewButton = nullptr; // hidden
    TButton* Button2 = nullptr;             // "Memory usage", hidden
    TLabel* DebugLabel = nullptr;
    TRoundedPanel* LeftPanelRect = nullptr;
    TLabel* EffectsLabel = nullptr;
    QScrollArea* PresentedScrollBox2 = nullptr;
    QWidget* EffectsLayout = nullptr;
    std::array<TRoundedPanel*, 5> CategoryBackdrops{};
    std::array<TExpander*, 5> Expanders{};
    std::array<TItemList*, 5> ListBoxes{};
    TRoundedPanel* FEffectAccentBar = nullptr;
    QWidget* Layout2 = nullptr;
    TRoundedPanel* WorskpaceRect = nullptr;
    CanvasView* SkPaintBox1 = nullptr;
    TProgressBar* ProgressBarRect = nullptr;
    TRoundedPanel* RightPanelRect = nullptr;
    // The right panel's contents scroll when the window is too low for them,
    // so that Apply stays within reach.
    QScrollArea* RightPanelScroll = nullptr;
    QWidget* RightPanelContent = nullptr;
    void FitRightPanelContent();
    TPreviewImage* Image1 = nullptr;
    TLabel* PreviewPC = nullptr;
    TRoundedPanel* PreviewZoomRect = nullptr;
    TSvgIcon* zoomoutskvg = nullptr;
    TSvgIcon* zoominskvg = nullptr;
    TLabel* Label22 = nullptr;
    TRoundedPanel* ParamsRect = nullptr;
    TLabel* ParamsLabel = nullptr;
    std::array<TCaptionedSlider*, 5> ParamRows{};
    TButton* Button1 = nullptr;
    QImage FDefaultPreviewBitmap;

    // ---- theme (ThemeSwitch.cpp): designed dark; a switch shows every
    // control's design colours in the other theme and stores the choice.
    void ApplyTheme(bool Mode);
    void SetLightMode(bool Value) { ApplyTheme(Value); }
    void ThemeSwitchClick() { SetLightMode(!IsLightThemeOn()); }
    void ApplyStyle();
    void ApplyThemeColors();
    void CreateThemeSwitch();
    void UpdateThemeIcons();
    void UpdateEmptyPreviewBg();
    bool IsLightThemeOn() const;
    TSvgIcon* moonsvg = nullptr;
    TSvgIcon* Sunsvg = nullptr;

    // ---- interface language (LanguageSwitch.cpp)
    // Shows the main window and the script editor in a language (a code
    // without a table shows English).
    void SwitchLanguage(const QString& Code);
    // Shows or hides the language popup; a choice switches and is stored.
    void LanguageMIClick();
    void LangOptionClick(int Tag);
    void DetectAndSetSystemLanguage();
    // Writes the 14 tables into the nearest "Languages" folder and says so.
    void ExportLanguagesClick();
    TRoundedPanel* FLanguagePopup = nullptr;

    // ---- update check (UpdateNotice.cpp): a notice naming a newer version,
    // or a fading up-to-date line; failures stay silent.
    void Check4Update();
    void MaybeCheck4UpdateAtStartup(); // about one start in ten
    void BtnUpdateClick();
    void CancelUpdateClick();
    void ShowUpdateNotice(const QString& RemoteVersion, const QString& LocalVersion);
    void ShowUpToDateLine();
    void CreateUpdateNotice();
    TUpdateCheck* FUpdateCheck = nullptr;
    TRoundedPanel* Check4UpdateRect = nullptr;
    TLabel* Check4UpdateText = nullptr;
    TButton* CancelUpdate = nullptr;
    TButton* BtnUpdate = nullptr;
    QObject* FUpToDateFade = nullptr;

    // ---- closing and the full reset (FullReset.cpp)
    // A question with Yes and No; true for Yes.
    virtual bool ConfirmYesNo(const QString& Question);
    bool HasUnsavedResult() const;
    // Whether the window may close: asks when the result is unsaved.
    bool FormCloseQuery();
    // Back to the state after start-up (Ctrl+Shift+N, right-click on close).
    void FullReset();

    // Minimum size min(work area - 16, 1080) x min(work area - 16, 768).
    void UpdateMinConstraintsForWorkArea();

    // ---- window chrome (TitleBar.cpp): the frameless window's title
    // buttons, drag strip, edge handles and its own maximise
    TWindowChrome* FChrome = nullptr;
    TIconButton* MinSpeedButton = nullptr;
    TIconButton* MaxSpeedButton = nullptr;
    TIconButton* CloseSpeedButton = nullptr;
    bool IsCustomMaximized() const;
    void MaxButtonClick(); // maximise or restore
    void MinButtonClick();
    void CloseButtonClick();
    // A right-button release on close, or on the toolbar's quit button: the full reset.
    void CloseSpeedButtonMouseUp(Qt::MouseButton Button);
    void SpeedButton23MouseUp(Qt::MouseButton Button);
    // The splash window while the program starts; each show of the window hides it.
    QPointer<QWidget> FSplash;
    // ---- the about box (AboutBox.cpp): the logo shows the splash picture in the overlay layer
    void PVLogoClick();
    bool IsAboutBoxOpen() const;

    // ---- interface size (InterfaceSizeWindow.cpp): the design-unit factor
    // of every window, and the window that sets it (Z; Esc restores).
    double FUIZoom = 1.0;
    void ApplyUIZoom(double AZoom, bool ASave);
    // The menu entry names the size: "Interface size: 125%" in the current language.
    void UpdateUIZoomMenuLabel();
    void ShowUIZoomWindow();
    bool IsUIZoomWindowOpen() const;
    void UIZoomApplyFromTrackBar();
    void UIZoomOKClick();
    void UIZoomCloseClick();
    void CreateUIZoomWindow();
    void CenterUIZoomWindow();
    TRoundedPanel* UIZoomWindow = nullptr;
    TSlider* UIZoomTrackBar = nullptr;
    TLabel* UIZoomValueLabel = nullptr;
    TButton* UIZoomOKBtn = nullptr;
    TCloseBox* UIZoomCloseBg = nullptr;
    QTimer FUIZoomApplyTimer;
    int FUIZoomPctAtOpen = 100;
    QString FUIZoomSettingAtOpen;
    bool FUIZoomOpening = false;

    // ---- text and watermark tool (TextAndPrint.cpp): placed over the
    // canvas, burnt in together as one history step
    std::unique_ptr<TTextTool> FTextTool;
    TTextWindow* TextWindow = nullptr;
    TRoundedPanel* TextToolRect = nullptr; // "Add text/watermark"
    TLabel* Label9 = nullptr;
    // Opens the window (or cancels when it is open); refused while an effect
    // runs and without a picture.
    void Label9Click();
    // Burns the placed watermark and text into the result.
    void CommitText();
    void ApplyTextButtonClick();
    void CancelTextButtonClick();
    void LoadWatermarkBtnClick();
    // Loads, trims and places a watermark file; false (with a message) when it cannot.
    bool LoadWatermarkFile(const QString& path);
    // Text or watermark placement is under way.
    bool IsTextToolActive() const;
    bool IsTextWindowVisible() const;

    // ---- printing (TextAndPrint.cpp)
    // The print window: toggled by the toolbar's print button, the menu's
    // "Print" and Mod+P; refused while an effect runs or without a picture.
    TPrintWindow* PrintWindow = nullptr;
    void SpeedButton7Click();
    void PrintMIClick();
    // ---- keyboard, main menu, toolbar and the coffee prompt (Shortcuts.cpp,
    // MainMenu.cpp, Toolbar.cpp, CoffeePrompt.cpp)
    // The window's key table: navigation, the open menu, the shortcuts.
    void InstallShortcuts();
    // Tests set it: a shortcut row reports its name instead of acting.
    std::function<void(const char*)> FShortcutProbe;
    TFocusRing* FFocusRing = nullptr;
    // What Tab cycles through: the open floating window or panel, else the window.
    QWidget* ActiveTabRoot() const;
    TExpander* EffectExpanderContaining(QWidget* C) const;
    TRoundedPanel* CategoryPillFor(TExpander* Exp) const;
    void ShowRingOnCategoryPill(TExpander* Exp);
    void FocusEffectList(TExpander* AExpander);
    void FocusRingUpdate(QWidget* Focused);
    // C lies in the picture gallery of the open frame or texture panel.
    bool InGalleryOfPanel(QWidget* C) const;
    // The category whose pill the ring marks, and where it drew it.
    TExpander* FRingPill = nullptr;
    QRect FRingPillBounds;

    // ---- label hover and fitted buttons (LabelHover.cpp)
    // A clickable label lights up under the mouse; leaving restores its own colour.
    void LabelMouseEnter(TLabel* L);
    void LabelMouseLeave(TLabel* L);
    // Gives every label under Root (once) the hover handlers above.
    void WireLabelHover(QWidget* Root);
    // The named buttons' captions fit their translated texts.
    void FitTranslatedButtons();

    TIconButton* bnMainMenu = nullptr;
    TRoundedPanel* MenuContainer = nullptr;
    int FMenuFullHeight = 0;
    // The interface size the menu's contents are laid out at: below the
    // window's own when the window is too short for the whole menu.
    double FMenuScale = 0;
    void ScaleMainMenu(double Scale);
    std::vector<TLabel*> FMenuItems, FLangItems;
    int FMenuSelIndex = -1, FLangSelIndex = -1, FMenuLastSel = -1;
    void bnMainMenuClick();
    void CloseMainMenu();
    void OpenLanguageSubmenu();
    bool HandleMenuKey(int Key);
    void BuildMenuItemList();
    void BuildLangItemList();
    void SelectMenuItem(int Index);
    void SelectLangItem(int Index);
    void HighlightMenuEntry(const std::vector<TLabel*>& Items, int Index);
    void MenuContainerMouseLeave();
    TLabel* MenuEntry(const char* Name) const;
    // Over-long captions scroll back and forth.
    std::unique_ptr<TMarqueeGroup> FMenuMarquee, FUILabelMarquee, FExpanderMarquee, FCoffeeBtnMarquee;
    void SetupMenuMarquee();
    void TeardownMenuMarquee();
    void SetupUILabelMarquee();
    void TeardownUILabelMarquee();
    void SetupExpanderMarquee();
    void TeardownExpanderMarquee();
    void SetupCoffeeBtnMarquee();
    void TeardownCoffeeBtnMarquee();

    TIconButton* SpeedButton3 = nullptr;  // copy
    TIconButton* SpeedButton4 = nullptr;  // paste
    TIconButton* SpeedButton7 = nullptr;  // print
    TIconButton* SpeedButton8 = nullptr;  // help
    TIconButton* SpeedButton9 = nullptr;  // coffee
    TIconButton* SpeedButton23 = nullptr; // quit
    void OpenMIClick();
    void SaveMIClick();
    void QuitMIClick();
    void SwapMIClick();
    void BatchMIClick();
    void ScriptMIClick();
    void HelpMIClick();
    void InfoMIClick();
    void UpdateMIClick();
    void UIZoomMIClick();
    void LanguageEntryClick();

    TRoundedPanel* CoffeeRectangle = nullptr;
    TLabel* CoffeeText = nullptr;
    TButton* BuyCoffeeButton = nullptr;
    TButton* CancelCoffeeButton = nullptr;
    TSvgIcon* CoffeeCup = nullptr; // the cup on the title-bar button
    QWidget* steam = nullptr;      // the steam over the cup
    QTimer FSteamTimer;
    float FSteamProgress = 0;
    int FSteamTicksLeft = 0;
    QByteArray FSteamSvgFull;
    void SpeedButton9Click();
    // Centres the coffee prompt in the workspace (on opening and whenever the
    // workspace changes size).
    void CenterCoffeePrompt();
    void CoffeeMIClick();
    void BuyCoffeeButtonClick();
    void CancelCoffeeButtonClick();
    bool IsCoffeeOpen() const;
    void NoteImageSaved();
    void StartSteam(int ADurationMs);
    void StopSteam();
    void SteamHoverEnter() { StartSteam(10000); }
    void SteamTimerTick();
    void SetupSteam();

    // ---- gallery (Gallery.cpp, GalleryStrip, GalleryMagnifier) and clipboard (Clipboard.cpp)
    std::unique_ptr<TGalleryItems> FGalleryItems;
    TGalleryStrip* HistoryRect = nullptr;
    TGalleryContextMenu* FGalleryContextMenu = nullptr;
    TGalleryMagnifier* FGalleryPopup = nullptr;
    int FContextMenuImageIndex = -1;
    int FDraggedThumbnailIndex = -1;
    int FGalleryPopupImageIndex = -1;
    QTimer CleanUpTimer; // 2 s housekeeping
    // The history's snapshot event: marks the work unsaved, adds thumbnails.
    void HistoryImageSaved(const ISkImage& DisplayImg, const ISkImage& SourceImg, bool IsSourceChange,
                           const TSavedSnapshotData& Stored);
    // AEncoded: the picture as the history stored it (encoded here when empty).
    void AddThumbnailToGallery(const ISkImage& AImage, bool AIsSource, const QString& AFileName,
                               const QByteArray& AEncoded = {});
    void RefreshGalleryHints();
    void GallerySetAsResult();
    void GallerySetAsSource();
    void ShowBlendDialog(const ISkImage& ASourceImage);
    void ClearGallerySelection();
    void HistoryToggleClick();
    void HistoryToggleLabelClick() { HistoryToggleClick(); }
    void FitGalleryToggleLabel();
    void RepositionGalleryToggle();
    void BtnAddToGalleryClick();
    // Adds a picture file as a result thumbnail; the gallery keeps the file's
    // own bytes, so using it later gives the file's picture, not a copy.
    void AddFileToGallery(const QString& FileName);
    void CleanUpTimerTimer();
    // The full reset's part: empty gallery, collapsed strip, no popups.
    void ClearGallery();
    // A gallery item's full picture (decoded); null and a message when memory runs out.
    ISkImage GalleryPicture(int index);
    // Puts the picture on the clipboard (also for other programs, as PNG).
    void CopyVLPImageToClipboard(const ISkImage& Image);
    // The clipboard's picture, alpha kept; false when it holds none.
    bool PasteFromClipboardToVLPSourceImage(ISkImage& Image);
    void CopyMIClick();  // "Copy to clipboard": the result
    void PasteMIClick(); // "Paste from clipboard": source and result; refused while work runs

    // ---- manual brush (ManualBrushRuns.cpp): the panel over the canvas and
    // the masked application of each stroke on a worker
    TFrameManualBrush* FManualBrushFrame = nullptr;
    TButton* Button3 = nullptr; // "Manual brush"
    void Button3Click();
    void ShowManualBrushFrame();
    void CloseManualBrushFrame();
    void ApplyManualBrushEffect(TFrameManualBrush* Frame);
    bool IsManualBrushApplying() const;
    enum class TManualBrushOutcome { Done, Cancelled, Failed, Missed };
    // The stroke's delivery on the UI thread: the result and one history step,
    // or nothing; the panel then starts over (or closes after an error).
    void FinishManualBrushStroke(TManualBrushOutcome Outcome, const ISkImage& Base, const ISkImage& Result);
    // An empty mask on the picture now shown (undo, redo, after a stroke).
    void RestartManualBrushMask();
    // The panel follows the canvas's zoom, pan and size.
    void ManualBrushFollowCanvas();

    // The slider of parameter k (1..5) and its caption and value labels.
    TSlider* TrackBar(int k) const;
    TLabel* ParamLabel(int k) const;
    TLabel* ParamLabelPc(int k) const;

Q_SIGNALS:
    void progressChanged(int percent);
    void previewBoxChanged();
    void canvasChanged();
    void paramIconsLit(bool lit);
    void paramIconsFade();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The title area (TitleBar.cpp): built after the design; the first show
    // maximises, the deferred start-up remembers 90 % of the work area to
    // restore to. LayoutTitleButtons returns the x left of the buttons.
    void CreateWindowChrome();
    int LayoutTitleButtons();
    void MaximizeAtFirstShow();
    // Opens the file named on the command line once the window is on screen
    // (checked every kOnScreenWaitStepMs, at most StepsLeft times).
    void OpenCommandLineFileOnScreen(const QString& FileName, int StepsLeft);
    static constexpr int kOnScreenWaitStepMs = 10, kOnScreenWaitSteps = 300;
    void SettleWindowAtStartup();
    void CreateGallery();
    void CreateManualBrushButton(QVBoxLayout* column);
    void InstallManualBrush();
    void InitializeManualBrush(QPointF controlsPos);
    // The canvas's rectangle in the overlay layer.
    QRectF ManualBrushCanvasBox() const;
    void ManualBrushInputArea();
    // What a drag over the canvas may drop, and the drop itself: files, or
    // a gallery thumbnail.
    void CanvasDragEnter(QDragEnterEvent* event);
    void CanvasDrop(QDropEvent* event);
    bool GalleryDragEnter(QDragEnterEvent* event);
    bool GalleryDrop(QDropEvent* event);
    // Builds the controls (the window's design).
    void CreateDesign();
    void CreateTopBar();
    void CreateEffectPanel();
    void CreateWorkspace();
    void CreateRightPanel();
    void CreateDropZone();
    void CenterDropZone();
    // Places the window's parts for its current size.
    void LayoutWindow();
    // The deferred start-up after the first show.
    void InitializationTimerTimer();
    // Waits for workers while serving their calls, then tears down.
    void FormDestroy();
    void ShowZoomLabel();
    // Wires the top bar's buttons to their actions.
    void ConnectTopBar();
    // Places the zoom buttons and their label at the top bar's right end.
    void LayoutWindowButtons();
    // Undo (false) or redo (true): both pictures from the history; nothing
    // while an effect runs and nothing recorded.
    void StepHistory(bool forward);
    // The left panel's TOOLS entries, the overlay layer and the key rows.
    void CreateImageTools(QVBoxLayout* column);
    void InstallImageTools();
    // The text, watermark and print windows.
    void InstallTextAndPrint();
    // The main menu, the toolbar's further buttons and the coffee prompt.
    void CreateMainMenu();
    void CreateToolbar();
    void CreateCoffeePrompt();
    void changeEvent(QEvent* event) override;

    std::unique_ptr<TMainWindowFiles> FFiles;
    std::unique_ptr<TBatchMode> FBatch;
    bool FDestroying = false;
    bool FStartupDone = false;
    bool FRepositioning = false;
};

// The process-wide main window, or null.
TForm1* Form1();

// The colour of the window's body in the current theme: at rest, or while the
// window is pressed, moved or resized.
TAlphaColor BodyColour(bool pressed);

} // namespace pv
