// Command line of cubiform-render.
//
// Options are described by one table (RenderOptions.cpp): adding an option
// means adding a field here and a row there (ending in `true` when its value
// names a file). Every option of the table is also a key of a batch manifest.
#pragma once

#include "render/Bitmap32Utils.h"
#include "render/BoxMatte.h"
#include "render/FreeView.h"

#include <QByteArrayList>
#include <QFile>
#include <QString>
#include <QStringList>

#include <vector>

// A file named on the command line or by a template. Local is the name as
// the system's bytes, which open the file; Name shows it. They differ when
// the bytes are not valid in the local encoding.
struct TFileArgument {
    QString Name;
    QByteArray Local;

    static TFileArgument FromName(const QString& name) { return {name, QFile::encodeName(name)}; }
    static TFileArgument FromLocal(const QByteArray& local) { return {QFile::decodeName(local), local}; }
    bool IsEmpty() const { return Local.isEmpty(); }
    // Whether Name still names the file, as functions taking text need.
    bool IsEncodable() const { return QFile::encodeName(Name) == Local; }
};

struct TRenderOptions {
    TFileArgument Front, Side, Top;
    TBoxStyle Style = bxTwoSidedBox;
    bool StyleGiven = false;
    TBoxOrientation Orientation = boLeft;
    bool Shadow = false;
    bool DefaultSize = false;
    int DefaultWidth = 250;
    int DefaultHeight = 300;
    bool Preview = false;
    TFileArgument Output;
    bool Help = false;
    QString Template;            // --template: faces and default size from the template store
    bool ListTemplates = false;  // --list-templates
    bool SizeGiven = false;      // --default-size=WxH
    std::int64_t MemoryLimit = 0; // --memory-limit: bytes, 0 for the environment's or the default
    TBoxBackground Background;    // --background; Automatic: transparent for PNG, white otherwise
    // The free view: --view free, or any of its options. --shadow gives it
    // the soft shadow; --orientation right turns the default yaw to -30.
    bool FreeView = false;
    bool ClassicView = false;       // --view classic
    bool YawGiven = false, ScaleGiven = false;
    freeview::TFreeViewSettings View; // --yaw --pitch --fov --size --scale --reflection
    TFileArgument Geometry;         // --geometry FILE.json: where the faces went
    // --project: faces, layers and settings from a project file; the options
    // given (their long names, in Given) override its settings.
    TFileArgument Project;
    QStringList Given;

    // No face and no template given: the bundled samples are rendered.
    bool UsesSamples() const
    {
        return Front.IsEmpty() && Side.IsEmpty() && Top.IsEmpty() && Template.isEmpty() && Project.IsEmpty();
    }
};

// The output formats, from the output file's extension.
enum class TOutputFormat { Jpeg, Gif, Bitmap, Unknown, Png };
TOutputFormat OutputFormatOf(const QString& fileName);

struct TParseResult {
    bool Ok = false;
    QString Error; // a usage error when not Ok
};

// Reads the arguments (without the program name, as the system's bytes)
// into `options`, then applies the sample defaults and checks that the
// options fit together.
TParseResult ParseRenderArguments(const QByteArrayList& arguments, TRenderOptions& options);

// The options one at a time, for other forms of the command line: a batch
// manifest names them by their long names without the dashes.
enum class TOptionValue { None, Required, Optional };
struct TRenderOptionInfo {
    QString LongName;  // "--output"
    QStringList Names; // "-o", "--output"
    TOptionValue Value;
    bool NamesFile;    // the value is a file name
};
const std::vector<TRenderOptionInfo>& RenderOptionInfos();
// The option of that name (long or short), or null.
const TRenderOptionInfo* FindRenderOption(const QString& name);

// One option as given. Given is the name as written ("-o"), which messages
// show; Option is its long name ("--output").
struct TRenderArgument {
    QString Option, Given;
    TFileArgument Value;
    bool HasValue = false;
};
// Splits the arguments into options, checking their names and that each
// value is there, but not the values themselves.
TParseResult SplitRenderArguments(const QByteArrayList& arguments, std::vector<TRenderArgument>& split);
// Applies one option to `options`; an invalid value is a usage error.
TParseResult ApplyRenderArgument(const TRenderArgument& argument, TRenderOptions& options);
// Once all options are applied: the sample defaults and the checks that the
// options fit together, as ParseRenderArguments ends.
TParseResult FinishRenderOptions(TRenderOptions& options);
