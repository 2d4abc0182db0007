#include "ProjectJob.h"

#include "editing/ProjectFaces.h"
#include "resources/StringTable.h"

void ApplyProjectSettings(const TProjectDocument& doc, TRenderOptions& options)
{
    auto given = [&](const char* option) { return options.Given.contains(QLatin1String(option)); };
    if (!given("--style")) options.Style = TBoxStyle(doc.Style);
    if (!given("--orientation")) options.Orientation = doc.Orientation == 1 ? boRight : boLeft;
    if (!given("--shadow")) options.Shadow = doc.Shadow;
    if (!given("--default-size")) options.DefaultSize = doc.DefaultSize;
    if (!options.SizeGiven) ProjectDefaultSize(doc, options.DefaultWidth, options.DefaultHeight);
    if (doc.HasView && !options.ClassicView) {
        options.FreeView = true;
        if (!given("--yaw")) options.View.Yaw = doc.View.Yaw;
        if (!given("--pitch")) options.View.Pitch = doc.View.Pitch;
        if (!given("--fov")) options.View.Fov = doc.View.Fov;
        if (!given("--reflection")) options.View.Reflection = doc.View.Reflection;
    } else if (options.FreeView && !options.YawGiven && options.Orientation == boRight) {
        // As for faces given one by one: the right orientation turns the default yaw.
        options.View.Yaw = -options.View.Yaw;
    }
}

bool LoadProjectJob(TRenderOptions& options, TBitmap32& F, TBitmap32& S, TBitmap32& T, QString& error)
{
    TProjectDocument doc;
    if (!OpenProject(options.Project.Name, doc, &error)) return false;
    ApplyProjectSettings(doc, options);
    const bool needsTop = options.Style == bxThreeSideBox;
    const char* names[3] = {"front", "side", "top"};
    for (int i = 0; i < (needsTop ? 3 : 2); ++i)
        if (doc.Faces[std::size_t(i)].Base.IsEmpty()) {
            error = LoadStr(StrId::RenderProjectLacksFace).arg(options.Project.Name, QLatin1String(names[i]));
            return false;
        }
    try {
        FlattenProjectFace(doc.Faces[pfFront], F);
        FlattenProjectFace(doc.Faces[pfSide], S);
        if (needsTop) FlattenProjectFace(doc.Faces[pfTop], T);
    } catch (const std::bad_alloc&) {
        error = LoadStr(StrId::RenderRenderFailed).arg(LoadStr(StrId::ProjectOutOfMemory));
        return false;
    }
    return true;
}
