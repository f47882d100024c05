// The skin generator: every bitmap the manifest names, at its size, in
// 24 bits, the same bytes on every run.
#include <unistd.h>

#include <climits>

#include "kvostudio/folders.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "platform/draw/bitmap.h"
#include "tests/support/command_output.h"
#include "tests/support/temp_files.h"

#include <gtest/gtest.h>

namespace {

std::string Generator()
{
    return GetProgramFolder() + "kvo_skingen";
}

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | b[at + i];
    return v;
}

}  // namespace

TEST(SkinGenerator, WritesEveryManifestBitmapAt24BitsAndItsSize)
{
    const std::string folder = GetSkinFolder();
    EXPECT_GE(skin::kBitmapCount, 100u);
    for (const skin::BitmapSpec& spec : skin::kBitmaps) {
        SCOPED_TRACE(spec.name);
        std::vector<uint8_t> bytes = testsupport::ReadFile(folder + spec.name);
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(Le(bytes, 18, 4), static_cast<uint32_t>(spec.width));
        EXPECT_EQ(Le(bytes, 22, 4), static_cast<uint32_t>(spec.height));
        EXPECT_EQ(Le(bytes, 28, 2), 24u);
        platform::Bitmap loaded = platform::Bitmap::Load(folder + spec.name);
        EXPECT_EQ(loaded.GetSize(), (platform::Size{spec.width, spec.height}));
    }
}

TEST(SkinGenerator, TwoRunsWriteTheSameBytes)
{
    testsupport::TempDir a, b;
    ASSERT_TRUE(testsupport::CommandOutput({Generator(), a.Path()}).has_value());
    ASSERT_TRUE(testsupport::CommandOutput({Generator(), b.Path()}).has_value());
    for (const skin::BitmapSpec& spec : skin::kBitmaps) {
        SCOPED_TRACE(spec.name);
        EXPECT_EQ(testsupport::ReadFile(a.File(spec.name)), testsupport::ReadFile(b.File(spec.name)));
    }
}

TEST(SkinGenerator, TheBodyIsCutAwayAtItsCornersOnly)
{
    platform::Bitmap body = platform::Bitmap::Load(GetSkinFolder() + skin::kBody);
    ASSERT_FALSE(body.IsNull());
    int cut = 0;
    for (int y = 0; y < body.Height(); ++y)
        for (int x = 0; x < body.Width(); ++x)
            if (body.GetPixel(x, y) == platform::kSkinKeyColour)
                ++cut;
    EXPECT_EQ(body.GetPixel(0, 0), platform::kSkinKeyColour);
    EXPECT_EQ(body.GetPixel(body.Width() - 1, body.Height() - 1), platform::kSkinKeyColour);
    // Only the four rounded corners: a few pixels each.
    EXPECT_GT(cut, 4);
    EXPECT_LT(cut, 4 * skin::kBodyCornerRadius * skin::kBodyCornerRadius);
}
