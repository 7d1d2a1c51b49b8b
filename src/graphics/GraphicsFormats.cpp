#include "graphics/GraphicsFormats.h"

#include <initializer_list>

#include "base/Format.h"

namespace {

#define NAMED(value) \
  { value, u## #value }

struct NamedFormat {
  D3DFORMAT format;
  const char16_t* name;
};

constexpr NamedFormat kFormats[] = {
    NAMED(D3DFMT_UNKNOWN),     NAMED(D3DFMT_R8G8B8),       NAMED(D3DFMT_A8R8G8B8),    NAMED(D3DFMT_X8R8G8B8),
    NAMED(D3DFMT_R5G6B5),      NAMED(D3DFMT_X1R5G5B5),     NAMED(D3DFMT_A1R5G5B5),    NAMED(D3DFMT_A4R4G4B4),
    NAMED(D3DFMT_R3G3B2),      NAMED(D3DFMT_A8),           NAMED(D3DFMT_A8R3G3B2),    NAMED(D3DFMT_X4R4G4B4),
    NAMED(D3DFMT_A2B10G10R10), NAMED(D3DFMT_G16R16),       NAMED(D3DFMT_A8P8),        NAMED(D3DFMT_P8),
    NAMED(D3DFMT_L8),          NAMED(D3DFMT_A8L8),         NAMED(D3DFMT_A4L4),        NAMED(D3DFMT_V8U8),
    NAMED(D3DFMT_L6V5U5),      NAMED(D3DFMT_X8L8V8U8),     NAMED(D3DFMT_Q8W8V8U8),    NAMED(D3DFMT_V16U16),
    NAMED(D3DFMT_A2W10V10U10), NAMED(D3DFMT_UYVY),         NAMED(D3DFMT_YUY2),        NAMED(D3DFMT_DXT1),
    NAMED(D3DFMT_DXT2),        NAMED(D3DFMT_DXT3),         NAMED(D3DFMT_DXT4),        NAMED(D3DFMT_DXT5),
    NAMED(D3DFMT_D16_LOCKABLE), NAMED(D3DFMT_D32),         NAMED(D3DFMT_D15S1),       NAMED(D3DFMT_D24S8),
    NAMED(D3DFMT_D16),         NAMED(D3DFMT_D24X8),        NAMED(D3DFMT_D24X4S4),     NAMED(D3DFMT_VERTEXDATA),
    NAMED(D3DFMT_INDEX16),     NAMED(D3DFMT_INDEX32),
};

struct NamedFlag {
  DWORD bit;
  const char16_t* name;
};
using Flags = std::initializer_list<NamedFlag>;

// "\tField: A B" and, when some tested flags are clear, "\t(unsupported)  C D".
void addFlagLines(std::vector<std::u16string>& lines, const char16_t* field, DWORD value, Flags flags) {
  std::u16string set, clear;
  for (const NamedFlag& flag : flags) (value & flag.bit ? set : clear) += u" " + std::u16string(flag.name);
  lines.push_back(formatString(u"\t%s:%s", field, set));
  if (!clear.empty()) lines.push_back(formatString(u"\t%s %s", u"(unsupported)", clear));
}

void addCount(std::vector<std::u16string>& lines, const char16_t* field, DWORD value) {
  lines.push_back(formatString(u"\t%s: %u", field, value));
}

void addReal(std::vector<std::u16string>& lines, const char16_t* field, float value) {
  lines.push_back(formatString(u"\t%s: %f", field, value));
}

const Flags kCmpFlags = {NAMED(D3DPCMPCAPS_ALWAYS),   NAMED(D3DPCMPCAPS_EQUAL),        NAMED(D3DPCMPCAPS_GREATER),
                         NAMED(D3DPCMPCAPS_GREATEREQUAL), NAMED(D3DPCMPCAPS_LESS), NAMED(D3DPCMPCAPS_LESSEQUAL),
                         NAMED(D3DPCMPCAPS_NEVER),    NAMED(D3DPCMPCAPS_NOTEQUAL)};
const Flags kBlendFlags = {
    NAMED(D3DPBLENDCAPS_BOTHINVSRCALPHA), NAMED(D3DPBLENDCAPS_BOTHSRCALPHA), NAMED(D3DPBLENDCAPS_DESTALPHA),
    NAMED(D3DPBLENDCAPS_DESTCOLOR),       NAMED(D3DPBLENDCAPS_INVDESTALPHA), NAMED(D3DPBLENDCAPS_INVDESTCOLOR),
    NAMED(D3DPBLENDCAPS_INVSRCALPHA),     NAMED(D3DPBLENDCAPS_INVSRCCOLOR),  NAMED(D3DPBLENDCAPS_ONE),
    NAMED(D3DPBLENDCAPS_SRCALPHA),        NAMED(D3DPBLENDCAPS_SRCALPHASAT),  NAMED(D3DPBLENDCAPS_SRCCOLOR),
    NAMED(D3DPBLENDCAPS_ZERO)};
const Flags kFilterFlags = {NAMED(D3DPTFILTERCAPS_MAGFANISOTROPIC), NAMED(D3DPTFILTERCAPS_MAGFLINEAR),
                            NAMED(D3DPTFILTERCAPS_MAGFPOINT),       NAMED(D3DPTFILTERCAPS_MINFANISOTROPIC),
                            NAMED(D3DPTFILTERCAPS_MINFLINEAR),      NAMED(D3DPTFILTERCAPS_MINFPOINT),
                            NAMED(D3DPTFILTERCAPS_MIPFLINEAR),      NAMED(D3DPTFILTERCAPS_MIPFPOINT)};
const Flags kAddressFlags = {NAMED(D3DPTADDRESSCAPS_BORDER), NAMED(D3DPTADDRESSCAPS_CLAMP),
                             NAMED(D3DPTADDRESSCAPS_INDEPENDENTUV), NAMED(D3DPTADDRESSCAPS_MIRROR),
                             NAMED(D3DPTADDRESSCAPS_MIRRORONCE), NAMED(D3DPTADDRESSCAPS_WRAP)};

}  // namespace

std::u16string d3dFormatName(D3DFORMAT format) {
  for (const NamedFormat& entry : kFormats)
    if (entry.format == format) return entry.name;
  return formatString(u"unknown(%d)", static_cast<int32_t>(format));
}

int32_t d3dFormatBits(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A2B10G10R10:
      return 32;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_X4R4G4B4:
      return 16;
    default:
      return 0;
  }
}

std::vector<std::u16string> describeDeviceCaps(const D3DCAPS9& caps) {
  std::vector<std::u16string> lines;
  constexpr NamedFlag kDeviceTypes[] = {NAMED(D3DDEVTYPE_HAL), NAMED(D3DDEVTYPE_REF), NAMED(D3DDEVTYPE_SW)};
  std::u16string deviceType;
  for (const NamedFlag& type : kDeviceTypes)
    if (caps.DeviceType == type.bit) deviceType = u" " + std::u16string(type.name);
  lines.push_back(formatString(u"\t%s:%s", u"DeviceType", deviceType));
  addCount(lines, u"AdapterOrdinal", caps.AdapterOrdinal);
  addFlagLines(lines, u"Caps", caps.Caps, {NAMED(D3DCAPS_READ_SCANLINE)});
  addFlagLines(lines, u"Caps2", caps.Caps2, {NAMED(D3DCAPS2_CANCALIBRATEGAMMA), NAMED(D3DCAPS2_FULLSCREENGAMMA)});
  addFlagLines(lines, u"PresentationIntervals", caps.PresentationIntervals,
               {NAMED(D3DPRESENT_INTERVAL_IMMEDIATE), NAMED(D3DPRESENT_INTERVAL_ONE), NAMED(D3DPRESENT_INTERVAL_TWO),
                NAMED(D3DPRESENT_INTERVAL_THREE), NAMED(D3DPRESENT_INTERVAL_FOUR)});
  addFlagLines(lines, u"CursorCaps", caps.CursorCaps, {NAMED(D3DCURSORCAPS_COLOR), NAMED(D3DCURSORCAPS_LOWRES)});
  addFlagLines(lines, u"DevCaps", caps.DevCaps,
               {NAMED(D3DDEVCAPS_CANBLTSYSTONONLOCAL), NAMED(D3DDEVCAPS_CANRENDERAFTERFLIP),
                NAMED(D3DDEVCAPS_DRAWPRIMTLVERTEX), NAMED(D3DDEVCAPS_EXECUTESYSTEMMEMORY),
                NAMED(D3DDEVCAPS_EXECUTEVIDEOMEMORY), NAMED(D3DDEVCAPS_HWRASTERIZATION),
                NAMED(D3DDEVCAPS_HWTRANSFORMANDLIGHT), NAMED(D3DDEVCAPS_NPATCHES), NAMED(D3DDEVCAPS_PUREDEVICE),
                NAMED(D3DDEVCAPS_QUINTICRTPATCHES), NAMED(D3DDEVCAPS_RTPATCHES),
                NAMED(D3DDEVCAPS_RTPATCHHANDLEZERO), NAMED(D3DDEVCAPS_SEPARATETEXTUREMEMORIES),
                NAMED(D3DDEVCAPS_TEXTURENONLOCALVIDMEM), NAMED(D3DDEVCAPS_TEXTURESYSTEMMEMORY),
                NAMED(D3DDEVCAPS_TEXTUREVIDEOMEMORY), NAMED(D3DDEVCAPS_TLVERTEXSYSTEMMEMORY),
                NAMED(D3DDEVCAPS_TLVERTEXVIDEOMEMORY)});
  addFlagLines(lines, u"PrimitiveMiscCaps", caps.PrimitiveMiscCaps,
               {NAMED(D3DPMISCCAPS_BLENDOP), NAMED(D3DPMISCCAPS_CLIPPLANESCALEDPOINTS),
                NAMED(D3DPMISCCAPS_CLIPTLVERTS), NAMED(D3DPMISCCAPS_COLORWRITEENABLE), NAMED(D3DPMISCCAPS_CULLCCW),
                NAMED(D3DPMISCCAPS_CULLCW), NAMED(D3DPMISCCAPS_CULLNONE), NAMED(D3DPMISCCAPS_MASKZ),
                NAMED(D3DPMISCCAPS_TSSARGTEMP)});
  addFlagLines(lines, u"RasterCaps", caps.RasterCaps,
               {NAMED(D3DPRASTERCAPS_ANISOTROPY), NAMED(D3DPRASTERCAPS_COLORPERSPECTIVE),
                NAMED(D3DPRASTERCAPS_DITHER), NAMED(D3DPRASTERCAPS_FOGRANGE), NAMED(D3DPRASTERCAPS_FOGTABLE),
                NAMED(D3DPRASTERCAPS_FOGVERTEX), NAMED(D3DPRASTERCAPS_MIPMAPLODBIAS), NAMED(D3DPRASTERCAPS_WBUFFER),
                NAMED(D3DPRASTERCAPS_WFOG), NAMED(D3DPRASTERCAPS_ZBUFFERLESSHSR), NAMED(D3DPRASTERCAPS_ZFOG),
                NAMED(D3DPRASTERCAPS_ZTEST)});
  addFlagLines(lines, u"ZCmpCaps", caps.ZCmpCaps, kCmpFlags);
  addFlagLines(lines, u"AlphaCmpCaps", caps.AlphaCmpCaps, kCmpFlags);
  addFlagLines(lines, u"SrcBlendCaps", caps.SrcBlendCaps, kBlendFlags);
  addFlagLines(lines, u"DestBlendCaps", caps.DestBlendCaps, kBlendFlags);
  addFlagLines(lines, u"ShadeCaps", caps.ShadeCaps,
               {NAMED(D3DPSHADECAPS_ALPHAGOURAUDBLEND), NAMED(D3DPSHADECAPS_COLORGOURAUDRGB),
                NAMED(D3DPSHADECAPS_FOGGOURAUD), NAMED(D3DPSHADECAPS_SPECULARGOURAUDRGB)});
  addFlagLines(lines, u"TextureCaps", caps.TextureCaps,
               {NAMED(D3DPTEXTURECAPS_ALPHA), NAMED(D3DPTEXTURECAPS_ALPHAPALETTE), NAMED(D3DPTEXTURECAPS_CUBEMAP),
                NAMED(D3DPTEXTURECAPS_CUBEMAP_POW2), NAMED(D3DPTEXTURECAPS_MIPCUBEMAP), NAMED(D3DPTEXTURECAPS_MIPMAP),
                NAMED(D3DPTEXTURECAPS_MIPVOLUMEMAP), NAMED(D3DPTEXTURECAPS_NONPOW2CONDITIONAL),
                NAMED(D3DPTEXTURECAPS_PERSPECTIVE), NAMED(D3DPTEXTURECAPS_POW2), NAMED(D3DPTEXTURECAPS_PROJECTED),
                NAMED(D3DPTEXTURECAPS_SQUAREONLY), NAMED(D3DPTEXTURECAPS_TEXREPEATNOTSCALEDBYSIZE),
                NAMED(D3DPTEXTURECAPS_VOLUMEMAP), NAMED(D3DPTEXTURECAPS_VOLUMEMAP_POW2)});
  addFlagLines(lines, u"TextureFilterCaps", caps.TextureFilterCaps, kFilterFlags);
  addFlagLines(lines, u"CubeTextureFilterCaps", caps.CubeTextureFilterCaps, kFilterFlags);
  addFlagLines(lines, u"VolumeTextureFilterCaps", caps.VolumeTextureFilterCaps, kFilterFlags);
  addFlagLines(lines, u"TextureAddressCaps", caps.TextureAddressCaps, kAddressFlags);
  addFlagLines(lines, u"VolumeTextureAddressCaps", caps.VolumeTextureAddressCaps, kAddressFlags);
  addFlagLines(lines, u"LineCaps", caps.LineCaps,
               {NAMED(D3DLINECAPS_ALPHACMP), NAMED(D3DLINECAPS_BLEND), NAMED(D3DLINECAPS_FOG),
                NAMED(D3DLINECAPS_TEXTURE), NAMED(D3DLINECAPS_ZTEST)});
  addCount(lines, u"MaxTextureWidth", caps.MaxTextureWidth);
  addCount(lines, u"MaxTextureHeight", caps.MaxTextureHeight);
  addCount(lines, u"MaxVolumeExtent", caps.MaxVolumeExtent);
  addCount(lines, u"MaxTextureRepeat", caps.MaxTextureRepeat);
  addCount(lines, u"MaxTextureAspectRatio", caps.MaxTextureAspectRatio);
  addCount(lines, u"MaxAnisotropy", caps.MaxAnisotropy);
  addReal(lines, u"MaxVertexW", caps.MaxVertexW);
  addReal(lines, u"GuardBandLeft", caps.GuardBandLeft);
  addReal(lines, u"GuardBandTop", caps.GuardBandTop);
  addReal(lines, u"GuardBandRight", caps.GuardBandRight);
  addReal(lines, u"GuardBandBottom", caps.GuardBandBottom);
  addReal(lines, u"ExtentsAdjust", caps.ExtentsAdjust);
  addFlagLines(lines, u"StencilCaps", caps.StencilCaps,
               {NAMED(D3DSTENCILCAPS_DECR), NAMED(D3DSTENCILCAPS_DECRSAT), NAMED(D3DSTENCILCAPS_INCR),
                NAMED(D3DSTENCILCAPS_INCRSAT), NAMED(D3DSTENCILCAPS_INVERT), NAMED(D3DSTENCILCAPS_KEEP),
                NAMED(D3DSTENCILCAPS_REPLACE), NAMED(D3DSTENCILCAPS_ZERO)});
  addFlagLines(lines, u"FVFCaps", caps.FVFCaps, {NAMED(D3DFVFCAPS_DONOTSTRIPELEMENTS), NAMED(D3DFVFCAPS_PSIZE)});
  addCount(lines, u"FVFCaps & D3DFVFCAPS_TEXCOORDCOUNTMASK", caps.FVFCaps & D3DFVFCAPS_TEXCOORDCOUNTMASK);
  addFlagLines(lines, u"TextureOpCaps", caps.TextureOpCaps,
               {NAMED(D3DTEXOPCAPS_ADD), NAMED(D3DTEXOPCAPS_ADDSIGNED), NAMED(D3DTEXOPCAPS_ADDSIGNED2X),
                NAMED(D3DTEXOPCAPS_ADDSMOOTH), NAMED(D3DTEXOPCAPS_BLENDCURRENTALPHA),
                NAMED(D3DTEXOPCAPS_BLENDDIFFUSEALPHA), NAMED(D3DTEXOPCAPS_BLENDFACTORALPHA),
                NAMED(D3DTEXOPCAPS_BLENDTEXTUREALPHA), NAMED(D3DTEXOPCAPS_BLENDTEXTUREALPHAPM),
                NAMED(D3DTEXOPCAPS_BUMPENVMAP), NAMED(D3DTEXOPCAPS_BUMPENVMAPLUMINANCE), NAMED(D3DTEXOPCAPS_DISABLE),
                NAMED(D3DTEXOPCAPS_DOTPRODUCT3), NAMED(D3DTEXOPCAPS_LERP), NAMED(D3DTEXOPCAPS_MODULATE),
                NAMED(D3DTEXOPCAPS_MODULATE2X), NAMED(D3DTEXOPCAPS_MODULATE4X),
                NAMED(D3DTEXOPCAPS_MODULATEALPHA_ADDCOLOR), NAMED(D3DTEXOPCAPS_MODULATECOLOR_ADDALPHA),
                NAMED(D3DTEXOPCAPS_MODULATEINVALPHA_ADDCOLOR), NAMED(D3DTEXOPCAPS_MODULATEINVCOLOR_ADDALPHA),
                NAMED(D3DTEXOPCAPS_MULTIPLYADD), NAMED(D3DTEXOPCAPS_PREMODULATE), NAMED(D3DTEXOPCAPS_SELECTARG1),
                NAMED(D3DTEXOPCAPS_SELECTARG2), NAMED(D3DTEXOPCAPS_SUBTRACT)});
  addCount(lines, u"MaxTextureBlendStages", caps.MaxTextureBlendStages);
  addCount(lines, u"MaxSimultaneousTextures", caps.MaxSimultaneousTextures);
  addFlagLines(lines, u"VertexProcessingCaps", caps.VertexProcessingCaps,
               {NAMED(D3DVTXPCAPS_DIRECTIONALLIGHTS), NAMED(D3DVTXPCAPS_LOCALVIEWER),
                NAMED(D3DVTXPCAPS_MATERIALSOURCE7), NAMED(D3DVTXPCAPS_POSITIONALLIGHTS), NAMED(D3DVTXPCAPS_TEXGEN),
                NAMED(D3DVTXPCAPS_TWEENING)});
  addCount(lines, u"MaxActiveLights", caps.MaxActiveLights);
  addCount(lines, u"MaxUserClipPlanes", caps.MaxUserClipPlanes);
  addCount(lines, u"MaxVertexBlendMatrices", caps.MaxVertexBlendMatrices);
  addCount(lines, u"MaxVertexBlendMatrixIndex", caps.MaxVertexBlendMatrixIndex);
  addReal(lines, u"MaxPointSize", caps.MaxPointSize);
  addCount(lines, u"MaxPrimitiveCount", caps.MaxPrimitiveCount);
  addCount(lines, u"MaxVertexIndex", caps.MaxVertexIndex);
  addCount(lines, u"MaxStreams", caps.MaxStreams);
  addCount(lines, u"MaxStreamStride", caps.MaxStreamStride);
  lines.push_back(formatString(u"\t%s: 0x%x", u"VertexShaderVersion", caps.VertexShaderVersion));
  addCount(lines, u"MaxVertexShaderConst", caps.MaxVertexShaderConst);
  lines.push_back(formatString(u"\t%s: 0x%x", u"PixelShaderVersion", caps.PixelShaderVersion));
  addReal(lines, u"PixelShader1xMaxValue", caps.PixelShader1xMaxValue);
  return lines;
}
