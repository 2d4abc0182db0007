// Command line of cubiform-render.
//
// Options are described by one table (RenderOptions.cpp): adding an option
// means adding a field here and a row there.
#pragma once

#include "render/Bitmap32Utils.h"

#include <QString>
#include <QStringList>

struct TRenderOptions {
    QString Front, Side, Top;
    TBoxStyle Style = bxTwoSidedBox;
    bool StyleGiven = false;
    TBoxOrientation Orientation = boLeft;
    bool Shadow = false;
    bool DefaultSize = false;
    int DefaultWidth = 250;
    int DefaultHeight = 300;
    bool Preview = false;
    QString Output;
    bool Help = false;
    QString Template;            // --template: faces and default size from the template store
    bool ListTemplates = false;  // --list-templates
    bool SizeGiven = false;      // --default-size=WxH

    // No face and no template given: the bundled samples are rendered.
    bool UsesSamples() const { return Front.isEmpty() && Side.isEmpty() && Top.isEmpty() && Template.isEmpty(); }
};

// The output formats, from the output file's extension.
enum class TOutputFormat { Jpeg, Gif, Bitmap, Unknown };
TOutputFormat OutputFormatOf(const QString& fileName);

struct TParseResult {
    bool Ok = false;
    QString Error; // a usage error when not Ok
};

// Reads the arguments (without the program name) into `options`, then
// applies the sample defaults and checks that the options fit together.
TParseResult ParseRenderArguments(const QStringList& arguments, TRenderOptions& options);
