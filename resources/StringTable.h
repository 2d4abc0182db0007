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

    // settings and templates

    // widgets and wizard

    Count
};

// The text of a string, translated.
QString LoadStr(StrId id);
// The untranslated text (for exceptions raised below the user interface).
const char* LoadStrRaw(StrId id);
