#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kernel/module.h"
#include "platform/gdi_bridge.h"
#include "platform/resource_templates.h"
#include "platform/surface.h"
#include "platform/windows.h"

namespace {

// The same .rc file is both embedded in this test program and built into a PE library.
class Resources : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      module_ = LoadLibraryW(TEST_RESOURCE_DLL_U);
      ASSERT_NE(module_, nullptr);
    } else {
      module_ = GetModuleHandleW(nullptr);
    }
  }
  void TearDown() override {
    if (GetParam()) FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

TEST_P(Resources, Strings) {
  WCHAR buffer[64];
  EXPECT_EQ(LoadStringW(module_, 1, buffer, 64), 14);
  EXPECT_EQ(std::u16string(buffer), u"Resource Title");
  EXPECT_EQ(LoadStringW(module_, 16, buffer, 64), 12);
  EXPECT_EQ(LoadStringW(module_, 17, buffer, 64), 3);
  EXPECT_EQ(std::u16string(buffer), u"中文字");
  EXPECT_EQ(LoadStringW(module_, 1, buffer, 5), 4);  // cut to the buffer, terminated
  EXPECT_EQ(std::u16string(buffer), u"Reso");
  EXPECT_EQ(LoadStringW(module_, 2, buffer, 64), 0);
  EXPECT_EQ(LoadStringW(module_, 999, buffer, 64), 0);
}

TEST_P(Resources, TextResourceWithByteOrderMark) {
  HRSRC r = FindResourceW(module_, MAKEINTRESOURCEW(51000), u"TEXT");
  ASSERT_NE(r, nullptr);
  auto* text = static_cast<const WCHAR*>(LockResource(LoadResource(module_, r)));
  DWORD units = SizeofResource(module_, r) / 2;
  ASSERT_GE(units, 2u);
  EXPECT_EQ(text[0], 0xFEFF);
  EXPECT_EQ(std::u16string(text + 1, units - 1), u"About 中文 text");
  EXPECT_EQ(FindResourceW(module_, MAKEINTRESOURCEW(51001), u"TEXT"), nullptr);
}

TEST_P(Resources, BitmapPixels) {
  HBITMAP bitmap = LoadBitmapW(module_, MAKEINTRESOURCEW(610));
  ASSERT_NE(bitmap, nullptr);
  platform::Surface* s = platform::SurfaceOfBitmap(bitmap);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->width(), 4);
  ASSERT_EQ(s->height(), 2);
  // Stored bottom-up: the file's first row is the picture's bottom row.
  EXPECT_EQ(s->pixel(0, 1), 0xFF0000u);
  EXPECT_EQ(s->pixel(1, 1), 0x00FF00u);
  EXPECT_EQ(s->pixel(2, 1), 0x0000FFu);
  EXPECT_EQ(s->pixel(3, 0), 0x00FFFFu);
  DeleteObject(bitmap);
  EXPECT_EQ(LoadBitmapW(module_, MAKEINTRESOURCEW(611)), nullptr);
  EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(610)), nullptr);
}

TEST_P(Resources, MenuAndMenuBar) {
  const BYTE* data;
  DWORD size;
  ASSERT_TRUE(platform::FindResourceBytes(module_, RT_MENU, MAKEINTRESOURCEW(102), &data, &size));
  std::vector<platform::MenuTemplateItem> menu;
  ASSERT_TRUE(platform::ParseMenuTemplate(data, size, menu));
  ASSERT_EQ(menu.size(), 2u);
  EXPECT_EQ(menu[0].text, u"Tasks");
  ASSERT_EQ(menu[0].children.size(), 3u);
  EXPECT_EQ(menu[0].children[0].id, 40013);
  EXPECT_TRUE(menu[0].children[1].separator);
  EXPECT_EQ(menu[0].children[2].flags & 0x1, 0x1);  // greyed
  EXPECT_EQ(menu[1].children[0].flags & 0x8, 0x8);  // checked
  for (DWORD cut = 0; cut < size; ++cut) EXPECT_FALSE(platform::ParseMenuTemplate(data, cut, menu));

  ASSERT_TRUE(platform::FindResourceBytes(module_, RT_RCDATA, MAKEINTRESOURCEW(102), &data, &size));
  platform::MenuBarTemplate bar;
  ASSERT_TRUE(platform::ParseMenuBarResource(data, size, bar));
  EXPECT_EQ(bar.menuId, 102);
  ASSERT_EQ(bar.buttons.size(), 2u);
  EXPECT_EQ(bar.buttons[1].command, 40002);
  EXPECT_EQ(bar.buttons[1].stringId, 111);
  EXPECT_EQ(bar.buttons[1].menuIndex, 1);
}

INSTANTIATE_TEST_SUITE_P(EmbeddedAndLibrary, Resources, ::testing::Bool());

// A damaged library is refused whole, at every length, without a crash.
TEST(ResourceLibrary, TruncatedOrCorruptFilesAreRefused) {
  std::ifstream file(TEST_RESOURCE_DLL, std::ios::binary);
  std::vector<BYTE> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GT(image.size(), 512u);
  platform::ResourceSet set;
  ASSERT_TRUE(platform::ParsePeResources(image.data(), image.size(), set));
  EXPECT_FALSE(set.entries.empty());
  size_t accepted = 0;
  for (size_t cut = 0; cut < image.size(); ++cut) {
    std::vector<BYTE> part(image.begin(), image.begin() + static_cast<long>(cut));
    platform::ResourceSet s;
    if (platform::ParsePeResources(part.data(), part.size(), s)) ++accepted;
  }
  // Only cuts inside trailing padding can still hold every resource.
  EXPECT_LT(accepted, image.size() / 2);
  std::vector<BYTE> flipped = image;
  for (size_t i = 0; i < flipped.size(); i += 7) flipped[i] ^= 0xFF;
  platform::ResourceSet s;
  platform::ParsePeResources(flipped.data(), flipped.size(), s);  // must not crash
}

}  // namespace
