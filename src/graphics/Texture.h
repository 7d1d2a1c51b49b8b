#pragma once
// One image on the graphics device with the skins cut from it. The device
// texture is created on first use, dropped when the device is lost and
// refilled from the file (or a kept copy) when it is needed again. On small
// texture hardware a large image is cut into bordered tile textures, or with
// kNoTiling halved until it fits.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ByteBuffer.h"
#include "engine/ZibBase.h"
#include "graphics/PointI.h"
#include "graphics/Quad.h"
#include "graphics/RectI.h"
#include "platform/D3D9.h"

class MemoryImageFile;
class Skin;

// Bytes of all device textures, process-wide.
extern int32_t residentTextureBytes;

class Texture : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // Construction flags.
  static constexpr int32_t kForceAlpha = 0x01;
  static constexpr int32_t kNoTiling = 0x02;
  static constexpr int32_t kAllow512 = 0x04;
  static constexpr int32_t kKeepSource = 0x08;
  static constexpr int32_t kNoDither = 0x10;

  // The skin description cache (image name + ".ini.preload"): this header
  // followed by `count` records, little-endian.
  struct SkinCacheHeader {
    uint32_t version;
    int32_t width;
    int32_t height;
    uint8_t bHasAlpha;
    uint8_t reserved[3];
    int32_t count;
  };
  struct SkinRecord {
    int32_t left, top, width, height;
    int32_t originAdjustX, originAdjustY;
  };
  static_assert(sizeof(SkinCacheHeader) == 20 && sizeof(SkinRecord) == 24);

  // Loads the skin layout now and the pixels on first use.
  Texture(int32_t flags, std::u16string fileName);
  // An empty texture with one skin over all of it.
  Texture(int32_t width, int32_t height, int32_t flags);
  ~Texture() override;

  // Releases the device texture on the step from PAUSED to FROZEN.
  void onZIBmodeChange(int32_t oldMode, int32_t newMode) override;
  // Releases the device texture unless it was bound in this or the previous frame.
  void purge() override;

  // Creates the device texture when needed and sets it on stage 0.
  void bind();
  void ensureCreated();
  void createDXTextures();
  void reloadImageData();
  void createEmptyTexture(int32_t width, int32_t height, int32_t flags, bool bDelayed);
  // Texture coordinates of a rectangle in image pixels.
  UVRect calcTexCoords(int32_t left, int32_t top, int32_t bottom, int32_t right) const;
  // Null `sourceRect`: the whole image; null `destPoint`: (0, 0).
  void copyImageData(MemoryImageFile* sourceData, const RectI* sourceRect, const PointI* destPoint);
  // The kept source image, decoded again when it was purged.
  MemoryImageFile* getSavedSourceData();
  // Skin `index`; fatal, naming the image, when its description has fewer
  // (a damaged or foreign cache must not send a caller past the list).
  Skin* getSkin(int32_t index) const;

  // The skin layout of an image as cache bytes: in WAD mode the cache alone,
  // else from the image and its ".ini" (written to the cache in creation
  // mode). Fatal, naming the file, when it is damaged or a skin leaves its image.
  static ByteBuffer loadSkinDescription(const std::u16string& fileName);

  int32_t width = 0;
  int32_t height = 0;
  int32_t requestedWidth = 0;
  int32_t requestedHeight = 0;
  std::vector<Skin*> skins;
  uint8_t bHasAlpha = 1;
  // Parent of the tile textures, row by row.
  ZibBase* pTileContainer = nullptr;
  std::u16string name;
  int32_t lastUsedFrame = 0;
  int32_t realWidth = 0;
  int32_t realHeight = 0;
  int32_t scaleFactor = 1;
  MemoryImageFile* pSavedSourceData = nullptr;
  std::u16string fileName;
  int32_t flags = 0;
  uint8_t fileMode = 0;
  IDirect3DTexture9* dxTexture = nullptr;

 private:
  // Has its device texture, or every tile has one.
  bool isCreated() const;
  bool hasTiles() const { return pTileContainer && pTileContainer->firstChild; }
  // The texture whose tile this is, or null.
  Texture* tileOwner() const;
  void releaseDXTexture();
  void buildSkins(const ByteBuffer& description);
  void cutIntoTiles();
  void copyTiles(MemoryImageFile* image);
  int32_t tileStepX() const;
  int32_t tileStepY() const;
};
