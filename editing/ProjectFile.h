// Project files: the faces with their layers and the box's settings in one
// ".cubiform" file, a zip holding manifest.json and every picture as a PNG
// (docs/project-format.md describes it for other programs).
//
// The document is plain data (no layers, no widgets), so the wizard page,
// cubiform-render and the fuzz target share the reader and the writer.
#pragma once

#include "codecs/PixelBuffer.h"
#include "imaging/Transformation.h"

#include <QString>

#include <array>
#include <vector>

constexpr int kProjectMajorVersion = 1;
constexpr int kProjectMinorVersion = 0;

enum class TProjectLayerKind { Image, Text };

// What a text layer was drawn from, to draw it again.
struct TProjectText {
    QString Text;              // lines joined with line breaks
    QString Font;              // QFont::toString()
    TColor32 Color = clBlack32; // opaque
    int Level = 0;             // smooth text level 0..4
    int Turn = 0;              // quarter turns counter-clockwise 0..3
    bool operator==(const TProjectText&) const = default;
};

struct TProjectLayer {
    TProjectLayerKind Kind = TProjectLayerKind::Image;
    TRealRect Bounds;   // in face pixels
    bool Visible = true;
    TPixelBuffer Picture; // as drawn on the face, the text layers' too
    TProjectText Text;    // text layers only
};

struct TProjectFace {
    TPixelBuffer Base;                 // empty: the face has no picture
    std::vector<TProjectLayer> Layers; // bottom to top
};

// The free view's camera as a project keeps it.
struct TProjectView {
    double Yaw = 30, Pitch = 15, Fov = 30;
    bool Reflection = false;
    bool operator==(const TProjectView&) const = default;
};

enum TProjectFaceIndex { pfFront = 0, pfSide = 1, pfTop = 2 };

struct TProjectDocument {
    int Style = 1;       // TBoxStyle: 0 two-sided box, 1 three-sided box, 2 book cover
    int Orientation = 0; // TBoxOrientation: 0 side on the left, 1 on the right
    bool Shadow = true;
    bool DefaultSize = true;
    // The size front and side are stretched to when DefaultSize is on (0:
    // 250 x 300, see ProjectDefaultSize).
    int Width = 0, Height = 0;
    bool HasView = false;      // a free view was in use
    TProjectView View;
    std::array<TProjectFace, 3> Faces; // indexed by TProjectFaceIndex
};

// The file's bytes: a zip with the same bytes for the same document. False
// (with the reason in `why`) when a picture cannot be encoded or memory
// runs out.
bool BuildProject(const TProjectDocument& doc, TByteVector& out, QString* why);
// Writes the file atomically: complete, or the old file is left as it was.
bool SaveProject(const QString& path, const TProjectDocument& doc, QString* why);

// All or nothing: `doc` is replaced only when the whole file reads, else it
// is left untouched and `why` gets one message naming `name`. Damaged,
// truncated or hostile files (unsafe entry names, zip bombs, sizes past the
// memory budget, wrong types, a newer major version) are refused.
bool ReadProject(TByteSpan data, const QString& name, TProjectDocument& doc, QString* why);
bool OpenProject(const QString& path, TProjectDocument& doc, QString* why);
