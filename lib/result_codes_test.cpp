#include "lib/result_codes.h"

#include <gtest/gtest.h>

#include <string>

TEST(ResultText, KnownCodesHaveTheirTexts) {
  struct {
    int code;
    const char* text;
  } cases[] = {
      {0, "Success"},
      {-100, "select() failed"},
      {-102, "read() failed"},
      {-107, "connect() failed"},
      {-108, "fopen() failed"},
      {-112, "unexpected XML tag or syntax"},
      {-161, "not found"},
      {-182, "timeout"},
      {-197, "result aborted via GUI"},
      {-225, "file name is empty or has '..'"},
      {-242, "This project requires to consent to its terms of use"},
      {-244, "mmap() failed"},
      {404, "HTTP file not found"},
      {407, "HTTP proxy authentication failure"},
      {504, "HTTP gateway timeout"},
  };
  for (const auto& c : cases) EXPECT_STREQ(result_text(c.code), c.text) << c.code;
}

TEST(ResultText, CodesWithoutARowAreFormatted) {
  for (int code : {-141, -142, -177, -228, -233, -234, -245, -99, -1, 1, 403, 405, 505, 100000}) {
    EXPECT_EQ(std::string(result_text(code)), "Error " + std::to_string(code)) << code;
  }
}

TEST(ResultText, EveryCodeInTheRangeHasATextOrTheErrorForm) {
  const int unassigned[] = {-141, -142, -177, -228, -233, -234};
  for (int code = -244; code <= -100; ++code) {
    bool is_unassigned = std::find(std::begin(unassigned), std::end(unassigned), code) != std::end(unassigned);
    std::string text = result_text(code);
    EXPECT_EQ(text.rfind("Error ", 0) == 0, is_unassigned) << code << ": " << text;
  }
}

TEST(ResultText, UnknownCodesShareOneBuffer) {
  const char* first = result_text(-141);
  const char* second = result_text(-245);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "Error -245");
}
