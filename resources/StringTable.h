// The program's string table. Every text the user can see comes from here,
// through Qt's translation function (context "Cubiform").
#pragma once

#include <QString>

// Identifiers are grouped by the module that owns them; add new ones inside
// your module's group.
enum class StrId : int {
    // imaging
    CantAllocateDib,
    CantCreateCompatibleDc,
    CantSelectObject,
    SourceRectInvalid,

    // render
    NoPreviewAvailable,
    ShadowResourceLeft,
    ShadowResourceRight,

    // codecs and files
    ProgressConverting,
    ProgressSaving,
    ColorNotInColorTable,
    CannotWriteImageFile,
    ImageIsEmpty,
    RenderUsage,
    RenderUnknownOption,
    RenderMissingValue,
    RenderInvalidValue,
    RenderUnexpectedArgument,
    RenderMissingOutput,
    RenderBadOutputType,
    RenderFrontAndSide,
    RenderTopNeeded,
    RenderCannotRead,
    RenderNoSuchFile,
    RenderIsFolder,
    RenderUnreadable,
    RenderNotImageOfKind,
    RenderUnknownImageKind,
    RenderCannotWrite,
    RenderRenderFailed,
    RenderNoSuchFolder,
    RenderWriteFailed,

    // settings and templates
    RegCreateFailed,
    RegSetDataFailed,
    RegGetDataFailed,
    InvalidRegType,
    HiveReadFailed,
    HiveWriteFailed,
    HiveSetAside,
    StreamPositionFrmCaption,
    SampleTemplateName,
    UnknownTemplate,
    TemplateWithoutFaces,
    TemplateWithoutTop,

    // widgets and wizard
    WizAppTitle,
    WizDesignCaption,
    WizBack,
    WizNext,
    WizFinish,
    WizExit,
    WizSaveDesign,
    WizSave,
    WizSettingsUnreadable,

    Count
};

// The text of a string, translated.
QString LoadStr(StrId id);
// The untranslated text (for exceptions raised below the user interface).
const char* LoadStrRaw(StrId id);
