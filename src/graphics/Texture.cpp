#include "graphics/Texture.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <memory>

#include "engine/ErrorManager.h"
#include "engine/FileData.h"
#include "engine/FileManager.h"
#include "engine/FileStream.h"
#include "engine/MemoryIniFile.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/TextureGrid.h"
#include "graphics/ZibGraphics.h"
#include "platform/D3DX9.h"

ZIB_DEFINE_CLASS(Texture, ZibBase, nullptr);

int32_t residentTextureBytes = 0;

static_assert(std::endian::native == std::endian::little, "the skin description cache is little-endian");

namespace {

// The graphics scaling mode; a root without the static configuration counts as 1.
int32_t scalingMode() { return std::max(zib->hq2x, 1); }

IDirect3DDevice9* device() { return zib->pZibGraphics->dxDevice; }

// A failed device call: the assertion form with the call's result as the message.
[[noreturn]] void reportFailedCall(const std::u16string& function, const char* file, int line, HRESULT result,
                                   const char16_t* statement) {
  ErrorManager::fail(formatString(u"Error: %s\n Statement: %s\n Function: %s()\n File: %s\n Line: %d",
                                  ErrorManager::getHRESULTString(result), statement, function,
                                  getFileName(fromUtf8(file)), line));
}

// The cache's parts, copied out of the bytes (which checkSkinDescription has measured).
Texture::SkinCacheHeader headerOf(const ByteBuffer& description) {
  Texture::SkinCacheHeader header;
  std::memcpy(&header, description.data, sizeof(header));
  return header;
}

Texture::SkinRecord recordOf(const ByteBuffer& description, int32_t i) {
  Texture::SkinRecord record;
  std::memcpy(&record, description.data + sizeof(Texture::SkinCacheHeader) + size_t(i) * sizeof(record),
              sizeof(record));
  return record;
}

// Everything later steps rely on: the length matches the count, the image
// size is one a decoder accepts and every skin has an area inside it.
void checkSkinDescription(const ByteBuffer& description, const std::u16string& source) {
  using Header = Texture::SkinCacheHeader;
  if (description.size < sizeof(Header))
    ZIB_ERROR(u"Damaged skin description '%s' (%u bytes).", source, description.size);
  const Header header = headerOf(description);
  if (header.count < 0 ||
      description.size != sizeof(Header) + uint64_t(header.count) * sizeof(Texture::SkinRecord))
    ZIB_ERROR(u"Damaged skin description '%s': %d skins in %u bytes.", source, header.count, description.size);
  if (header.width <= 0 || header.height <= 0 || header.width > MemoryImageFile::kMaxSide ||
      header.height > MemoryImageFile::kMaxSide)
    ZIB_ERROR(u"Damaged skin description '%s': image size %dx%d.", source, header.width, header.height);
  for (int32_t i = 0; i < header.count; ++i) {
    const Texture::SkinRecord r = recordOf(description, i);
    if (r.width <= 0 || r.height <= 0 || r.left < 0 || r.top < 0 || int64_t(r.left) + r.width > header.width ||
        int64_t(r.top) + r.height > header.height)
      ZIB_ERROR(u"Skin %d of '%s' (%d,%d %dx%d) has no area or lies outside its %dx%d image.", i, source, r.left,
                r.top, r.width, r.height, header.width, header.height);
  }
}

// The description file's records; each section must hold the four rectangle keys.
std::vector<Texture::SkinRecord> readDescriptionFile(const std::u16string& iniName) {
  FileManager& files = *zib->pFileManager;
  const bool bOldForceDisk = files.bForceDisk;
  files.bForceDisk = true;
  MemoryIniFile ini(iniName);
  files.bForceDisk = bOldForceDisk;

  // Counted first: looking a section up creates it. Pairs before the first
  // header are not a skin.
  const auto count = static_cast<int32_t>(ini.sections.size() - ini.sections.count(u""));
  std::vector<Texture::SkinRecord> records;
  for (int32_t i = 0; i < count; ++i) {
    const std::u16string section = formatString(u"Skin %d", i);
    for (const char16_t* key : {u"left", u"top", u"width", u"height"})
      if (!ini.hasKey(section, key))
        ZIB_ERROR(u"Skin description '%s' lacks '%s' in section '%s'.", iniName, key, section);
    const auto optional = [&](const char16_t* key) { return ini.hasKey(section, key) ? ini.getInt(section, key) : 0; };
    records.push_back({ini.getInt(section, u"left"), ini.getInt(section, u"top"), ini.getInt(section, u"width"),
                       ini.getInt(section, u"height"), optional(u"origin_adjust_x"), optional(u"origin_adjust_y")});
  }
  return records;
}

// Written beside the image, then opened through the file manager so that the
// WAD being built records it.
void writeCache(const std::u16string& cacheName, const ByteBuffer& description) {
  std::u16string path = cacheName;
  // As the file manager reads it: backslashes separate folders in relative names only.
  if (!path.starts_with(u'/')) std::replace(path.begin(), path.end(), u'\\', u'/');
  const std::u16string tempPath = path + u".tmp";
  FileStream out(tempPath, FileStream::kWrite);
  bool bWritten = out.write(description.data, description.size);
  bWritten &= out.close();
  std::error_code error;
  if (bWritten) std::filesystem::rename(toUtf8(tempPath), toUtf8(path), error);
  if (!bWritten || error) {
    std::filesystem::remove(toUtf8(tempPath), error);
    ZIB_ERROR(u"Cannot write the skin description cache '%s'.", cacheName);
  }
  delete zib->pFileManager->open(nullptr, cacheName);
}

}  // namespace

ByteBuffer Texture::loadSkinDescription(const std::u16string& fileName) {
  FileManager& files = *zib->pFileManager;
  const std::u16string cacheName = fileName + u".ini.preload";
  ByteBuffer description;
  if (files.bUseWad && !files.bForceDisk) {
    const FileData cache(false, cacheName);
    description.append(cache.block.data, cache.block.size);
    checkSkinDescription(description, cacheName);
    return description;
  }

  const MemoryImageFile image(MemoryImageFile::kImageHeaderOnly, fileName);
  // Only the TGA decoder keeps an alpha channel.
  SkinCacheHeader header = {1, image.width, image.height, fileName.find(u".tga") != std::u16string::npos, {}, 1};
  const std::u16string iniName = fileName + u".ini";
  const bool bDescribed = files.exists(iniName);
  std::vector<SkinRecord> records;
  if (bDescribed)
    records = readDescriptionFile(iniName);
  else
    records.push_back({0, 0, image.width, image.height, 0, 0});
  header.count = static_cast<int32_t>(records.size());
  description.append(&header, sizeof(header));
  description.append(records.data(), records.size() * sizeof(SkinRecord));
  checkSkinDescription(description, bDescribed ? iniName : fileName);

  if (files.bCreateWad && !files.bForceDisk) writeCache(cacheName, description);
  return description;
}

Texture::Texture(int32_t flags, std::u16string fileName) : fileName(std::move(fileName)), flags(flags) {
  FileManager& files = *zib->pFileManager;
  fileMode = files.bForceDisk;
  pTileContainer = new ZibBase();
  appendChild(pTileContainer);

  const ByteBuffer description = loadSkinDescription(this->fileName);
  const SkinCacheHeader header = headerOf(description);
  bHasAlpha = header.bHasAlpha || (flags & kForceAlpha);
  createEmptyTexture(header.width, header.height, flags, true);
  if (realWidth >= header.width && realHeight >= header.height) {
    buildSkins(description);
  } else if (flags & kNoTiling) {
    for (int32_t w = header.width, h = header.height; w > realWidth || h > realHeight; w /= 2, h /= 2)
      scaleFactor *= 2;
    width *= scaleFactor;
    height *= scaleFactor;
    buildSkins(description);
  } else {
    buildSkins(description);
    cutIntoTiles();
  }

  if (flags & kKeepSource) {
    // Decoded on first use (getSavedSourceData), or now with delayed loading off.
    const bool bOldForceDisk = files.bForceDisk;
    files.bForceDisk = fileMode;
    pSavedSourceData = new MemoryImageFile(MemoryImageFile::kImageMayDelay, this->fileName);
    files.bForceDisk = bOldForceDisk;
  }
  if (zib->bEnableDelayedLoad) {
    files.verifyFile(this->fileName);
  } else if (hasTiles()) {
    // The tiles got their device textures when they were made, so the image
    // counts as created already: fill them here.
    createDXTextures();
    reloadImageData();
  } else {
    ensureCreated();
  }
}

Texture::Texture(int32_t width, int32_t height, int32_t flags) : flags(flags) {
  createEmptyTexture(width, height, flags, zib->bEnableDelayedLoad);
  ZIB_ASSERT(realWidth >= requestedWidth);
  ZIB_ASSERT(realHeight >= requestedHeight);
  if (flags & kKeepSource) {
    pSavedSourceData = new MemoryImageFile(realWidth, realHeight);
    pSavedSourceData->clear(nullptr, false);
  }
  auto* quad = new Quad();
  quad->pTexture = this;
  quad->setTextureRect(0, 0, height, width);
  skins.push_back(quad);
}

Texture::~Texture() {
  delete pSavedSourceData;
  for (Skin* skin : skins) delete skin;
  releaseDXTexture();
  // The tile container and its tiles go with the children.
}

Skin* Texture::getSkin(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= skins.size())
    ZIB_ERROR(u"Texture '%s' has no skin %d: its description gives %d.", fileName, index,
              static_cast<int32_t>(skins.size()));
  return skins[static_cast<size_t>(index)];
}

void Texture::onZIBmodeChange(int32_t oldMode, int32_t newMode) {
  if (oldMode == MODE_PAUSED && newMode == MODE_FROZEN) releaseDXTexture();
}

void Texture::purge() {
  if (lastUsedFrame < zib->frameCounter - 1) releaseDXTexture();
}

void Texture::releaseDXTexture() {
  if (!dxTexture) return;
  dxTexture->Release();
  dxTexture = nullptr;
  residentTextureBytes -= realWidth * realHeight * 4;
}

void Texture::bind() {
  ensureCreated();
  device()->SetTexture(0, dxTexture);
  if (lastUsedFrame < zib->frameCounter) {
    ++zib->frameStats[STAT_TEXTURES];
    zib->frameStats[STAT_TEXELS] += realWidth * realHeight;
    lastUsedFrame = zib->frameCounter;
  }
}

bool Texture::isCreated() const {
  if (dxTexture) return true;
  if (!hasTiles()) return false;
  for (BasicLink* tile = pTileContainer->firstChild; tile; tile = tile->next)
    if (!static_cast<Texture*>(tile)->dxTexture) return false;
  return true;
}

Texture* Texture::tileOwner() const {
  if (!parent) return nullptr;
  auto* owner = static_cast<ZibBase*>(parent->parent);
  if (!owner || !owner->getClass()->isA(&Texture::classInfo)) return nullptr;
  auto* texture = static_cast<Texture*>(owner);
  return texture->pTileContainer == parent ? texture : nullptr;
}

void Texture::ensureCreated() {
  // A tiled image has no device texture of its own: it counts as created
  // while its tiles are, so that binding it does not decode the file again.
  if (isCreated()) return;
  Texture* top = this;
  for (Texture* owner = tileOwner(); owner && !owner->isCreated(); owner = owner->tileOwner()) top = owner;
  top->createDXTextures();
  top->reloadImageData();
}

void Texture::createDXTextures() {
  if (dxTexture) return;
  if (!hasTiles()) {
    createEmptyTexture(requestedWidth, requestedHeight, flags, false);
    return;
  }
  for (BasicLink* tile = pTileContainer->firstChild; tile; tile = tile->next)
    static_cast<Texture*>(tile)->createDXTextures();
}

void Texture::createEmptyTexture(int32_t width, int32_t height, int32_t flags, bool bDelayed) {
  const int32_t s = scalingMode();
  if (!bDelayed) releaseDXTexture();
  requestedWidth = realWidth = width;
  requestedHeight = realHeight = height;
  if (zib->pZibGraphics && zib->pZibGraphics->bSimulate256x256TextureHW) {
    const int32_t limit = (flags & kAllow512 ? 512 : 256) * s;
    realWidth = std::min((realWidth + 255) / 256 * 256, limit);
    realHeight = std::min((realHeight + 255) / 256 * 256, limit);
  }
  if (!bDelayed) {
    const HRESULT result = D3DXCreateTexture(device(), realWidth, realHeight, 1, 0, D3DFMT_A8R8G8B8,
                                             D3DPOOL_MANAGED, &dxTexture);
    if (FAILED(result))
      reportFailedCall(ZIB_FUNCTION, __FILE__, __LINE__, result,
                       u"D3DXCreateTexture( zib->pZibGraphics->dxDevice, realWidth, realHeight, 1, 0, "
                       u"D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &dxTexture)");
    D3DSURFACE_DESC desc = {};
    if (SUCCEEDED(dxTexture->GetLevelDesc(0, &desc))) {
      realWidth = static_cast<int32_t>(desc.Width);
      realHeight = static_cast<int32_t>(desc.Height);
    }
    residentTextureBytes += realWidth * realHeight * 4;
  }
  this->width = realWidth / s;
  this->height = realHeight / s;
  scaleFactor = 1;
}

void Texture::reloadImageData() {
  std::unique_ptr<MemoryImageFile> loaded;
  MemoryImageFile* image = nullptr;
  if (!fileName.empty()) {
    FileManager& files = *zib->pFileManager;
    const bool bOldForceDisk = files.bForceDisk;
    files.bForceDisk = fileMode;
    loaded = std::make_unique<MemoryImageFile>(0, fileName);
    files.bForceDisk = bOldForceDisk;
    image = loaded.get();
    // The skins and tiles were laid out for the size the cache gave.
    if (image->width != requestedWidth || image->height != requestedHeight)
      ZIB_ERROR(u"Stale skin description cache for '%s': it gives %dx%d, the image is %dx%d.", fileName,
                requestedWidth, requestedHeight, image->width, image->height);
    const ZibGraphics& graphics = *zib->pZibGraphics;
    if (graphics.bitsPerPixel <= 16 && !(flags & kNoDither)) {
      if (zib->ditherDepth == 15) image->ditherDiffusion15bpp();
      if (zib->ditherDepth == 12) image->ditherDiffusion12bpp();
    }
  } else if (pSavedSourceData) {
    image = getSavedSourceData();
  }
  if (!image) return;

  if (image->width <= realWidth && image->height <= realHeight) {
    copyImageData(image, nullptr, nullptr);
  } else if (flags & kNoTiling) {
    scaleFactor = 1;
    while (image->width > realWidth || image->height > realHeight) {
      image->halveSize();
      scaleFactor *= 2;
    }
    width = realWidth / scalingMode() * scaleFactor;
    height = realHeight / scalingMode() * scaleFactor;
    copyImageData(image, nullptr, nullptr);
  } else {
    copyTiles(image);
  }
}

int32_t Texture::tileStepX() const { return requestedWidth > realWidth ? realWidth - 2 * scalingMode() : realWidth; }
int32_t Texture::tileStepY() const {
  return requestedHeight > realHeight ? realHeight - 2 * scalingMode() : realHeight;
}

void Texture::buildSkins(const ByteBuffer& description) {
  const auto s = static_cast<float>(scalingMode());
  const int32_t count = headerOf(description).count;
  for (int32_t i = 0; i < count; ++i) {
    const SkinRecord r = recordOf(description, i);
    auto* quad = new Quad();
    quad->pTexture = this;
    quad->fitToTexture();
    // Odd sizes keep the centre on a texel corner.
    if (r.width & 1) quad->anchor.x -= 0.5f / s;
    if (r.height & 1) quad->anchor.y += 0.5f / s;
    quad->anchor.x -= static_cast<float>(r.originAdjustX) / s;
    quad->anchor.y += static_cast<float>(r.originAdjustY) / s;
    quad->setTextureRect(r.left, r.top, r.top + r.height, r.left + r.width);
    skins.push_back(quad);
  }
}

void Texture::cutIntoTiles() {
  const int32_t stepX = tileStepX(), stepY = tileStepY();
  const int32_t borderX = stepX < realWidth ? 1 : 0, borderY = stepY < realHeight ? 1 : 0;
  std::vector<Texture*> tiles;
  for (int32_t y = 0; y < requestedHeight; y += stepY)
    for (int32_t x = 0; x < requestedWidth; x += stepX) {
      auto* tile = new Texture(realWidth, realHeight, 0);
      pTileContainer->appendChild(tile);
      tile->name = formatString(u"%s@(%d,%d)", fileName, x, y);
      tile->bHasAlpha = bHasAlpha;
      tiles.push_back(tile);
    }
  const int32_t tilesPerRow = (requestedWidth + stepX - 1) / stepX;

  for (Skin*& skin : skins) {
    auto* quad = static_cast<Quad*>(skin);
    const RectI& r = quad->pixelRect;
    const int32_t firstColumn = r.left / stepX, lastColumn = (r.right - 1) / stepX;
    const int32_t firstRow = r.top / stepY, lastRow = (r.bottom - 1) / stepY;
    auto* grid = new TextureGrid();
    grid->setGridSize(lastColumn - firstColumn + 1, lastRow - firstRow + 1);
    for (int32_t row = firstRow; row <= lastRow; ++row)
      for (int32_t column = firstColumn; column <= lastColumn; ++column) {
        Texture* tile = tiles[size_t(row * tilesPerRow + column)];
        const int32_t x0 = column * stepX, y0 = row * stepY;
        // The rectangle clipped to the tile, in the tile's texels.
        const int32_t dx = borderX - x0, dy = borderY - y0;
        auto* cell = new Quad();
        cell->pTexture = tile;
        cell->setTextureRect(std::max(r.left, x0) + dx, std::max(r.top, y0) + dy,
                             std::min(r.bottom, y0 + stepY) + dy, std::min(r.right, x0 + stepX) + dx);
        tile->skins.push_back(cell);
        grid->tiles[size_t((row - firstRow) * grid->columns + column - firstColumn)] = cell;
      }
    grid->anchor = quad->anchor;
    grid->buildGeometry();
    delete quad;
    skin = grid;
  }
}

void Texture::copyTiles(MemoryImageFile* image) {
  const int32_t stepX = tileStepX(), stepY = tileStepY();
  const int32_t borderX = stepX < realWidth ? 1 : 0, borderY = stepY < realHeight ? 1 : 0;
  BasicLink* node = pTileContainer->firstChild;
  for (int32_t y0 = 0; y0 < image->height; y0 += stepY)
    for (int32_t x0 = 0; x0 < image->width && node; x0 += stepX, node = node->next) {
      auto* tile = static_cast<Texture*>(node);
      RectI source = {x0 - borderX, y0 - borderY, std::min(y0 + stepY, image->height) + borderY,
                      std::min(x0 + stepX, image->width) + borderX};
      const bool bLeft = source.left < 0, bTop = source.top < 0;
      const bool bRight = source.right > image->width, bBottom = source.bottom > image->height;
      source = {std::max(source.left, 0), std::max(source.top, 0), std::min(source.bottom, image->height),
                std::min(source.right, image->width)};
      const PointI dest = {bLeft ? 1 : 0, bTop ? 1 : 0};
      tile->copyImageData(image, &source, &dest);

      // Where the image ends, its edge is repeated into the border, so that
      // filtering at a tile's edge sees the image's own texels.
      if (bLeft) {
        const RectI column = {source.left, source.top, source.bottom, source.left + 1};
        const PointI at = {dest.x - 1, dest.y};
        tile->copyImageData(image, &column, &at);
      }
      if (bTop) {
        const RectI row = {source.left, source.top, source.top + 1, source.right};
        const PointI at = {dest.x, dest.y - 1};
        tile->copyImageData(image, &row, &at);
      }
      if (bRight) {
        const RectI column = {source.right - 1, source.top, source.bottom, source.right};
        const PointI at = {dest.x + source.width(), dest.y};
        tile->copyImageData(image, &column, &at);
      }
      if (bBottom) {
        const RectI row = {source.left, source.bottom - 1, source.bottom, source.right};
        const PointI at = {dest.x, dest.y + source.height()};
        tile->copyImageData(image, &row, &at);
      }
    }
}

UVRect Texture::calcTexCoords(int32_t left, int32_t top, int32_t bottom, int32_t right) const {
  const int32_t s = scalingMode();
  const auto w = static_cast<float>(scaleFactor == 1 ? realWidth : width * s);
  const auto h = static_cast<float>(scaleFactor == 1 ? realHeight : height * s);
  return {static_cast<float>(left) / w, static_cast<float>(top) / h, static_cast<float>(right) / w,
          static_cast<float>(bottom) / h};
}

void Texture::copyImageData(MemoryImageFile* sourceData, const RectI* sourceRect, const PointI* destPoint) {
  ensureCreated();
  const RectI whole = {0, 0, sourceData->height, sourceData->width};
  const PointI origin = {0, 0};
  if (sourceRect)
    ZIB_ASSERT(scaleFactor == 1);
  else
    sourceRect = &whole;
  if (!destPoint) destPoint = &origin;
  // Never read outside the source pixels or write before the first texel.
  ZIB_ASSERT(sourceRect->left >= 0 && sourceRect->top >= 0 && sourceRect->left <= sourceRect->right &&
             sourceRect->top <= sourceRect->bottom && sourceRect->right <= sourceData->width &&
             sourceRect->bottom <= sourceData->height && destPoint->x >= 0 && destPoint->y >= 0);
  ZIB_ASSERT(destPoint->x + sourceRect->width() <= realWidth && destPoint->y + sourceRect->height() <= realHeight);
  if (sourceRect->width() == 0 || sourceRect->height() == 0 || !sourceData->pImageData) return;

  IDirect3DSurface9* pSurfaceLevel = nullptr;
  if (const HRESULT result = dxTexture->GetSurfaceLevel(0, &pSurfaceLevel); FAILED(result))
    reportFailedCall(ZIB_FUNCTION, __FILE__, __LINE__, result, u"dxTexture->GetSurfaceLevel(0, &pSurfaceLevel)");
  const RECT destRectDX = {destPoint->x, destPoint->y, destPoint->x + sourceRect->width(),
                           destPoint->y + sourceRect->height()};
  const RECT sourceRectDX = {sourceRect->left, sourceRect->top, sourceRect->right, sourceRect->bottom};
  const HRESULT result =
      D3DXLoadSurfaceFromMemory(pSurfaceLevel, nullptr, &destRectDX, sourceData->pImageData, D3DFMT_A8R8G8B8,
                                static_cast<UINT>(sourceData->width) * sizeof(UColor), nullptr, &sourceRectDX,
                                D3DX_FILTER_NONE, 0);
  pSurfaceLevel->Release();
  if (FAILED(result))
    reportFailedCall(ZIB_FUNCTION, __FILE__, __LINE__, result,
                     u"D3DXLoadSurfaceFromMemory( pSurfaceLevel, NULL, &destRectDX, sourceData->pImageData, "
                     u"D3DFMT_A8R8G8B8, sourceData->width * sizeof(UColor), NULL, &sourceRectDX, "
                     u"D3DX_FILTER_NONE, 0 )");
}

MemoryImageFile* Texture::getSavedSourceData() {
  ZIB_ASSERT(pSavedSourceData != NULL);
  if (fileName.empty() || pSavedSourceData->pImageData) {
    pSavedSourceData->unpurge();
  } else {
    // Read the way the texture's own file was at construction.
    FileManager& files = *zib->pFileManager;
    const bool bOldForceDisk = files.bForceDisk;
    files.bForceDisk = fileMode;
    pSavedSourceData->unpurge();
    files.bForceDisk = bOldForceDisk;
  }
  return pSavedSourceData;
}
