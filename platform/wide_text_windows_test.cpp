// Paths at the Windows file calls: long ones in the form that takes any
// length. (Wine takes long paths in every form, so only the forms can be
// checked here; that the system refuses the plain form is for a real
// Windows machine to show.)
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/wide_text.h"

TEST(WidePath, LongPathsTakeTheFormWithoutALimit) {
  const std::string part(60, 'd');
  std::string deep = "C:\\slots";
  while (deep.size() < 300) deep += "\\" + part;
  const std::wstring wide_deep = platform::to_wide_string(deep);
  struct {
    std::string path;
    std::wstring expected;
  } cases[] = {
      {"C:\\slots\\3\\corvo_finish_called", L"C:\\slots\\3\\corvo_finish_called"},  // short: as it is
      {deep + "\\corvo_finish_called", L"\\\\?\\" + wide_deep + L"\\corvo_finish_called"},
      {deep + "/x/../corvo_finish_called", L"\\\\?\\" + wide_deep + L"\\corvo_finish_called"},  // made plain first
      {"\\\\server\\share\\" + part + "\\" + part + "\\" + part + "\\" + part + "\\" + part,
       L"\\\\?\\UNC\\server\\share\\" + platform::to_wide_string(part + "\\" + part + "\\" + part + "\\" + part +
                                                                  "\\" + part)},
      {"\\\\?\\" + deep, L"\\\\?\\" + wide_deep},  // already in that form
      {"\\\\.\\NUL", L"\\\\.\\NUL"},
  };
  for (const auto& c : cases) EXPECT_TRUE(platform::to_wide_path(c.path) == c.expected) << c.path;
}
