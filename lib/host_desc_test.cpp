// The host description in the init data.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lib/init_data.h"
#include "init_data_documents.h"

using namespace init_data_documents;

TEST(HostInfo, Fields) {
  std::string five_props;
  for (int i = 0; i < 5; ++i) {
    five_props += "<opencl_cpu_prop><platform_vendor>V" + std::to_string(i) + "</platform_vendor></opencl_cpu_prop>";
  }
  Parsed p = parse_text(app("<host_info><p_fpops>-3.5e9</p_fpops><p_features>SSE2 AVX</p_features><use_wslc/>"
                            "<extra><p_ncpus>8</p_ncpus></extra>" +
                            five_props + "<opencl_cpu_prop><opencl_cpu_info/></opencl_cpu_prop></host_info>"));
  ASSERT_EQ(p.result, 0);
  const HOST_DESC& h = p.data->host_info;
  EXPECT_EQ(h.p_fpops, 3.5e9);
  EXPECT_STREQ(h.p_features, "sse2 avx");
  EXPECT_TRUE(h.use_wslc);
  EXPECT_EQ(h.p_ncpus, 8);
  ASSERT_EQ(h.opencl_cpu_prop_count, 4);
  EXPECT_STREQ(h.opencl_cpu_prop[3].platform_vendor, "V3");

  Parsed cleared = parse_text(app("<host_info><use_wslc>0</use_wslc></host_info>"));
  EXPECT_FALSE(cleared.data->host_info.use_wslc);
}
