#pragma once
// Bringing pictures into the main window and writing the result out: opening
// image files, the built-in default picture, dropped files and gallery
// pictures, and saving with 300-dpi metadata.
//
// The rules (names, filters, formats, which dropped file opens) are plain
// functions. The commands take the window through TImageFilesView, whose
// hooks reach the controls this module does not own: dialogs, the drop zone,
// the split view and the canvas geometry.

#include "platform/graphics/SkTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pv {

class TForm1;

// ---- rules

// What the save dialog proposes for a picture opened from SourceFileName.
struct TSaveProposal {
    QString Folder;      // the opened file's folder; empty without a file
    QString FileName;    // bare name, e.g. "Beach_PV.jpg"
    int FilterIndex = 2; // 1-based into SaveDialogFilters(): 1 JPEG, 2 PNG
};
TSaveProposal ProposeSaveName(const QString& SourceFileName);

// Dialog filters in Qt's form, in the order the filter indices count.
QStringList OpenDialogFilters();
QStringList SaveDialogFilters();
inline constexpr char kSaveDialogDefaultSuffix[] = "jpg";

// A dropped file is considered when its lower-cased extension is one of
// ".jpg", ".jpeg", ".png", ".bmp", ".gif", ".tiff".
bool IsAcceptedDropFile(const QString& FileName);
// Whether a drag may end in a copy: a gallery picture, or any accepted file.
bool DragOverAccepts(const QStringList& Files, bool DraggingThumbnail);
// The first accepted file that exists; empty when there is none.
QString FirstDroppableFile(const QStringList& Files);

// The overwrite question with the bare file name put in for "%s".
inline constexpr char kOverwriteQuestion[] = "The file \"%s\" already exists. Replace it?";
QString FormatOverwriteQuestion(const QString& Template, const QString& FileName);

// The file's bytes as the save command writes them: JPEG (".jpg", ".jpeg"),
// PNG or WebP by the extension in any letter case, quality 80, JPEG and PNG
// marked 300 dpi. Raises an Exception "Invalid extension" for any other
// extension or a message when encoding fails; std::bad_alloc when memory runs out.
QByteArray EncodeImageForSave(const ISkImage& Image, const QString& FileName);
// Encodes and writes the file atomically (an old file stays intact on
// failure). Raises an Exception with the reason.
void WriteImageFile(const ISkImage& Image, const QString& FileName);

// ---- the window side

// What the file commands use of the main window besides its shared fields.
// The main window implements it (hooks named after its own routines are then
// overridden by them); every hook has a harmless default.
class TImageFilesView {
public:
    virtual ~TImageFilesView() = default;

    // Full path of the file the current picture was opened from; empty after
    // the default picture, a paste, a gallery drop, or when nothing was opened.
    QString FSourceFileName;

    virtual TForm1& MainForm() = 0;

    // Interface texts pass through here before they are shown.
    virtual QString TranslateUiText(const QString& text) const { return text; }
    // The open dialog: the chosen file, empty when cancelled.
    virtual QString AskOpenFileName(const QString& /*Title*/, const QStringList& /*Filters*/) { return {}; }
    // The save dialog started at the proposal: the chosen file, empty when cancelled.
    virtual QString AskSaveFileName(const QString& /*Title*/, const TSaveProposal& /*Proposal*/) { return {}; }
    // A question with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(const QString& /*Question*/) { return false; }
    // Closes the script editor around the open dialog; true when it was visible.
    virtual bool HideScriptEditorForDialog() { return false; }
    virtual void ShowScriptEditor() {}

    virtual void HideDropZone() {}
    // Unchecks "Show original image" and hides the divider.
    virtual void TurnOffSplitView() {}
    // Canvas geometry after the zoom and pan offset were reset.
    virtual void FullSizeAndCenter() {}
    virtual void UpdatePaintBoxSize() {}
    virtual void CalculateBestFitAndCenter() {}
    virtual void CenterDivider() {}
    // Redraws the magnified preview box from PreviewStartX/Y.
    virtual void DrawZoomedPreview() {}
    // Counts a successful save (donation prompt).
    virtual void NoteImageSaved() {}
};

// Opens an image file as source and result, resets the view, records one
// history snapshot and leaves the picture unmodified-since-saved. Refused
// (false, nothing changes) while an effect runs. A file that cannot be read
// is reported and changes nothing, its name included. A damaged file whose
// picture is partly missing opens with a warning, or, when Damaged is given,
// tells the caller there instead.
inline constexpr char kDamagedFileWarning[] = "The image file is damaged; part of the picture may be missing";
bool LoadLargeImage(TImageFilesView& View, const QString& FileName, bool* Damaged = nullptr);
// The open dialog, then LoadLargeImage. True when a file was chosen.
bool LoadImageFile(TImageFilesView& View);
// The built-in default picture as source and result. True when it loaded.
bool LoadLargeImageFromTImage(TImageFilesView& View);
// "Default Image": refused while an effect runs; loads the default picture,
// forgets the file name and fits the picture to the view.
bool DefaultImageButtonClick(TImageFilesView& View);

// True when the file does not exist or the user agrees to replace it.
bool ConfirmOverwrite(TImageFilesView& View, const QString& FileName);
// The save command: proposal, dialog, overwrite question, SaveImageAs.
bool SaveImageFile(TImageFilesView& View);
// Writes the result to FileName. On success the picture counts as saved; a
// failure is reported as "Error saving image: " + reason and leaves the
// unsaved-changes flag as it was.
bool SaveImageAs(TImageFilesView& View, const QString& FileName);

// Opens the first droppable file of a drop. Refused while an effect runs.
bool DropFiles(TImageFilesView& View, const QStringList& Files);
// A gallery picture dropped on the canvas while no picture is loaded becomes
// source and result. False (nothing changes) when a result exists (the caller
// opens the combine panel instead) or the picture is missing.
bool DropGalleryPicture(TImageFilesView& View, const ISkImage& Picture);

} // namespace pv
