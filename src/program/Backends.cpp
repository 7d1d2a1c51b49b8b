#include "program/Backends.h"

#include "engine/Logger.h"
#include "platform/BackendLog.h"
#include "platform/D3D9.h"
#include "platform/TextRaster.h"
#include "platform/freetype/FreeTypeRaster.h"
#include "platform/gl/GlDirect3D.h"
#include "platform/null/NullDirect3D.h"
#include "platform/sdl/SdlAudioOutput.h"
#include "platform/sdl/SdlInput.h"
#include "platform/sdl/SdlWindow.h"

void registerBackends() {
  registerGraphicsBackend(GraphicsBackend::Gl, {&GlDirect3D::create, &GlDirect3D::getWorkArea});
  registerGraphicsBackend(GraphicsBackend::Null, {&NullDirect3D::create, &NullDirect3D::getWorkArea});
  registerDirectInputBackend(&makeSdlDirectInput);
  registerTextRasterBackend(&openFreeTypeFont);
  setBackendLogSink(&logFunctionMessage);
}

std::unique_ptr<WindowBackend> makeDesktopWindowBackend() { return makeSdlWindowBackend(); }

std::unique_ptr<AudioOutput> makeDesktopAudioOutput() { return makeSdlAudioOutput(); }
