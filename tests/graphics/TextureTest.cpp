#include "graphics/Texture.h"


#include <filesystem>

#include "engine/ByteBuffer.h"
#include "engine/DataStream.h"
#include "engine/FileManager.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Quad.h"
#include "graphics/TextureGrid.h"
#include "graphics/ZibGraphics.h"
#include "support/GraphicsFixture.h"

namespace {

namespace fs = std::filesystem;

// Pixel (x, y) of the test images: red y, green x / 256, blue x % 256.
UColor pattern(int x, int y) {
  return 0xFF000000u | uint32_t(y & 0xFF) << 16 | uint32_t(x >> 8) << 8 | uint32_t(x & 0xFF);
}

class TextureTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    makeGraphics();
    zib->pFileManager = files = new FileManager();
    files->bUseWad = false;
    fs::create_directories(dataHome.path() / "work");
    oldFolder = fs::current_path();
    fs::current_path(dataHome.path() / "work");
  }
  void TearDown() override {
    fs::current_path(oldFolder);
    files->bCreateWad = false;
    GraphicsTest::TearDown();
  }

  static void writeImage(const char* name, int w, int h) {
    MemoryImageFile image(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.pImageData[y * w + x] = pattern(x, y);
    image.saveTGA(fromUtf8(name));
  }
  static std::string cache(int w, int h, int count, std::vector<Texture::SkinRecord> records) {
    const Texture::SkinCacheHeader header = {1, w, h, 1, {}, count};
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    return bytes.append(reinterpret_cast<const char*>(records.data()), records.size() * sizeof(records[0]));
  }
  // Records the files into a WAD, then reads from it alone.
  void packAndMount(std::initializer_list<const char16_t*> names) {
    files->wadEntries.clear();  // files recorded earlier belong to no WAD
    files->bCreateWad = true;
    files->useWad(u"test.dat");
    for (const char16_t* name : names) delete files->open(nullptr, name);
    files->writeWad(u"test.dat", false, u"test.dat");
    files->bCreateWad = false;
    files->bUseWad = true;
    files->useWad(u"test.dat");
  }
  static UColor texel(Texture& texture, int x, int y) {
    D3DLOCKED_RECT locked;
    EXPECT_EQ(texture.dxTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const UColor value = static_cast<const UColor*>(locked.pBits)[y * locked.Pitch / 4 + x];
    texture.dxTexture->UnlockRect(0);
    return value;
  }

  FileManager* files = nullptr;
  fs::path oldFolder;
};

TEST_F(TextureTest, SkinDescriptionsCacheRoundTripAndAnchors) {
  writeImage("plain.tga", 33, 20);
  writeImage("sheet.tga", 64, 32);
  writeFile("sheet.tga.ini", "[Skin 0]\nleft=0\ntop=0\nwidth=64\nheight=32\n[Skin 1]\nleft=8\ntop=4\nwidth=16\n"
                             "height=9\norigin_adjust_x=10\norigin_adjust_y=-3\n");
  files->bCreateWad = true;  // writes the caches
  {
    Texture plain(0, u"plain.tga");
    ASSERT_EQ(plain.skins.size(), 1u);
    EXPECT_FLOAT_EQ(plain.skins[0]->width, 33);
    EXPECT_EQ(plain.skins[0]->anchor, Vector3(-0.5f, 0, 0));
  }
  const ByteBuffer written = Texture::loadSkinDescription(u"sheet.tga");
  const std::string expected = cache(64, 32, 2, {{0, 0, 64, 32, 0, 0}, {8, 4, 16, 9, 10, -3}});
  EXPECT_EQ(readFile("sheet.tga.ini.preload"), expected);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(written.data), written.size), expected);

  fs::remove("sheet.tga.ini");  // the WAD holds the cache, which is all that is read
  packAndMount({u"sheet.tga", u"sheet.tga.ini.preload"});
  zib->hq2x = 2;
  Texture sheet(0, u"sheet.tga");
  ASSERT_EQ(sheet.skins.size(), 2u);
  const auto* quad = static_cast<Quad*>(sheet.skins[1]);
  EXPECT_EQ(quad->pixelRect.bottom, 13);
  EXPECT_FLOAT_EQ(quad->uvRect.uRight, 24.0f / 256);  // real size 256 x 256 on small-texture hardware
  EXPECT_FLOAT_EQ(quad->width, 8);
  EXPECT_EQ(quad->anchor, Vector3(-5, 0.25f - 1.5f, 0));
}

TEST_F(TextureTest, DamagedStaleOrOutOfImageDescriptionsAreFatalAndNameTheFile) {
  writeImage("a.tga", 16, 16);
  writeFile("a.tga.ini", "[Skin 0]\nleft=8\ntop=0\nwidth=9\nheight=4\n");
  EXPECT_FATAL(Texture::loadSkinDescription(u"a.tga"), "Skin 0 of 'a.tga.ini'");
  writeFile("a.tga.ini", "[Skin 0]\nleft=0\ntop=0\nwidth=4\n");
  EXPECT_FATAL(Texture::loadSkinDescription(u"a.tga"), "lacks 'height'");

  writeFile("short.tga.ini.preload", cache(16, 16, 1, {}).substr(0, 12));
  writeFile("count.tga.ini.preload", cache(16, 16, 2, {{0, 0, 16, 16, 0, 0}}));
  writeFile("negative.tga.ini.preload", cache(16, 16, -1, {}));
  writeFile("size.tga.ini.preload", cache(0, 16, 0, {}));
  writeFile("empty.tga.ini.preload", cache(16, 16, 1, {{4, 4, 0, 3, 0, 0}}));
  writeFile("a.tga.ini.preload", cache(32, 16, 1, {{0, 0, 32, 16, 0, 0}}));  // stale: the image is 16 wide
  packAndMount({u"short.tga.ini.preload", u"count.tga.ini.preload", u"negative.tga.ini.preload",
                u"size.tga.ini.preload", u"empty.tga.ini.preload", u"a.tga.ini.preload", u"a.tga"});
  for (const char* name : {"short", "count", "negative", "size"})
    EXPECT_FATAL(Texture::loadSkinDescription(fromUtf8(name) + u".tga"),
                 "Damaged skin description '" + std::string(name) + ".tga.ini.preload'");
  EXPECT_FATAL(Texture::loadSkinDescription(u"empty.tga"), "Skin 0 of 'empty.tga.ini.preload'");
  Texture stale(0, u"a.tga");
  EXPECT_FATAL(stale.bind(), "Stale skin description cache for 'a.tga'");
  // A caller asking for a skin the cache left out is stopped, not sent past the list.
  EXPECT_EQ(stale.getSkin(0), stale.skins[0]);
  EXPECT_FATAL(stale.getSkin(1), "Texture 'a.tga' has no skin 1: its description gives 1.");
  EXPECT_FATAL(stale.getSkin(-1), "has no skin -1");
}

TEST_F(TextureTest, LargeImagesAreCutIntoBorderedTilesOrHalved) {
  writeImage("wide.tga", 600, 200);
  Texture wide(0, u"wide.tga");
  EXPECT_EQ(wide.pTileContainer->countChildren(), 3u);
  const auto* grid = dynamic_cast<TextureGrid*>(wide.skins[0]);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(std::tuple(grid->columns, grid->width, grid->height), std::tuple(3, 600.0f, 200.0f));
  Texture* tiles[3];
  int i = 0;
  for (BasicLink* node = wide.pTileContainer->firstChild; node; node = node->next)
    tiles[i++] = static_cast<Texture*>(node);
  EXPECT_EQ(tiles[1]->name, u"wide.tga@(254,0)");
  EXPECT_EQ(tiles[2]->name, u"wide.tga@(508,0)");
  EXPECT_EQ(tiles[2]->skins.back(), grid->tiles[2]);

  wide.bind();
  fs::remove("wide.tga");  // a second decode would now be fatal
  wide.bind();
  tiles[1]->bind();
  // Each tile holds its step plus a one-texel border; the image's own edges are repeated.
  // (tile, x, y) holds the image's (sourceX, y).
  for (auto [tile, x, y, sourceX] : {std::array{0, 0, 5, 0}, {0, 1, 5, 0}, {0, 255, 5, 254}, {1, 0, 199, 253},
                                     {1, 255, 7, 508}, {2, 93, 7, 599}, {2, 92, 7, 599}})
    EXPECT_EQ(texel(*tiles[tile], x, y), pattern(sourceX, y)) << tile << "," << x;
  EXPECT_EQ(texel(*tiles[2], 0, 200), 0u);  // not cut vertically: no border row

  writeImage("wide.tga", 600, 200);
  // Skins ending or starting on a tile edge lie on one tile each.
  writeFile("wide.tga.ini", "[Skin 0]\nleft=0\ntop=0\nwidth=254\nheight=9\n[Skin 1]\nleft=254\ntop=0\nwidth=254\nheight=9\n");
  Texture edges(0, u"wide.tga");
  for (Skin* skin : edges.skins) EXPECT_EQ(static_cast<TextureGrid*>(skin)->columns, 1);
  fs::remove("wide.tga.ini");
  Texture halved(Texture::kNoTiling, u"wide.tga");
  EXPECT_EQ(halved.scaleFactor, 4);
  EXPECT_EQ(halved.pTileContainer->countChildren(), 0u);
  EXPECT_FLOAT_EQ(halved.skins[0]->width, 600);
  halved.bind();
  EXPECT_EQ(halved.scaleFactor, 4);
  EXPECT_EQ(halved.width, 1024);
  EXPECT_NE(texel(halved, 149, 49), 0u);
  EXPECT_EQ(texel(halved, 150, 49), 0u);
}

TEST_F(TextureTest, WithoutDelayedLoadingTilesAreFilledAtOnceAndAKeptSourceWaitsForUse) {
  writeImage("wide.tga", 600, 200);
  {
    zib->bEnableDelayedLoad = false;
    Texture wide(0, u"wide.tga");
    zib->bEnableDelayedLoad = true;
    fs::remove("wide.tga");  // filled already: nothing more to read
    wide.bind();
    Texture* tile = static_cast<Texture*>(wide.pTileContainer->firstChild->next);
    EXPECT_EQ(texel(*tile, 1, 5), pattern(254, 5));
    EXPECT_EQ(texel(*tile, 255, 199), pattern(508, 199));
  }

  writeImage("kept.tga", 40, 30);
  Texture kept(Texture::kKeepSource, u"kept.tga");
  EXPECT_EQ(kept.pSavedSourceData->pImageData, nullptr);  // only its existence checked
  EXPECT_EQ(kept.getSavedSourceData()->pImageData[29 * 40 + 39], pattern(39, 29));
}

TEST_F(TextureTest, ReleasedOnFreezingRefilledOnNextUsePurgedWhenIdleAndCountedOncePerFrame) {
  writeImage("b.tga", 40, 30);
  Texture loaded(0, u"b.tga");
  Texture drawn(64, 64, Texture::kKeepSource);
  EXPECT_EQ(loaded.dxTexture, nullptr);
  const int32_t before = residentTextureBytes;
  zib->frameCounter = 5;
  loaded.bind();
  loaded.bind();
  EXPECT_EQ(zib->frameStats[STAT_TEXTURES], 1);
  EXPECT_EQ(zib->frameStats[STAT_TEXELS], 256 * 256);
  EXPECT_EQ(residentTextureBytes, before + 256 * 256 * 4);
  const RectI whole = static_cast<Quad*>(drawn.skins[0])->pixelRect;
  EXPECT_EQ((std::vector<int32_t>{whole.left, whole.top, whole.bottom, whole.right}), (std::vector<int32_t>{0, 0, 64, 64}));
  drawn.getSavedSourceData()->pImageData[3] = 0x11223344;
  drawn.copyImageData(drawn.getSavedSourceData(), nullptr, nullptr);

  zib->changeZIBmode(MODE_PAUSED);
  EXPECT_NE(loaded.dxTexture, nullptr);
  zib->changeZIBmode(MODE_FROZEN);
  EXPECT_EQ(loaded.dxTexture, nullptr);
  EXPECT_EQ(drawn.dxTexture, nullptr);
  EXPECT_EQ(residentTextureBytes, before);
  zib->changeZIBmode(MODE_OK);
  loaded.bind();
  drawn.bind();
  EXPECT_EQ(texel(loaded, 39, 29), pattern(39, 29));
  EXPECT_EQ(texel(drawn, 3, 0), 0x11223344u);
  EXPECT_EQ(zib->frameStats[STAT_TEXTURES], 2);

  zib->frameCounter = 6;
  loaded.purge();
  EXPECT_NE(loaded.dxTexture, nullptr);
  zib->frameCounter = 7;
  loaded.purge();
  EXPECT_EQ(loaded.dxTexture, nullptr);
}

TEST_F(TextureTest, SixteenBitDisplaysGetImagesDitheredToTheConfiguredDepth) {
  writeImage("d.tga", 40, 30);
  zib->pZibGraphics->bitsPerPixel = 16;
  for (const int32_t depth : {12, 15}) {
    zib->ditherDepth = depth;
    Texture image(0, u"d.tga");
    image.bind();
    uint32_t lowBits = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) lowBits |= texel(image, x, y) & 0x0F0F0F;
    // 4 or 5 bits a channel kept.
    EXPECT_EQ(lowBits & (depth == 12 ? 0x0F0F0Fu : 0x070707u), 0u) << depth;
    EXPECT_EQ(lowBits != 0, depth == 15) << depth;
  }
  Texture undithered(Texture::kNoDither, u"d.tga");
  undithered.bind();
  EXPECT_EQ(texel(undithered, 7, 3), pattern(7, 3));
}

TEST_F(TextureTest, ASkinCacheThatCannotBeWrittenIsFatalAndLeavesNoFile) {
  writeImage("c.tga", 8, 8);
  files->bCreateWad = true;
  // No file may grow: the cache's bytes fit its buffer, and only closing the file fails.
  {
    const NoFileGrowth full;
    EXPECT_FATAL(Texture::loadSkinDescription(u"c.tga"), "Cannot write the skin description cache 'c.tga.ini.preload'");
  }
  EXPECT_FALSE(fs::exists("c.tga.ini.preload"));
}

}  // namespace
