#pragma once
// The design colours of the windows, panels and controls, by what they are for.
// Every window is designed in the dark theme; the theme maps a dark colour to
// its light partner by value (the palette pairs), so a colour that should
// follow the theme is one of the palette colours below. The light-theme
// colours at the end are used where a control picks its light look itself.
// Colours an effect paints into the picture are not here.

#include "platform/graphics/SkTypes.h"

namespace pv {

// The colour with its alpha replaced (alpha 0..255).
constexpr TAlphaColor WithAlpha(TAlphaColor colour, unsigned alpha)
{
    return (colour & 0x00FFFFFFu) | (TAlphaColor(alpha & 0xFFu) << 24);
}
// The colour's red, green and blue, alpha 0 (as the palette holds them).
constexpr TAlphaColor RgbOf(TAlphaColor colour) { return colour & 0x00FFFFFFu; }

// ---- Backgrounds
constexpr TAlphaColor kBackgroundWorkspace = 0xFF111827u;     // window body, workspace, editors
constexpr TAlphaColor kBackgroundWorkspaceVeil = 0xA0111827u; // over the gallery strip's pictures
constexpr TAlphaColor kBackgroundTitleBar = 0xFF0C1624u;
constexpr TAlphaColor kBackgroundDeep = 0xFF06121Eu;          // darkest palette colour
constexpr TAlphaColor kBackgroundScriptMemo = 0xFF0B1220u;
constexpr TAlphaColor kBackgroundCombinePreview = 0xFF2A2A2Au;
constexpr TAlphaColor kBackgroundFramePreview = 0xFFD3D3D3u;

// ---- Panels
constexpr TAlphaColor kPanelSide = 0xFF1F2937u;               // side panels, effect list, small windows
constexpr TAlphaColor kPanelSideFaded = 0x001F2937u;          // the side panel, fully transparent
constexpr TAlphaColor kPanelField = 0xFF1E2A3Cu;              // input fields, slider tracks, list boxes
constexpr TAlphaColor kPanelRaised = 0xFF314158u;             // menus, dialogs, notices, control bars
constexpr TAlphaColor kPanelRaisedHover = 0xFF415168u;
constexpr TAlphaColor kPanelCard = 0x59314158u;               // translucent card behind a group of rows
constexpr TAlphaColor kPanelToolbar = 0xF0314158u;            // the crop tool's floating toolbar
constexpr TAlphaColor kPanelPopup = 0xFF2D3B51u;              // drop-down lists, floating windows
constexpr TAlphaColor kPanelHelp = 0xFF1E293Bu;
constexpr TAlphaColor kPanelHelpButton = 0xCC475569u;
constexpr TAlphaColor kPanelItemHover = 0xFF374151u;

// ---- Translucent layers over a dark panel
constexpr TAlphaColor kOverlayHoverFaint = 0x0FFFFFFFu;       // list row under the mouse
constexpr TAlphaColor kOverlayHover = 0x14FFFFFFu;            // button or cell under the mouse
constexpr TAlphaColor kOverlayHoverStrong = 0x1FFFFFFFu;      // drop-down row, step button
constexpr TAlphaColor kOverlayTitleBand = 0x1AFFFFFFu;
constexpr TAlphaColor kOverlayTrackOff = 0x2EFFFFFFu;         // a switch that is off
constexpr TAlphaColor kOverlayOutline = 0x38FFFFFFu;          // the outline of a ghost button
constexpr TAlphaColor kOverlayScrollbar = 0x40FFFFFFu;        // scroll bars, separators, boxes
constexpr TAlphaColor kOverlayProgress = 0xCCFFFFFFu;         // a running progress bar
constexpr TAlphaColor kOverlayClear = 0x00FFFFFFu;            // white, fully transparent
constexpr TAlphaColor kOverlayDarkHover = 0x14000000u;        // the same layers over a light panel
constexpr TAlphaColor kOverlayDarkOutline = 0x38000000u;

// ---- Text and icons
constexpr TAlphaColor kText = 0xFFD5D5D5u;                    // labels and icons at rest
constexpr TAlphaColor kTextBright = 0xFFFFFFFFu;              // titles, values, text under the mouse
constexpr TAlphaColor kTextMuted = 0xFFB5B5B5u;               // headings, menu entries
constexpr TAlphaColor kTextHint = 0xFF9CA3AFu;                // hints and shortcuts
constexpr TAlphaColor kTextPrompt = 0xFF8A94A6u;              // empty-field prompts, group names
constexpr TAlphaColor kTextSubtle = 0xFFAAB3C0u;              // arrows, ghost buttons
constexpr TAlphaColor kTextField = 0xFFE6E8ECu;               // text in the standard controls
constexpr TAlphaColor kTextInfo = 0xFF9AB0CCu;                // the name of the chosen look-up table
constexpr TAlphaColor kTextStatus = 0xFFAAAAAAu;              // a neutral status line
constexpr TAlphaColor kTextScriptMemo = 0xFFAAFFAAu;
constexpr TAlphaColor kTextNotice = 0xFFE6EDF7u;              // the coffee prompt's message
constexpr TAlphaColor kTextOnAccent = 0xFF0C1624u;            // on an accent-coloured button
constexpr TAlphaColor kTextOnAccentHover = 0xFF06121Eu;

// ---- Accents
constexpr TAlphaColor kAccent = 0xFF61B9D2u;                  // active tracks, focus, selected entries
constexpr TAlphaColor kAccentHover = 0xFF7FCADDu;
constexpr TAlphaColor kAccentSelection = 0x3361B9D2u;         // the chosen drop-down row
constexpr TAlphaColor kAccentSelectionFaint = 0x1A61B9D2u;    // the chosen list row
constexpr TAlphaColor kAccentTextSelection = 0xFF3A7F96u;     // selected text in a field
constexpr TAlphaColor kAccentMarker = 0xFF3B82F6u;            // tab marker, preview ring, busy ring
constexpr TAlphaColor kAccentFocusRing = 0xFF3B9AE1u;
constexpr TAlphaColor kAccentLink = 0xFF60A5FAu;
constexpr TAlphaColor kAccentSourceDot = 0xFF87CEFAu;         // marks the gallery's source picture
constexpr TAlphaColor kAccentThumbnailOutline = 0xFF1E90FFu;
constexpr TAlphaColor kAccentTextHandle = 0xFF4A90E2u;        // the text tool's handles
constexpr TAlphaColor kAccentHelpCube[3] = {0xFF00CFFFu, 0xFF00FF88u, 0xFFFF8C00u};

// ---- Borders
constexpr TAlphaColor kBorder = 0xFF545F72u;                  // fields, menus, popups, dividers
constexpr TAlphaColor kBorderPanel = 0xFF374151u;
constexpr TAlphaColor kBorderOutline = 0xFF4B5563u;           // drop zone outline, scroll handle
constexpr TAlphaColor kBorderOutlineHover = 0xFF999999u;
constexpr TAlphaColor kBorderScriptMemo = 0xFF42526Au;
constexpr TAlphaColor kBorderFramePreview = 0xFFA9A9A9u;

// ---- Controls
constexpr TAlphaColor kControlKnob = 0xFFFFFFFFu;             // slider thumb, switch thumb, markers
constexpr TAlphaColor kControlKnobOff = 0xFF808080u;
constexpr TAlphaColor kControlProgress = 0xFFFFFFFFu;         // the filled part of a progress bar
constexpr TAlphaColor kControlPlaceholder = 0xFF808080u;      // a frame preview without a picture
constexpr TAlphaColor kControlCropHandle = 0x77E0E0E0u;
constexpr TAlphaColor kControlCropHandleEdge = 0x88000000u;
constexpr TAlphaColor kControlBrushRing = 0xCC000000u;        // the manual brush's outer ring
constexpr TAlphaColor kTitleBarButtonHover = 0xFF7E7D83u;
constexpr TAlphaColor kTitleBarPressedVeil = 0x80B0C0D6u;

// ---- States
constexpr TAlphaColor kStateClose = 0xFFFF0000u;              // close buttons under the mouse
constexpr TAlphaColor kStateCloseTitleBar = 0xFFFF0303u;
constexpr TAlphaColor kStateCloseText = 0xFFE81123u;
constexpr TAlphaColor kStateError = 0xFFFF6666u;
constexpr TAlphaColor kStateSuccess = 0xFF34B45Au;

// ---- Script help syntax colours (dark theme, then light)
constexpr TAlphaColor kSyntaxText = 0xFFFFFFFFu;
constexpr TAlphaColor kSyntaxHeading = 0xFFFF7F50u;
constexpr TAlphaColor kSyntaxComment = 0xFF98FB98u;
constexpr TAlphaColor kSyntaxCommand = 0xFF44BBFFu;
constexpr TAlphaColor kSyntaxExample = 0xFFBBBBBBu;
constexpr TAlphaColor kLightSyntaxText = 0xFF202020u;
constexpr TAlphaColor kLightSyntaxHeading = 0xFFC0392Bu;
constexpr TAlphaColor kLightSyntaxComment = 0xFF1E7A1Eu;
constexpr TAlphaColor kLightSyntaxCommand = 0xFF0066CCu;
constexpr TAlphaColor kLightSyntaxExample = 0xFF777777u;

// ---- Shadows
constexpr TAlphaColor kShadow = 0x80000000u;                  // menus, popups, floating windows
constexpr TAlphaColor kShadowDeep = 0x99000000u;              // panels over the workspace
constexpr TAlphaColor kShadowNotice = 0xCC000000u;
constexpr TAlphaColor kShadowSidePanel = 0x73000000u;
constexpr TAlphaColor kShadowToolbar = 0x66000000u;
constexpr TAlphaColor kShadowControls = 0x59000000u;
constexpr TAlphaColor kShadowFullScreen = 0x60000000u;
constexpr TAlphaColor kShadowSplashCard = 0xA0000000u;
constexpr TAlphaColor kShadowMagnifierEdge = 0x55000000u;
constexpr TAlphaColor kShadowPreviewFrame = 0xF2000000u;
constexpr TAlphaColor kShadowText = 0xBF000000u;

// ---- The gallery magnifier's glass: its glints and shading, at the alpha of each ring
constexpr TAlphaColor kMagnifierGlint = 0xFFFFFFFFu;
constexpr TAlphaColor kMagnifierShade = 0xFF000000u;

// ---- What the colours the user picks start as
constexpr TAlphaColor kDefaultFrameColour = 0xFFFFFFFFu;      // the frame's margin
constexpr TAlphaColor kDefaultTextColour = 0xBFFFFFFFu;       // the text tool's text

// ---- Light theme: the colours a control uses itself in the light theme
constexpr TAlphaColor kLightText = 0xFF2A3744u;               // the light partner of kText
constexpr TAlphaColor kLightTextMuted = 0xFF7A8699u;          // the light partner of kTextMuted
constexpr TAlphaColor kLightTextHover = 0xFF1F2937u;
constexpr TAlphaColor kLightTextScriptMemo = 0xFF1E2A38u;
constexpr TAlphaColor kLightTextNotice = 0xFF3F4C5Fu;
constexpr TAlphaColor kLightTextOnAccent = 0xFFEEF2F7u;
constexpr TAlphaColor kLightTextOnAccentHover = 0xFFE2E8F0u;
constexpr TAlphaColor kLightButton = 0xFFB9C1CCu;
constexpr TAlphaColor kLightButtonHover = 0xFFD8E0EAu;
constexpr TAlphaColor kLightPanelHelp = 0xFFF4F6FAu;
constexpr TAlphaColor kLightPanelGallery = 0xFFD9E0EAu;
constexpr TAlphaColor kLightBackgroundScriptMemo = 0xFFF7FAFDu;
constexpr TAlphaColor kLightCropLine = 0xFF334155u;
constexpr TAlphaColor kLightTitleBarButtonHover = 0xFF94A3B8u;
constexpr TAlphaColor kLightShadowPreviewFrame = 0xB0000000u;

// The light partners of the palette colours before the theme darkens them
// (most by a factor of 0.9).
constexpr TAlphaColor kLightBaseWorkspace = 0xFFE8ECF2u;
constexpr TAlphaColor kLightBaseTitleBar = 0xFFE2E7EFu;
constexpr TAlphaColor kLightBaseDeep = 0xFFDCE2EBu;
constexpr TAlphaColor kLightBaseSide = 0xFFFFFFFFu;
constexpr TAlphaColor kLightBaseField = 0xFFF7FAFDu;
constexpr TAlphaColor kLightBaseRaised = 0xFFFEFFFFu;
constexpr TAlphaColor kLightBasePopup = 0xFFF4F7FAu;
constexpr TAlphaColor kLightBaseRaisedHover = 0xFFF1F5F9u;
constexpr TAlphaColor kLightBaseBorderPanel = 0xFFDCE3EBu;
constexpr TAlphaColor kLightBaseOutline = 0xFF9AA7B8u;
constexpr TAlphaColor kLightBaseOutlineHover = 0xFFBCC6D2u;
constexpr TAlphaColor kLightBaseBorder = 0xFFD7DFEAu;
constexpr TAlphaColor kLightBaseTitleBarButtonHover = 0xFFE2E8F0u;
constexpr TAlphaColor kLightBaseStatus = 0xFF94A3B8u;

} // namespace pv
