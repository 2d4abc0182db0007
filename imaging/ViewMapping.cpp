#include "ViewMapping.h"

#include <limits>

std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c)
{
    if (c == 0) return -1;
    std::int64_t p = std::int64_t(a) * b;
    const std::int64_t half = (c < 0 ? -std::int64_t(c) : std::int64_t(c)) / 2;
    // Moving the product half a divisor away from zero before the truncating
    // division rounds halves away from zero.
    p += p < 0 ? -half : half;
    const std::int64_t q = p / c;
    if (q > std::numeric_limits<std::int32_t>::max() || q < std::numeric_limits<std::int32_t>::min())
        return -1;
    return std::int32_t(q);
}

TMappingRecord ComputeMapping(int width, int height, const TRect& rect)
{
    TMappingRecord m;
    m.BitmapRect = rect;
    if (width <= 0 || height <= 0) return m;
    m.OffsetX = rect.Left;
    m.OffsetY = rect.Top;
    m.ZoomX = MulDiv(rect.Width(), 65536, width);
    m.ZoomY = MulDiv(rect.Height(), 65536, height);
    m.InvZoomX = MulDiv(width, 65536, rect.Width());
    m.InvZoomY = MulDiv(height, 65536, rect.Height());
    return m;
}

TViewPoint ViewToBitmap(const TMappingRecord& m, int x, int y)
{
    // 64-bit products: at small scales the inverse zoom times a view distance
    // exceeds 32 bits.
    const std::int64_t px = (std::int64_t(x) - m.OffsetX) * m.InvZoomX;
    const std::int64_t py = (std::int64_t(y) - m.OffsetY) * m.InvZoomY;
    return TViewPoint{int(px / 65536), int(py / 65536)};
}
