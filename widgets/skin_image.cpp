#include "widgets/skin_image.h"

void FreeSkinImage(SkinImage* image) {
  if (image->dc) {
    SelectObject(image->dc, image->previous);
    DeleteDC(image->dc);
  }
  if (image->bitmap) DeleteObject(image->bitmap);
  *image = SkinImage{};
}

int LoadSkinImage(SkinImage* image, HMODULE library, int id, int minWidth, int minHeight) {
  FreeSkinImage(image);
  if (!library) return 0;
  HBITMAP bitmap = LoadBitmapW(library, MAKEINTRESOURCEW(id));
  if (!bitmap) return 0;
  BITMAP info{};
  if (!GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth < minWidth || info.bmHeight < minHeight) {
    DeleteObject(bitmap);
    return 0;
  }
  HDC screen = GetDC(nullptr);
  image->dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (!image->dc) {
    DeleteObject(bitmap);
    return 0;
  }
  image->bitmap = bitmap;
  image->previous = SelectObject(image->dc, bitmap);
  image->width = info.bmWidth;
  image->height = info.bmHeight;
  return 1;
}
