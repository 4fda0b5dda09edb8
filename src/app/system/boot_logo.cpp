#include "app/system/boot_logo.h"

#include "devices/decoder/video_still.h"
#include "graphics/gc.h"
#include "graphics/zip.h"

bool bootLogo_show() {
  if (!video_takeBootLogoTurn()) return false;
  int32_t size = 0;
  uint8_t* still = zip_findMember(kBootLogoArchive, kBootLogoFile, &size);
  if (!still) return false;
  bool shown = video_showStill(still, size) == 0;
  GraphicsContext* gc = gc_newScreen();
  if (gc) {
    gc_flush(gc, 0, 0, gc->clipWidth, gc->clipHeight);
    gc_free(gc);
  }
  zip_freeData(still, size);
  return shown;
}
