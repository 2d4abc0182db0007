#include "resources/StringTable.h"

#include <QCoreApplication>

#include <array>

namespace {

struct Entry {
    StrId Id;
    const char* Text;
};

// Keep each group in the order of the enumeration; the table is checked at start-up.
constexpr Entry kEntries[] = {
    // imaging
    {StrId::CantAllocateDib, QT_TRANSLATE_NOOP("Cubiform", "Can't allocate the DIB handle")},
    {StrId::CantCreateCompatibleDc, QT_TRANSLATE_NOOP("Cubiform", "Can't create compatible DC")},
    {StrId::CantSelectObject, QT_TRANSLATE_NOOP("Cubiform", "Can't select an object into DC")},
    {StrId::SourceRectInvalid, QT_TRANSLATE_NOOP("Cubiform", "Source rectangle is invalid")},

    // render
    {StrId::NoPreviewAvailable, QT_TRANSLATE_NOOP("Cubiform", "No Preview Available")},
    {StrId::ShadowResourceLeft, "SHADOW"},
    {StrId::ShadowResourceRight, "SHADOW_R"},

    // codecs and files
    {StrId::ProgressConverting, QT_TRANSLATE_NOOP("Cubiform", "Converting...")},
    {StrId::ProgressSaving, QT_TRANSLATE_NOOP("Cubiform", "Saving...")},
    {StrId::ColorNotInColorTable, QT_TRANSLATE_NOOP("Cubiform", "Color not in color table")},
    {StrId::CannotWriteImageFile, QT_TRANSLATE_NOOP("Cubiform", "Cannot write the file '%1': %2")},
    {StrId::ImageIsEmpty, QT_TRANSLATE_NOOP("Cubiform", "the image is empty")},
    {StrId::RenderUsage, QT_TRANSLATE_NOOP("Cubiform",
                         "Usage: cubiform-render [--front F --side S [--top T]] [--style two-sided|three-sided|book]\n"
                         "                       [--orientation left|right] [--shadow] [--default-size[=WxH]]\n"
                         "                       [--preview] [--template NAME] [--memory-limit N]\n"
                         "                       [--background transparent|white|#RRGGBB]\n"
                         "                       [--view classic|free] [--yaw DEG] [--pitch DEG] [--fov DEG]\n"
                         "                       [--size WxH | --scale S] [--reflection[=PCT]]\n"
                         "                       [--geometry FILE.json]\n"
                         "                       -o OUT.jpg|OUT.gif|OUT.bmp|OUT.png\n"
                         "       cubiform-render --project FILE.cubiform [OPTION...] -o OUT\n"
                         "       cubiform-render --list-templates\n"
                         "       cubiform-render --batch FILE|- [--jobs N] [--shard K/N] [--fail-fast]\n"
                         "                       [--quiet] [--progress=json] [OPTION...]\n"
                         "\n"
                         "Renders a product box from face images (BMP, JPEG, GIF or PNG) and saves it\n"
                         "as JPEG, GIF, BMP or PNG, chosen by the output file's extension.\n"
                         "Without face arguments it renders the bundled sample faces as a Three Side\n"
                         "Box at the default size 250x300 to cubiform-sample.jpg in the current folder.\n"
                         "\n"
                         "  --front F, --side S, --top T  face images (the top only for three-sided)\n"
                         "  --style S                     two-sided (default), three-sided or book\n"
                         "  --orientation O               left (default) or right; two-sided only\n"
                         "  --shadow                      lay a drop shadow under the box (a soft shadow\n"
                         "                                on the floor in the free view)\n"
                         "  --default-size[=WxH]          resize the faces to WxH (250x300 if not given)\n"
                         "  --preview                     the template preview, always at the default size\n"
                         "  --background B                what the box lies on: transparent, white or a\n"
                         "                                color #RRGGBB (default: transparent for PNG,\n"
                         "                                white for the others, which cannot be transparent)\n"
                         "  --view V                      classic (the fixed pictures, the default) or free:\n"
                         "                                the box as a solid seen from any angle; each\n"
                         "                                option below asks for the free view\n"
                         "  --yaw DEG                     turn, -90 to 90 (default 30, or -30 with\n"
                         "                                --orientation right); positive shows the left side\n"
                         "  --pitch DEG                   height, -90 to 90 (default 15); positive looks\n"
                         "                                down on the lid, negative up at the bottom\n"
                         "  --fov DEG                     vertical field of view, 0 to 100 (default 30);\n"
                         "                                0 draws without perspective\n"
                         "  --size WxH                    the picture's size, the box centred in it\n"
                         "  --scale S                     or the picture's pixels per front pixel, 0.01 to\n"
                         "                                16 (default 1)\n"
                         "  --reflection[=PCT]            mirror the box in the floor, PCT% opaque where\n"
                         "                                it stands (default 30), gone 40% of its height down\n"
                         "  --geometry FILE               write where each face went, as JSON\n"
                         "  --memory-limit N              the most memory a load or the render may take,\n"
                         "                                in bytes or with K, M or G (default: the smaller\n"
                         "                                of 2G and half the physical memory)\n"
                         "  --template NAME               faces and default size from a stored template\n"
                         "  --project FILE                the faces with their layers and texts, the style,\n"
                         "                                orientation, shadow, default size and view of a\n"
                         "                                project saved by the wizard; options given beside\n"
                         "                                it override the project's\n"
                         "  --list-templates              print the stored template names, one a line\n"
                         "  -o, --output OUT              the file to write\n"
                         "  -h, --help                    show this text\n"
                         "\n"
                         "Batch rendering:\n"
                         "  --batch FILE                  render every job of a JSON Lines manifest (- reads\n"
                         "                                standard input): one object a line whose keys are\n"
                         "                                the long options without dashes, e.g.\n"
                         "                                {\"template\":\"Sample Template\",\"shadow\":true,\"output\":\"a.png\"};\n"
                         "                                relative file names are taken from the manifest's\n"
                         "                                folder, options beside --batch are every job's\n"
                         "                                defaults, blank lines and lines starting with # are\n"
                         "                                skipped\n"
                         "  --jobs N                      jobs at once (default: one a processor core)\n"
                         "  --shard K/N                   only the jobs whose index (from 0) modulo N is K-1\n"
                         "  --fail-fast                   start no job after the first that fails\n"
                         "  --quiet                       no progress line: only errors and the summary\n"
                         "  --progress=json               one JSON object a finished job on standard output\n"
                         "A batch exits with 0 when every job is done, 1 when any failed, 2 when the\n"
                         "manifest has errors (reported by line; then nothing is rendered).\n")},
    {StrId::RenderUnknownOption, QT_TRANSLATE_NOOP("Cubiform", "unknown option '%1'")},
    {StrId::RenderMissingValue, QT_TRANSLATE_NOOP("Cubiform", "option '%1' needs a value")},
    {StrId::RenderInvalidValue, QT_TRANSLATE_NOOP("Cubiform", "invalid value '%1' for option '%2'")},
    {StrId::RenderUnexpectedArgument, QT_TRANSLATE_NOOP("Cubiform", "unexpected argument '%1'")},
    {StrId::RenderMissingOutput, QT_TRANSLATE_NOOP("Cubiform", "no output file given (-o OUT)")},
    {StrId::RenderBadOutputType, QT_TRANSLATE_NOOP("Cubiform", "the output file must end in .jpg, .jpeg, .gif, .bmp or .png: '%1'")},
    {StrId::RenderFrontAndSide, QT_TRANSLATE_NOOP("Cubiform", "--front and --side must be given together")},
    {StrId::RenderTopNeeded, QT_TRANSLATE_NOOP("Cubiform", "a three-sided box needs --top")},
    {StrId::RenderCannotRead, QT_TRANSLATE_NOOP("Cubiform", "cannot read '%1': %2")},
    {StrId::RenderNoSuchFile, QT_TRANSLATE_NOOP("Cubiform", "no such file")},
    {StrId::RenderIsFolder, QT_TRANSLATE_NOOP("Cubiform", "it is a folder")},
    {StrId::RenderUnreadable, QT_TRANSLATE_NOOP("Cubiform", "permission denied or read error")},
    {StrId::RenderNotImageOfKind, QT_TRANSLATE_NOOP("Cubiform", "'%1' is not a valid %2 image (damaged, truncated, too large or unsupported)")},
    {StrId::RenderUnknownImageKind, QT_TRANSLATE_NOOP("Cubiform", "'%1' is not an image file name (expected .bmp, .jpg, .jpeg, .gif or .png)")},
    {StrId::RenderCannotWrite, QT_TRANSLATE_NOOP("Cubiform", "cannot write '%1': %2")},
    {StrId::RenderRenderFailed, QT_TRANSLATE_NOOP("Cubiform", "rendering failed: %1")},
    {StrId::RenderNoSuchFolder, QT_TRANSLATE_NOOP("Cubiform", "the folder does not exist")},
    {StrId::RenderWriteFailed, QT_TRANSLATE_NOOP("Cubiform", "the file could not be written")},
    {StrId::RenderNotRegularFile, QT_TRANSLATE_NOOP("Cubiform", "not a regular file")},
    {StrId::RenderNotAFolder, QT_TRANSLATE_NOOP("Cubiform", "'%1' is a file, not a folder")},
    {StrId::RenderNameNotEncodable, QT_TRANSLATE_NOOP("Cubiform", "the name is not valid in the system's file name encoding")},

    // settings and templates
    {StrId::RegCreateFailed, QT_TRANSLATE_NOOP("Cubiform", "Failed to create key %s")},
    {StrId::RegSetDataFailed, QT_TRANSLATE_NOOP("Cubiform", "Failed to set data for '%s'")},
    {StrId::RegGetDataFailed, QT_TRANSLATE_NOOP("Cubiform", "Failed to get data for '%s'")},
    {StrId::InvalidRegType, QT_TRANSLATE_NOOP("Cubiform", "Invalid data type for '%s'")},
    {StrId::HiveReadFailed, QT_TRANSLATE_NOOP("Cubiform", "Failed to read the settings file '%s'")},
    {StrId::HiveWriteFailed, QT_TRANSLATE_NOOP("Cubiform", "Failed to write the settings file '%s'")},
    {StrId::HiveSetAside, QT_TRANSLATE_NOOP("Cubiform", "Part of the settings file could not be read and was left out; the file as it was has been kept as '%s'")},
    {StrId::HiveNotSaved, QT_TRANSLATE_NOOP("Cubiform", "Your settings and templates could not be saved.\n\n%s")},
    {StrId::StreamPositionFrmCaption, QT_TRANSLATE_NOOP("Cubiform", "StreamPositionFrm")},
    {StrId::SampleTemplateName, QT_TRANSLATE_NOOP("Cubiform", "Sample Template")},
    {StrId::UnknownTemplate, QT_TRANSLATE_NOOP("Cubiform", "Unknown template '%s'")},
    {StrId::TemplateWithoutFaces, QT_TRANSLATE_NOOP("Cubiform", "The template '%s' has no front or no side image")},
    {StrId::TemplateWithoutTop, QT_TRANSLATE_NOOP("Cubiform", "The template '%s' has no top image for a three-sided box")},
    {StrId::TemplatesCaption, QT_TRANSLATE_NOOP("Cubiform", "Templates")},
    {StrId::TemplatesTab, QT_TRANSLATE_NOOP("Cubiform", "Templates")},
    {StrId::TemplatesSelection, QT_TRANSLATE_NOOP("Cubiform", "Se&lection:")},
    {StrId::TemplatesAddHint, QT_TRANSLATE_NOOP("Cubiform", "Add New Template")},
    {StrId::TemplatesDeleteHint, QT_TRANSLATE_NOOP("Cubiform", "Delete Template")},
    {StrId::TemplatesOpenName, QT_TRANSLATE_NOOP("Cubiform", "Browse for the Image File")},
    {StrId::TemplatesItemName, QT_TRANSLATE_NOOP("Cubiform", "Display &Name")},
    {StrId::TemplatesFrontImage, QT_TRANSLATE_NOOP("Cubiform", "&Front Image")},
    {StrId::TemplatesSideImage, QT_TRANSLATE_NOOP("Cubiform", "&Side Image")},
    {StrId::TemplatesTopImage, QT_TRANSLATE_NOOP("Cubiform", "&Top Image (applies only to three sided box)")},
    {StrId::TemplatesDefaultHeight, QT_TRANSLATE_NOOP("Cubiform", "Default &Height")},
    {StrId::TemplatesDefaultWidth, QT_TRANSLATE_NOOP("Cubiform", "Default &Width")},
    {StrId::TemplatesAddCaption, QT_TRANSLATE_NOOP("Cubiform", "Add New Template")},
    {StrId::TemplatesAddPrompt, QT_TRANSLATE_NOOP("Cubiform", "Select a unique name for the new template you want to add.")},
    {StrId::TemplateNameExists, QT_TRANSLATE_NOOP("Cubiform", "'%s' already exists. Please select a unique name.")},
    {StrId::TemplateNameInvalid, QT_TRANSLATE_NOOP("Cubiform", "Sorry, \"%s\" is not a valid name: a name cannot be empty nor contain any of the following characters:\n\\, /, :, *, ?, \", <, >")},
    {StrId::TemplateDeleteQuestion, QT_TRANSLATE_NOOP("Cubiform", "Do you really want to delete the selected item?")},

    // editing dialogs
    {StrId::DlgOk, QT_TRANSLATE_NOOP("Cubiform", "OK")},
    {StrId::DlgCancel, QT_TRANSLATE_NOOP("Cubiform", "Cancel")},
    {StrId::NewImageCaption, QT_TRANSLATE_NOOP("Cubiform", "New Image")},
    {StrId::NewImageDimensions, QT_TRANSLATE_NOOP("Cubiform", "Dimensions")},
    {StrId::NewImageHeight, QT_TRANSLATE_NOOP("Cubiform", "&Height:")},
    {StrId::NewImageWidth, QT_TRANSLATE_NOOP("Cubiform", "&Width:")},
    {StrId::NewImagePixels, QT_TRANSLATE_NOOP("Cubiform", "pixels")},
    {StrId::NewImageBackground, QT_TRANSLATE_NOOP("Cubiform", "Image Background Color")},
    {StrId::NewImageSelectColor, QT_TRANSLATE_NOOP("Cubiform", "&Select...")},
    {StrId::OpenPictureCaption, QT_TRANSLATE_NOOP("Cubiform", "Open")},
    {StrId::OpenPictureImagesFilter, QT_TRANSLATE_NOOP("Cubiform", "Images (*.gif *.jpg *.jpeg *.bmp *.png)")},
    {StrId::OpenPictureAllFilter, QT_TRANSLATE_NOOP("Cubiform", "All Files (*)")},
    {StrId::OpenPictureSize, QT_TRANSLATE_NOOP("Cubiform", "%1 x %2")},

    // text layers
    {StrId::FontDlgCaption, QT_TRANSLATE_NOOP("Cubiform", "New Text Layer")},
    {StrId::FontDlgSample, QT_TRANSLATE_NOOP("Cubiform", "Sample")},
    {StrId::FontDlgStyle, QT_TRANSLATE_NOOP("Cubiform", "Style")},
    {StrId::FontDlgFont, QT_TRANSLATE_NOOP("Cubiform", "Text Layer Font")},
    {StrId::FontDlgColor, QT_TRANSLATE_NOOP("Cubiform", "Text Color         ")},
    {StrId::FontDlgQuality, QT_TRANSLATE_NOOP("Cubiform", "&Anti-alias Quality")},
    {StrId::FontDlgHighest, QT_TRANSLATE_NOOP("Cubiform", "Highest")},
    {StrId::FontDlgMedium, QT_TRANSLATE_NOOP("Cubiform", "Medium")},
    {StrId::FontDlgLow, QT_TRANSLATE_NOOP("Cubiform", "Low")},
    {StrId::FontDlgLowest, QT_TRANSLATE_NOOP("Cubiform", "Lowest")},
    {StrId::FontDlgNone, QT_TRANSLATE_NOOP("Cubiform", "None")},
    {StrId::FontDlgLayerText, QT_TRANSLATE_NOOP("Cubiform", "Layer Text")},
    {StrId::FontDlgTooLarge, QT_TRANSLATE_NOOP("Cubiform", "The text is too large for a layer: it would be %1 x %2 pixels, and a layer can be at most %3 pixels wide or high and %4 pixels in all. Use a shorter text or a smaller font.")},

    // layer commands
    {StrId::LayerCategory, QT_TRANSLATE_NOOP("Cubiform", "Layer")},
    {StrId::LayerImageCaption, QT_TRANSLATE_NOOP("Cubiform", "New Image Layer...")},
    {StrId::LayerImageHint, QT_TRANSLATE_NOOP("Cubiform", "Creates a new image layer from a file")},
    {StrId::LayerTextCaption, QT_TRANSLATE_NOOP("Cubiform", "New Text Layer...")},
    {StrId::LayerTextHint, QT_TRANSLATE_NOOP("Cubiform", "Creates a new text layer")},
    {StrId::LayerCutCaption, QT_TRANSLATE_NOOP("Cubiform", "Cut")},
    {StrId::LayerCutHint, QT_TRANSLATE_NOOP("Cubiform", "Cuts the selected layer and copies the image to the clipboard")},
    {StrId::LayerCopyCaption, QT_TRANSLATE_NOOP("Cubiform", "Copy")},
    {StrId::LayerCopyHint, QT_TRANSLATE_NOOP("Cubiform", "Copies the selected layer image to the clipboard")},
    {StrId::LayerPasteCaption, QT_TRANSLATE_NOOP("Cubiform", "Paste")},
    {StrId::LayerPasteHint, QT_TRANSLATE_NOOP("Cubiform", "Pastes a new layer from the clipboard")},
    {StrId::LayerDeleteCaption, QT_TRANSLATE_NOOP("Cubiform", "Delete")},
    {StrId::LayerDeleteHint, QT_TRANSLATE_NOOP("Cubiform", "Deletes the current selected layer")},
    {StrId::LayerBringToFrontCaption, QT_TRANSLATE_NOOP("Cubiform", "Bring To Front")},
    {StrId::LayerBringToFrontHint, QT_TRANSLATE_NOOP("Cubiform", "Brings the selected layer to the front")},
    {StrId::LayerBringForwardCaption, QT_TRANSLATE_NOOP("Cubiform", "Bring Forward")},
    {StrId::LayerBringForwardHint, QT_TRANSLATE_NOOP("Cubiform", "Brings the selected layer forward one level")},
    {StrId::LayerSendBackCaption, QT_TRANSLATE_NOOP("Cubiform", "Send Back")},
    {StrId::LayerSendBackHint, QT_TRANSLATE_NOOP("Cubiform", "Sends the selected layer back one level")},
    {StrId::LayerSendToBackCaption, QT_TRANSLATE_NOOP("Cubiform", "Send To Back")},
    {StrId::LayerSendToBackHint, QT_TRANSLATE_NOOP("Cubiform", "Sends the selected layer to the back")},
    {StrId::LayerRotate90ccw, QT_TRANSLATE_NOOP("Cubiform", "Rotate 90 CCW")},
    {StrId::LayerRotate90cw, QT_TRANSLATE_NOOP("Cubiform", "Rotate 90 CW")},
    {StrId::LayerPasteFailed, QT_TRANSLATE_NOOP("Cubiform", "Unable to paste the clipboard contents to the current image.")},
    {StrId::LayerFaceProperties, QT_TRANSLATE_NOOP("Cubiform", "%1 Properties")},
    {StrId::LayerBoxFront, QT_TRANSLATE_NOOP("Cubiform", "Box Front")},
    {StrId::LayerBoxSide, QT_TRANSLATE_NOOP("Cubiform", "Box Side")},
    {StrId::LayerBoxTop, QT_TRANSLATE_NOOP("Cubiform", "Box Top")},

    // result output
    {StrId::SaveResultCaption, QT_TRANSLATE_NOOP("Cubiform", "Save As")},
    {StrId::SaveFilterJpeg, QT_TRANSLATE_NOOP("Cubiform", "JPEG Image (*.jpg *.jpeg)")},
    {StrId::SaveFilterGif, QT_TRANSLATE_NOOP("Cubiform", "GIF Image (*.gif)")},
    {StrId::SaveFilterBitmap, QT_TRANSLATE_NOOP("Cubiform", "Bitmap Image (*.bmp)")},
    {StrId::SaveResultFailed, QT_TRANSLATE_NOOP("Cubiform", "Unable to save the image as '%1': %2\nThe image has not been saved.")},
    {StrId::SaveResultEmpty, QT_TRANSLATE_NOOP("Cubiform", "There is no finished image to save yet. Go on to the last step to render it, then save it.")},
    {StrId::SaveResultUnknownReason, QT_TRANSLATE_NOOP("Cubiform", "the file could not be written (the disk may be full)")},

    // widgets and wizard
    {StrId::WizAppTitle, QT_TRANSLATE_NOOP("Cubiform", "Cubiform 2.0")},
    {StrId::WizDesignCaption, QT_TRANSLATE_NOOP("Cubiform", "Quillmere Cubiform Image Wizard")},
    {StrId::WizBack, QT_TRANSLATE_NOOP("Cubiform", "< Back")},
    {StrId::WizNext, QT_TRANSLATE_NOOP("Cubiform", "Next >")},
    {StrId::WizFinish, QT_TRANSLATE_NOOP("Cubiform", "Finish")},
    {StrId::WizExit, QT_TRANSLATE_NOOP("Cubiform", "Exit")},
    {StrId::WizSaveDesign, QT_TRANSLATE_NOOP("Cubiform", "Save the Cubiform Image...")},
    {StrId::WizSave, QT_TRANSLATE_NOOP("Cubiform", "Save Cubiform Image...")},
    {StrId::WizSettingsUnreadable, QT_TRANSLATE_NOOP("Cubiform", "The window position could not be read: %1")},
    {StrId::WizUnknownError, QT_TRANSLATE_NOOP("Cubiform", "An unexpected error ended the command.")},
    {StrId::WizOutOfMemory, QT_TRANSLATE_NOOP("Cubiform", "There is not enough memory to finish the command.")},

    // wizard page and template picker
    {StrId::PageCaption, QT_TRANSLATE_NOOP("Cubiform", "Cubiform")},
    {StrId::PageStepTitle, QT_TRANSLATE_NOOP("Cubiform", "Cubiform (Step %1 of %2)")},
    {StrId::PageStepText0, QT_TRANSLATE_NOOP("Cubiform", "Create a New Cubiform Image")},
    {StrId::PageStepText1, QT_TRANSLATE_NOOP("Cubiform", "Select the Front Cubiform Image")},
    {StrId::PageStepText2, QT_TRANSLATE_NOOP("Cubiform", "Select the Side Cubiform Image")},
    {StrId::PageStepText3, QT_TRANSLATE_NOOP("Cubiform", "Select the Box Top Image")},
    {StrId::PageStepText4, QT_TRANSLATE_NOOP("Cubiform", "Save the Cubiform Image")},
    {StrId::PageInstructions0, QT_TRANSLATE_NOOP("Cubiform", "<B>Select a Cubiform Template or start a new Cubiform</b> <hr><br>To create a new Cubiform from an existing <b>template</b>, select a template from the list below. To create a brand <b>New Cubiform</b> using custom images, simply click the <a href=\"new\">Next</a> button below. <img src=\"idx:0\" align=\"middle\">You can add/edit/remove templates by selecting Edit Templates in the drop down box.")},
    {StrId::PageInstructions1, QT_TRANSLATE_NOOP("Cubiform", "<B>Select the Front Box Image</b> <hr><br>The Front Box Image is the primary image for the Cubiform. <img src=\"idx:1\" align=\"middle\">The Front Box Image will determine the height of the box transformation. Use the layer toolbar to add/remove/change image layers.")},
    {StrId::PageInstructions2, QT_TRANSLATE_NOOP("Cubiform", "<B>Select the Side Box Image</b> <hr><br>Generally, you want the Side Box Image to be smaller in width than the Front Box Image. Use the layer toolbar to add/remove/change image layers.")},
    {StrId::PageInstructions3, QT_TRANSLATE_NOOP("Cubiform", "<B>Select the Top Box Image</b> <hr><br>The Box Top Image is the top view of the Cubiform Image. It will generally be a simple image displaying the top of box. Use the layer toolbar to add/remove/change image layers.")},
    {StrId::PageInstructions4, QT_TRANSLATE_NOOP("Cubiform", "<B>Save the Cubiform Image</b> <hr><br>You can resize the Cubiform Image to suit your needs by selecting a drag handle on the image. When you are satisfied, select the <a href=\"save\">Save Cubiform Image button</a>. The Save As dialog will be displayed. Simply select the type of image you want to save the Cubiform as.")},
    {StrId::PageFaceFront, QT_TRANSLATE_NOOP("Cubiform", "Front")},
    {StrId::PageFaceSide, QT_TRANSLATE_NOOP("Cubiform", "Side")},
    {StrId::PageFaceTop, QT_TRANSLATE_NOOP("Cubiform", "Top")},
    {StrId::PageSelectImage, QT_TRANSLATE_NOOP("Cubiform", "Select %1 Box Image...")},
    {StrId::PageReset, QT_TRANSLATE_NOOP("Cubiform", "Reset")},
    {StrId::PageSave, QT_TRANSLATE_NOOP("Cubiform", "Save Cubiform Image...")},
    {StrId::PageCopyImage, QT_TRANSLATE_NOOP("Cubiform", "Copy Image")},
    {StrId::PageDefaultSize, QT_TRANSLATE_NOOP("Cubiform", "&Default Size")},
    {StrId::PageDefaultSizeHint, QT_TRANSLATE_NOOP("Cubiform", "When checked, the eCover will be the default template size selected")},
    {StrId::PageShadow, QT_TRANSLATE_NOOP("Cubiform", "S&hadow")},
    {StrId::PageShadowHint, QT_TRANSLATE_NOOP("Cubiform", "Adds a shadow to the eCover")},
    {StrId::PageResultStyle, QT_TRANSLATE_NOOP("Cubiform", "Cubiform Style:")},
    {StrId::PageOrientation, QT_TRANSLATE_NOOP("Cubiform", "Orientation:")},
    {StrId::PageOrientLeftHint, QT_TRANSLATE_NOOP("Cubiform", "Left Orientation")},
    {StrId::PageOrientRightHint, QT_TRANSLATE_NOOP("Cubiform", "Right Orientation")},
    {StrId::PageLayers, QT_TRANSLATE_NOOP("Cubiform", "Layers")},
    {StrId::PageZoomHint, QT_TRANSLATE_NOOP("Cubiform", "Zoom")},
    {StrId::PageZoom, QT_TRANSLATE_NOOP("Cubiform", " Zoom: %1x")},
    {StrId::PageTemplates, QT_TRANSLATE_NOOP("Cubiform", "&Templates")},
    {StrId::PageStyle, QT_TRANSLATE_NOOP("Cubiform", "&Cubiform Style")},
    {StrId::PagePreview, QT_TRANSLATE_NOOP("Cubiform", "Cubiform Preview")},
    {StrId::PageStyleTwoSided, QT_TRANSLATE_NOOP("Cubiform", "Two Sided Box")},
    {StrId::PageStyleThreeSide, QT_TRANSLATE_NOOP("Cubiform", "Three Side Box")},
    {StrId::PageStyleBook, QT_TRANSLATE_NOOP("Cubiform", "Book Cover")},
    {StrId::PageSaveQuestion, QT_TRANSLATE_NOOP("Cubiform", "Do you want to Save the current Cubiform Image?")},
    {StrId::PageAnotherQuestion, QT_TRANSLATE_NOOP("Cubiform", "Would you like to create another Cubiform Image?")},
    {StrId::PageCannotOpen, QT_TRANSLATE_NOOP("Cubiform", "Unable to open the '%1'. The image may be corrupted.")},
    {StrId::PageFaceViewName, QT_TRANSLATE_NOOP("Cubiform", "%1 Box Image")},
    {StrId::PageFaceViewInfo, QT_TRANSLATE_NOOP("Cubiform", "The %1 Box Image with its layers. Drop image files here to load or add them; the context menu key opens the layer commands.")},
    {StrId::PagePreviewInfo, QT_TRANSLATE_NOOP("Cubiform", "A preview of the selected template in the selected Cubiform style.")},
    {StrId::PageResultViewName, QT_TRANSLATE_NOOP("Cubiform", "Cubiform Image")},
    {StrId::PageResultViewInfo, QT_TRANSLATE_NOOP("Cubiform", "The finished Cubiform Image. Drag a handle to resize it; the context menu key offers Copy Image.")},
    {StrId::PageZoomInfo, QT_TRANSLATE_NOOP("Cubiform", "Zooms the current image from 0.1x to 10x.")},
    {StrId::PageOrientLeftInfo, QT_TRANSLATE_NOOP("Cubiform", "Shows the side of the box on the left of the front.")},
    {StrId::PageOrientRightInfo, QT_TRANSLATE_NOOP("Cubiform", "Shows the side of the box on the right of the front.")},
    {StrId::PageResultStyleInfo, QT_TRANSLATE_NOOP("Cubiform", "The style of the finished Cubiform Image.")},
    {StrId::PickerNoneSelected, QT_TRANSLATE_NOOP("Cubiform", "None Selected")},
    {StrId::PickerEditTemplates, QT_TRANSLATE_NOOP("Cubiform", "Edit Templates...               ")},
    {StrId::PickerDiscardQuestion, QT_TRANSLATE_NOOP("Cubiform", "Do you want to discard the current Cubiform?")},

    // settings file that is not a regular file; entries that cannot be stored
    {StrId::HiveNotRegularFile, QT_TRANSLATE_NOOP("Cubiform", "The settings file '%s' is not a regular file. Cubiform runs on its default settings and saves no settings or templates.")},
    {StrId::HiveNotRegularReason, QT_TRANSLATE_NOOP("Cubiform", "not a regular file")},
    {StrId::HiveNameNotStorable, QT_TRANSLATE_NOOP("Cubiform", "'%s' was left out: its name cannot be stored")},
    // keyboard: a command's hint with its keys
    {StrId::KeyHint, QT_TRANSLATE_NOOP("Cubiform", "%1 (%2)")},
    // Saving the result over an existing file (the name as it will be written).
    {StrId::SaveResultReplace, QT_TRANSLATE_NOOP("Cubiform", "%1 already exists.\nDo you want to replace it?")},
    // Memory budget of loads and renders
    {StrId::MemoryPictureSize, QT_TRANSLATE_NOOP("Cubiform", "a picture of %1 \u00d7 %2 pixels")},
    {StrId::MemoryOverLimit, QT_TRANSLATE_NOOP("Cubiform", "%1 would need %2 of memory, more than the limit of %3 (CUBIFORM_MEMORY_LIMIT sets another)")},
    {StrId::MemoryFilePicture, QT_TRANSLATE_NOOP("Cubiform", "'%1', %2,")},
    {StrId::CantAllocatePicture, QT_TRANSLATE_NOOP("Cubiform", "Can't allocate the DIB handle for %1 (%2)")},
    {StrId::SaveFilterPng, QT_TRANSLATE_NOOP("Cubiform", "PNG Image (*.png)")},
    {StrId::PageBackground, QT_TRANSLATE_NOOP("Cubiform", "&Background:")},
    {StrId::PageBackgroundHint, QT_TRANSLATE_NOOP("Cubiform", "What the saved or copied picture lies on")},
    {StrId::PageBackgroundInfo, QT_TRANSLATE_NOOP("Cubiform", "Automatic is transparent in a PNG and white in JPEG, GIF and BMP, which cannot be transparent")},
    {StrId::PageBackgroundAutomatic, QT_TRANSLATE_NOOP("Cubiform", "Automatic")},
    {StrId::PageBackgroundTransparent, QT_TRANSLATE_NOOP("Cubiform", "Transparent")},
    {StrId::PageBackgroundWhite, QT_TRANSLATE_NOOP("Cubiform", "White")},
    {StrId::PageBackgroundColor, QT_TRANSLATE_NOOP("Cubiform", "Color...")},
    {StrId::PageBackgroundColorTitle, QT_TRANSLATE_NOOP("Cubiform", "Background Color")},
    // cubiform-render --batch: manifest problems name their line
    {StrId::BatchOnLine, QT_TRANSLATE_NOOP("Cubiform", "line %1: %2")},
    {StrId::BatchCannotReadManifest, QT_TRANSLATE_NOOP("Cubiform", "cannot read the manifest '%1': %2")},
    {StrId::BatchNotJson, QT_TRANSLATE_NOOP("Cubiform", "not valid JSON: %1 at column %2")},
    {StrId::BatchNotObject, QT_TRANSLATE_NOOP("Cubiform", "a job is a JSON object, such as {\"template\": \"Sample Template\", \"output\": \"box.jpg\"}")},
    {StrId::BatchLineTooLong, QT_TRANSLATE_NOOP("Cubiform", "the line is longer than %1")},
    {StrId::BatchUnknownKey, QT_TRANSLATE_NOOP("Cubiform", "unknown key '%1'")},
    {StrId::BatchFlagValue, QT_TRANSLATE_NOOP("Cubiform", "'%1' takes true or false")},
    {StrId::BatchTextValue, QT_TRANSLATE_NOOP("Cubiform", "'%1' takes a text or a number")},
    {StrId::BatchOptionalValue, QT_TRANSLATE_NOOP("Cubiform", "'%1' takes true, false, a text or a number")},
    {StrId::BatchNotJobOption, QT_TRANSLATE_NOOP("Cubiform", "'%1' is not an option of a job")},
    {StrId::BatchSameOutput, QT_TRANSLATE_NOOP("Cubiform", "writes '%1', as line %2 does")},
    {StrId::BatchManifestRefused, QT_TRANSLATE_NOOP("Cubiform", "the manifest has errors; nothing was rendered")},
    {StrId::BatchOptionWithoutBatch, QT_TRANSLATE_NOOP("Cubiform", "'%1' works only with --batch")},
    {StrId::BatchNotWithBatch, QT_TRANSLATE_NOOP("Cubiform", "'%1' cannot be used with --batch")},
    {StrId::BatchTemplateStoreFailed, QT_TRANSLATE_NOOP("Cubiform", "the template store could not be read")},
    {StrId::BatchProgress, QT_TRANSLATE_NOOP("Cubiform", "%1 of %2 boxes, %3 per second, %4 left")},
    {StrId::BatchSummary, QT_TRANSLATE_NOOP("Cubiform", "%1 done, %2 failed in %3 s, %4 boxes per second")},
    {StrId::BatchNotRun, QT_TRANSLATE_NOOP("Cubiform", ", %1 not run")},
    {StrId::BatchInterrupted, QT_TRANSLATE_NOOP("Cubiform", "interrupted: the jobs under way finish, no others start")},
    {StrId::FreeViewOutOfRange, QT_TRANSLATE_NOOP("Cubiform", "the view's %1 must be from %2 to %3")},
    {StrId::FreeViewTooLarge, QT_TRANSLATE_NOOP("Cubiform", "the picture would be %1 x %2 pixels; a side may have at most %3")},
    {StrId::RenderFreeViewOptions, QT_TRANSLATE_NOOP("Cubiform", "--yaw, --pitch, --fov, --size, --scale, --reflection and --geometry are options of --view free")},
    {StrId::RenderFreeViewPreview, QT_TRANSLATE_NOOP("Cubiform", "--preview draws the classic template preview, not the free view")},
    {StrId::RenderSizeOrScale, QT_TRANSLATE_NOOP("Cubiform", "give --size or --scale, not both")},
    {StrId::PageView, QT_TRANSLATE_NOOP("Cubiform", "&View:")},
    {StrId::PageViewHint, QT_TRANSLATE_NOOP("Cubiform", "Classic draws the box at its fixed angle; Free Angle turns it as you like")},
    {StrId::PageViewClassic, QT_TRANSLATE_NOOP("Cubiform", "Classic")},
    {StrId::PageViewFree, QT_TRANSLATE_NOOP("Cubiform", "Free Angle")},
    {StrId::PageYaw, QT_TRANSLATE_NOOP("Cubiform", "&Yaw:")},
    {StrId::PageYawName, QT_TRANSLATE_NOOP("Cubiform", "Yaw")},
    {StrId::PageYawInfo, QT_TRANSLATE_NOOP("Cubiform", "Turns the box about its upright axis, from -90 to 90 degrees: positive shows the left side")},
    {StrId::PagePitch, QT_TRANSLATE_NOOP("Cubiform", "&Pitch:")},
    {StrId::PagePitchName, QT_TRANSLATE_NOOP("Cubiform", "Pitch")},
    {StrId::PagePitchInfo, QT_TRANSLATE_NOOP("Cubiform", "Tilts the view, from -90 to 90 degrees: positive looks down on the top")},
    {StrId::PageFov, QT_TRANSLATE_NOOP("Cubiform", "&Lens:")},
    {StrId::PageFovName, QT_TRANSLATE_NOOP("Cubiform", "Field of view")},
    {StrId::PageFovInfo, QT_TRANSLATE_NOOP("Cubiform", "The camera's vertical field of view, from 0 (no perspective) to 100 degrees")},
    {StrId::PageReflection, QT_TRANSLATE_NOOP("Cubiform", "&Reflection")},
    {StrId::PageReflectionHint, QT_TRANSLATE_NOOP("Cubiform", "Mirrors the box in the floor below it")},
    {StrId::PageFreeResultInfo, QT_TRANSLATE_NOOP("Cubiform", "Drag on the picture to turn the box; drag the handles to set the size it is drawn at.")},
    {StrId::PageLiveBoxName, QT_TRANSLATE_NOOP("Cubiform", "Live box")},
    {StrId::PageLiveBoxInfo, QT_TRANSLATE_NOOP("Cubiform", "The box as it is now, at the angle of the result's free view")},
    {StrId::PageLiveBoxHide, QT_TRANSLATE_NOOP("Cubiform", "Hide the live box")},
    {StrId::PageLiveBoxShow, QT_TRANSLATE_NOOP("Cubiform", "Show the live box")},
    {StrId::PageLiveBoxFailed, QT_TRANSLATE_NOOP("Cubiform", "The live box cannot be drawn: %1")},
    {StrId::LayerUndoCaption, QT_TRANSLATE_NOOP("Cubiform", "&Undo")},
    {StrId::LayerRedoCaption, QT_TRANSLATE_NOOP("Cubiform", "&Redo")},
    {StrId::LayerUndoHint, QT_TRANSLATE_NOOP("Cubiform", "Undo %1")},
    {StrId::LayerRedoHint, QT_TRANSLATE_NOOP("Cubiform", "Redo %1")},
    {StrId::LayerNothingToUndo, QT_TRANSLATE_NOOP("Cubiform", "Nothing to undo")},
    {StrId::LayerNothingToRedo, QT_TRANSLATE_NOOP("Cubiform", "Nothing to redo")},
    {StrId::LayerEditTextCaption, QT_TRANSLATE_NOOP("Cubiform", "Edit &Text...")},
    {StrId::LayerEditTextHint, QT_TRANSLATE_NOOP("Cubiform", "Edit the text of the selected text layer")},
    {StrId::StepSetImage, QT_TRANSLATE_NOOP("Cubiform", "Open Face Image")},
    {StrId::StepResetFace, QT_TRANSLATE_NOOP("Cubiform", "Reset Face")},
    {StrId::StepNewImage, QT_TRANSLATE_NOOP("Cubiform", "New Image")},
    {StrId::StepAddImageLayer, QT_TRANSLATE_NOOP("Cubiform", "Add Image Layer")},
    {StrId::StepPasteLayer, QT_TRANSLATE_NOOP("Cubiform", "Paste Layer")},
    {StrId::StepAddTextLayer, QT_TRANSLATE_NOOP("Cubiform", "Add Text Layer")},
    {StrId::StepCutLayer, QT_TRANSLATE_NOOP("Cubiform", "Cut Layer")},
    {StrId::StepDeleteLayer, QT_TRANSLATE_NOOP("Cubiform", "Delete Layer")},
    {StrId::StepBringToFront, QT_TRANSLATE_NOOP("Cubiform", "Bring to Front")},
    {StrId::StepBringForward, QT_TRANSLATE_NOOP("Cubiform", "Bring Forward")},
    {StrId::StepSendBack, QT_TRANSLATE_NOOP("Cubiform", "Send Back")},
    {StrId::StepSendToBack, QT_TRANSLATE_NOOP("Cubiform", "Send to Back")},
    {StrId::StepRotateLayer, QT_TRANSLATE_NOOP("Cubiform", "Rotate Layer")},
    {StrId::StepMoveLayer, QT_TRANSLATE_NOOP("Cubiform", "Move Layer")},
    {StrId::StepResizeLayer, QT_TRANSLATE_NOOP("Cubiform", "Resize Layer")},
    {StrId::StepEditText, QT_TRANSLATE_NOOP("Cubiform", "Edit Text")},

    {StrId::ProjectFilter, QT_TRANSLATE_NOOP("Cubiform", "Cubiform Projects (*.cubiform)")},
    {StrId::ProjectFilterAll, QT_TRANSLATE_NOOP("Cubiform", "All Files (*)")},
    {StrId::ProjectSaveCaption, QT_TRANSLATE_NOOP("Cubiform", "Save Project")},
    {StrId::ProjectOpenCaption, QT_TRANSLATE_NOOP("Cubiform", "Open Project")},
    {StrId::PageSaveProject, QT_TRANSLATE_NOOP("Cubiform", "Save &Project...")},
    {StrId::PageSaveProjectHint, QT_TRANSLATE_NOOP("Cubiform", "Save the faces, their layers and the box's settings as a project to carry on with later")},
    {StrId::PageOpenProject, QT_TRANSLATE_NOOP("Cubiform", "&Open Project...")},
    {StrId::PageOpenProjectHint, QT_TRANSLATE_NOOP("Cubiform", "Open a saved project and carry on with its faces and layers")},
    {StrId::ProjectSaveChangesQuestion, QT_TRANSLATE_NOOP("Cubiform", "Do you want to save the changes to the project %1?")},
    {StrId::ProjectCannotRead, QT_TRANSLATE_NOOP("Cubiform", "%1 cannot be opened: %2.")},
    {StrId::ProjectNotProject, QT_TRANSLATE_NOOP("Cubiform", "%1 is not a Cubiform project.")},
    {StrId::ProjectDamaged, QT_TRANSLATE_NOOP("Cubiform", "%1 is damaged or incomplete and cannot be opened.")},
    {StrId::ProjectUnsafeEntry, QT_TRANSLATE_NOOP("Cubiform", "%1 holds an entry with an unsafe name (%2) and is not opened.")},
    {StrId::ProjectBadManifest, QT_TRANSLATE_NOOP("Cubiform", "%1 has a damaged manifest (at %2) and cannot be opened.")},
    {StrId::ProjectMissingPicture, QT_TRANSLATE_NOOP("Cubiform", "%1 lacks the picture %2 and cannot be opened.")},
    {StrId::ProjectExtraEntry, QT_TRANSLATE_NOOP("Cubiform", "%1 holds an entry its manifest does not name (%2) and is not opened.")},
    {StrId::ProjectBadPicture, QT_TRANSLATE_NOOP("Cubiform", "%1 holds a damaged picture (%2) and cannot be opened.")},
    {StrId::ProjectTooLarge, QT_TRANSLATE_NOOP("Cubiform", "%1 would need more than the memory limit of %2 to open.")},
    {StrId::ProjectNewerVersion, QT_TRANSLATE_NOOP("Cubiform", "%1 was saved in project format %2, newer than this program reads (%3).")},
    {StrId::ProjectSaveFailed, QT_TRANSLATE_NOOP("Cubiform", "The project could not be saved to %1: %2")},
    {StrId::ProjectOutOfMemory, QT_TRANSLATE_NOOP("Cubiform", "not enough memory")},
    {StrId::RenderProjectGivesFaces, QT_TRANSLATE_NOOP("Cubiform", "--project gives the faces: it cannot be combined with --front, --side, --top, --template or --preview")},
    {StrId::RenderProjectLacksFace, QT_TRANSLATE_NOOP("Cubiform", "%1 has no %2 picture, without which the box cannot be drawn")},
};

const std::array<const char*, int(StrId::Count)>& Table()
{
    static const auto table = [] {
        std::array<const char*, int(StrId::Count)> t{};
        for (const Entry& e : kEntries) t[std::size_t(e.Id)] = e.Text;
        return t;
    }();
    return table;
}

} // namespace

const char* LoadStrRaw(StrId id)
{
    const int i = int(id);
    if (i < 0 || i >= int(StrId::Count) || !Table()[std::size_t(i)]) return "";
    return Table()[std::size_t(i)];
}

QString LoadStr(StrId id)
{
    return QCoreApplication::translate("Cubiform", LoadStrRaw(id));
}
