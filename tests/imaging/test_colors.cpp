// Colour functions: the documented values, and every vectorised set against
// the plain one on random and edge inputs.
#include "imaging/Color32.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Channel-by-channel reference, written without the two-lanes trick.
TColor32 RefMix(TColor32 f, TColor32 b, std::uint32_t w)
{
    TColor32 r = 0;
    for (int s = 0; s < 32; s += 8) {
        const std::uint32_t fc = (f >> s) & 255, bc = (b >> s) & 255;
        r |= ((w * fc + (256 - w) * bc + 128) >> 8) << s;
    }
    return r;
}

std::vector<const TColorFunctionSet*> VectorSets()
{
    std::vector<const TColorFunctionSet*> sets;
    if (auto* s = Sse2ColorFunctions()) sets.push_back(s);
    if (auto* s = Avx2ColorFunctions()) sets.push_back(s);
    return sets;
}

TColor32 RandomColor(std::mt19937& rng)
{
    // Bias alpha toward the special values 0, 1, 254 and 255.
    static const std::uint32_t alphas[] = {0, 1, 2, 127, 128, 254, 255};
    TColor32 c = rng();
    if (rng() % 2) c = (c & 0x00FFFFFFu) | (alphas[rng() % 7] << 24);
    return c;
}

} // namespace

TEST(ColorFunctions, DocumentedValues)
{
    // Weight 255 is not an exact copy, but CombineInto's 255 is.
    EXPECT_EQ(CombineColors(0x00000000u, 0xFFFFFFFFu, 255), 0x01010101u);
    TColor32 y = 0xFFFFFFFFu;
    CombineInto(0x00000000u, y, 255);
    EXPECT_EQ(y, 0x00000000u);
    y = 0x12345678u;
    CombineInto(0xFFFFFFFFu, y, 0);
    EXPECT_EQ(y, 0x12345678u);

    TColor32 b = 0x80402010u;
    BlendOverInto(0x00FFFFFFu, b);
    EXPECT_EQ(b, 0x80402010u);
    BlendOverInto(0xFF0A0B0Cu, b);
    EXPECT_EQ(b, 0xFF0A0B0Cu);

    // Master 255 over an opaque source mixes with weight 255, not a copy.
    b = 0xFFFFFFFFu;
    BlendOverMaster(0xFF000000u, b, 255);
    EXPECT_EQ(b, 0xFF010101u);
    b = 0xFFFFFFFFu;
    BlendOverMaster(0xFF000000u, b, 0); // w = (1 * 255) >> 8 = 0
    EXPECT_EQ(b, 0xFFFFFFFFu);

    EXPECT_EQ(ShiftBrightness(0xFF0A0B0Cu, -12), 0xFF000000u);
    EXPECT_EQ(ShiftBrightness(0x80FFFFFFu, 12), 0x80FFFFFFu);
    EXPECT_EQ(ShiftBrightness(0x7F102030u, -12), 0x7F041424u);
    EXPECT_EQ(MaxChannels(0x10FF2080u, 0x20003090u), 0x20FF3090u);
    EXPECT_EQ(MinChannels(0x10FF2080u, 0x20003090u), 0x10002080u);
    EXPECT_EQ(GreyLevel(0xFFFFFFFFu), 255);
    EXPECT_EQ(GreyLevel(0xFF00FF00u), (174 * 255) >> 8);
    EXPECT_EQ(WithAlpha(0x11223344u, 300), 0xFF223344u);
    EXPECT_EQ(WithAlpha(0x11223344u, -5), 0x00223344u);
    EXPECT_EQ(Color32FromPlatform(0x00332211u), 0xFF112233u);
}

TEST(ColorFunctions, PlainSetMatchesChannelReference)
{
    const TColorFunctionSet& p = PlainColorFunctions();
    std::mt19937 rng(7);
    for (int n = 0; n < 200000; ++n) {
        const TColor32 x = RandomColor(rng), yv = RandomColor(rng);
        const std::uint32_t w = rng() % 256, m = rng() % 256;
        ASSERT_EQ(p.CombineColors(x, yv, w), RefMix(x, yv, w));
        ASSERT_EQ(p.BlendOver(x, yv), RefMix(x, yv, x >> 24));
        TColor32 b = yv;
        p.BlendOverMaster(x, b, m);
        const std::uint32_t wm = ((m + 1) * (x >> 24)) >> 8;
        ASSERT_EQ(b, (x >> 24) == 0 || wm == 0 ? yv : RefMix(x, yv, wm));
    }
}

TEST(ColorFunctions, VectorSetsMatchPlainOnRows)
{
    const TColorFunctionSet& p = PlainColorFunctions();
    std::mt19937 rng(11);
    for (const TColorFunctionSet* set : VectorSets()) {
        SCOPED_TRACE(set->Name);
        for (int round = 0; round < 400; ++round) {
            const int count = round < 40 ? round : int(rng() % 300);
            std::vector<TColor32> src(std::size_t(count) + 1), dst(std::size_t(count) + 1);
            for (auto& c : src) c = RandomColor(rng);
            for (auto& c : dst) c = RandomColor(rng);
            // The guard element past the row must stay untouched.
            auto expect = dst, got = dst;
            p.BlendRowOver(src.data(), expect.data(), count);
            set->BlendRowOver(src.data(), got.data(), count);
            ASSERT_EQ(got, expect) << "BlendRowOver, count " << count;

            for (std::uint32_t m : {0u, 1u, 127u, 128u, 254u, 255u, std::uint32_t(rng() % 256)}) {
                expect = dst;
                got = dst;
                p.BlendRowOverMaster(src.data(), expect.data(), count, m);
                set->BlendRowOverMaster(src.data(), got.data(), count, m);
                ASSERT_EQ(got, expect) << "BlendRowOverMaster, count " << count << ", master " << m;
            }
        }
        // Single-pixel functions of the set agree as well.
        for (int n = 0; n < 100000; ++n) {
            const TColor32 x = RandomColor(rng), yv = RandomColor(rng);
            const std::uint32_t w = rng() % 256;
            ASSERT_EQ(set->CombineColors(x, yv, w), p.CombineColors(x, yv, w));
            TColor32 a = yv, b = yv;
            set->BlendOverInto(x, a);
            p.BlendOverInto(x, b);
            ASSERT_EQ(a, b);
        }
    }
}

TEST(ColorFunctions, RowBlendsFollowTheirOwnWeights)
{
    // The row blend with master alpha weights by (a + 1) * M, the single one by (M + 1) * a.
    const TColor32 f = 0x80FFFFFFu;
    TColor32 row = 0xFF000000u;
    BlendRowOverMaster(&f, &row, 1, 128);
    TColor32 single = 0xFF000000u;
    BlendOverMaster(f, single, 128);
    EXPECT_EQ(row, RefMix(f, 0xFF000000u, (129 * 128) >> 8));
    EXPECT_EQ(single, RefMix(f, 0xFF000000u, (129 * 128) >> 8));
    const TColor32 f2 = 0x40FFFFFFu;
    row = single = 0xFF000000u;
    BlendRowOverMaster(&f2, &row, 1, 200);
    BlendOverMaster(f2, single, 200);
    EXPECT_EQ(row, RefMix(f2, 0xFF000000u, (65 * 200) >> 8));
    EXPECT_EQ(single, RefMix(f2, 0xFF000000u, (201 * 64) >> 8));
}

TEST(ColorFunctions, ActiveSetIsTheBestAvailable)
{
    const TColorFunctionSet& active = ActiveColorFunctions();
    if (CpuHasAvx2())
        EXPECT_STREQ(active.Name, "avx2");
    else if (CpuHasSse2())
        EXPECT_STREQ(active.Name, "sse2");
    else
        EXPECT_STREQ(active.Name, "plain");
    EXPECT_EQ(BlendRowOver, active.BlendRowOver);
}

TEST(ColorFunctions, FillLongwordFillsExactlyTheRange)
{
    std::vector<TColor32> buf(64);
    for (std::size_t start = 0; start < 8; ++start)
        for (std::size_t count = 0; count < 40; ++count) {
            std::fill(buf.begin(), buf.end(), 0xDEADBEEFu);
            FillLongword(buf.data() + start, count, 0x01020304u);
            for (std::size_t i = 0; i < buf.size(); ++i)
                ASSERT_EQ(buf[i], i >= start && i < start + count ? 0x01020304u : 0xDEADBEEFu)
                    << "start " << start << " count " << count << " index " << i;
        }
}
