// The free view ("Free Angle"): the box as a solid seen through a camera
// at any yaw, pitch and field of view, at any output size, with a soft floor
// shadow and a reflection, on a transparent ground.
//
// Model. One unit is one pixel of the front face (after Default Size, as
// the classic pictures apply it: front (W - 17) x H, side 17 wide). The
// solid is centred at the origin: x to the right along the front's width,
// y up, z out of the front. The front, W x H, lies at z = D / 2; the depth
// D is the side face's width; the floor is y = -H / 2.
//  - Two Sided Box: front and side (on both sides); lid and bottom are flat
//    in the mean colour of the front's top or bottom row.
//  - Three Side Box: the same with the top face as the lid (its bottom edge
//    along the front's top edge).
//  - Book Cover: front cover W x H and spine D x H (the side face) on the
//    left; the page block lies inside, short of the covers by 2% of the
//    smaller of W and H at the top, the bottom and the fore-edge, its top
//    and fore-edge drawn with page pictures made here; the covers are thin
//    and their insides flat in their outside's border colour.
// The picture corners (0, 0), (w, 0), (w, h), (0, h) go to a face's top-left,
// top-right, bottom-right and bottom-left as seen from outside (for the lid:
// back-left, back-right, front-right, front-left).
//
// Camera. It looks at the origin from the direction
//   (-sin yaw cos pitch, sin pitch, cos yaw cos pitch)
// (angles in degrees): a positive yaw shows the left side, as the classic
// pictures do, a negative one the right; the side face goes on whichever
// side faces the camera (a book's spine stays on the left). A positive pitch
// looks down onto the lid, a negative one up at the bottom. The camera stands
// where the box's bounding sphere fills the vertical field of view, so a
// wider field only strengthens the perspective; 0 is a parallel projection.
//
// Light. It comes from the camera, raised a little (the direction to the
// camera plus a quarter of the vertical, normalised); a face's red, green
// and blue are multiplied by clamp(0.45 + 0.75 * max(0, n . l), 0, 1): the
// front keeps its colours at the default pose, the side and lid darken.
//
// Output. Pixel (i, j) covers [i, i + 1) x [j, j + 1): positions have the
// pixel edges at whole numbers, y down. The box with its shadow and
// reflection is centred and fills the output less a margin of 4% of its
// smaller side (4% of the larger side of the content when the size follows
// the faces). Straight (not premultiplied) alpha on a transparent ground.
#pragma once

#include "render/Bitmap32Utils.h"
#include "render/FaceLevels.h"

#include <string>
#include <vector>

namespace freeview {

// Ranges of the settings.
constexpr double kMaxYaw = 90;
constexpr double kMaxPitch = 90;
constexpr double kMaxFov = 100;
constexpr double kMinScale = 0.01;
constexpr double kMaxScale = 16;
// Largest output side, given or following the faces.
constexpr int kMaxSide = 30000;

struct TFreeViewSettings {
    double Yaw = 30;   // degrees, -90 .. 90
    double Pitch = 15; // degrees, -90 .. 90
    double Fov = 30;   // vertical field of view in degrees, 0 .. 100; 0 = parallel
    // Output size; 0 x 0 follows the faces: `Scale` output pixels for one
    // front pixel at the box's middle.
    int Width = 0, Height = 0;
    double Scale = 1; // 0.01 .. 16
    bool Shadow = false;
    bool Reflection = false;
    double ReflectionOpacity = 0.30; // at the contact line, 0 .. 1
    double ReflectionFade = 0.40;    // the depth where it is gone, in box heights, 0.01 .. 1
    int Threads = 1;                 // 0: one per processor (TransformThreads)
};

struct TFaceSize {
    int Width = 0, Height = 0;
    bool IsEmpty() const { return Width <= 0 || Height <= 0; }
};

// Empty when the settings are within range, else what is wrong.
std::string SettingsProblem(const TFreeViewSettings& settings);

// Face names in the geometry: "front", "side", "top", "bottom",
// "pages-top", "pages-edge", "inside" (a book cover's inner side).
struct TFaceGeometry {
    std::string Name;
    int ImageWidth = 0, ImageHeight = 0; // the picture, or the face's size for a flat face
    double X[4] = {}, Y[4] = {};          // where (0, 0), (w, 0), (w, h), (0, h) land
};

struct TFreeViewGeometry {
    int Width = 0, Height = 0;
    std::vector<TFaceGeometry> Faces; // the box's faces in drawing order
};

// {"width":…,"height":…,"faces":[{"name":…,"image":[w,h],"corners":[[x,y],…]},…]}
std::string GeometryJson(const TFreeViewGeometry& geometry);

// The box to be seen: style, size rule and faces, with the filtered levels
// of the faces and the pictures made for it, kept between frames. Setting a
// face has its levels made again (in their old storage when its size stays);
// moving the camera keeps them.
class TFreeViewBox {
public:
    void SetStyle(TBoxStyle style) { FStyle = style; }
    TBoxStyle Style() const { return FStyle; }
    // Default Size: the front becomes (width - 17) x height, the side 17 wide.
    void SetDefaultSize(bool on, int width = 250, int height = 300);
    // Copies the face; see-through pixels are laid on white. An empty
    // picture removes the face (it is then drawn flat: the front white, the
    // side in the front's border colour, 17 / 300 of the height deep). A
    // copy the memory limit has no room for raises EMemoryBudgetError and
    // leaves the face removed.
    void SetFace(TFaceKind kind, const TBitmap32& picture);
    bool HasFace(TFaceKind kind) const;
    // Memory the kept levels and pictures hold.
    std::int64_t Bytes() const;

private:
    friend struct TBoxAccess; // the renderer's way in

    TBoxStyle FStyle = bxTwoSidedBox;
    bool FDefaultSize = false;
    int FDefaultWidth = 250, FDefaultHeight = 300;
    TFaceLevels FFront, FSide, FTop;
    TColor32 FFrontTop = clWhite32, FFrontBottom = clWhite32, FFrontBorder = clWhite32, FSideBorder = clWhite32;
    // Pictures made for the box, with what they were made for.
    TFaceLevels FPagesAcross, FPagesUpright, FShadow;
    int FPagesAcrossCount = 0, FPagesUprightCount = 0;
    std::vector<double> FShadowKey;
};

// The output size and where every face lands, without drawing. Raises
// std::invalid_argument for settings out of range and EBitmapError for an
// output beyond kMaxSide.
TFreeViewGeometry LayOut(const TFreeViewBox& box, const TFreeViewSettings& settings);
// The memory a render of a new box with faces of these sizes takes at most
// (the faces' copies and their levels, the picture and the threads' rows),
// and the picture's size; raises as LayOut does.
struct TFreeViewNeed {
    std::int64_t Bytes = 0;
    int Width = 0, Height = 0;
};
TFreeViewNeed MemoryNeed(TBoxStyle style, bool defaultSize, int defaultWidth, int defaultHeight, TFaceSize front,
                         TFaceSize side, TFaceSize top, const TFreeViewSettings& settings);
// Draws one frame into `out` (resized) and, when asked, says where the faces
// went. The memory it needs is checked against the limit first
// (EMemoryBudgetError). Levels the frame needs are made and kept in `box`.
void Render(TFreeViewBox& box, const TFreeViewSettings& settings, TBitmap32& out,
            TFreeViewGeometry* geometry = nullptr);

} // namespace freeview
