// The coprocessors in the init data.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lib/init_data.h"
#include "init_data_documents.h"

using namespace init_data_documents;

TEST(Coprocs, EntriesCountsAndEstimates) {
  Parsed empty = parse_text(app("<host_info><coprocs></coprocs></host_info>"));
  EXPECT_EQ(empty.data->host_info.coprocs.entry_count, 1);
  EXPECT_STREQ(empty.data->host_info.coprocs.entries[0].type, "CPU");

  std::string eight;
  for (int i = 0; i < 8; ++i) eight += "<coproc_cuda><count>1</count></coproc_cuda>";
  Parsed many = parse_text(app("<host_info><coprocs>" + eight + "</coprocs></host_info>"));
  EXPECT_EQ(many.data->host_info.coprocs.entry_count, 8);
  EXPECT_STREQ(many.data->host_info.coprocs.entries[7].type, "NVIDIA");
  EXPECT_EQ(many.log, "too many coproc entries\n");

  Parsed untyped = parse_text(app("<host_info><coprocs><coproc><count>1</count></coproc></coprocs></host_info>"));
  EXPECT_EQ(untyped.data->host_info.coprocs.entry_count, 1);
  EXPECT_EQ(untyped.log, "failed to parse <coproc>: -112\n");

  Parsed counted = parse_text(app("<host_info><coprocs><coproc_cuda><count>0</count><major>3</major>"
                                  "<multiProcessorCount>2</multiProcessorCount><clockRate>1000000</clockRate>"
                                  "</coproc_cuda><coproc_ati><count>99</count><CALVersion>1.4.1848</CALVersion>"
                                  "<localRAM>512</localRAM></coproc_ati>"
                                  "<coproc><type>fpga</type><count>2</count><device_nums>3 5</device_nums></coproc>"
                                  "</coprocs></host_info>"));
  const COPROC_LIST& list = counted.data->host_info.coprocs;
  ASSERT_EQ(list.entry_count, 4);
  EXPECT_EQ(counted.log, "NVIDIA count 0 too small\nATI count 99 too large\n");
  EXPECT_EQ(list.entries[1].count, 1);
  EXPECT_EQ(list.entries[1].peak_flops, 7.68e11);
  EXPECT_EQ(list.entries[2].count, 64);
  EXPECT_EQ(list.ati.cal_version_number, 10041848);
  EXPECT_EQ(list.entries[2].available_ram, 512.0 * 1048576);
  EXPECT_STREQ(list.entries[3].type, "fpga");
  EXPECT_EQ(list.entries[3].device_nums[0], 3);
  EXPECT_EQ(list.entries[3].device_nums[1], 5);
  EXPECT_EQ(list.entries[3].device_nums[2], 2);

  // Versions out of every range are kept within an int32, never overflowed.
  Parsed huge = parse_text(app("<host_info><coprocs><coproc_ati><count>1</count>"
                               "<CALVersion>999.999.999</CALVersion></coproc_ati>"
                               "<coproc_cuda><count>1</count><coproc_opencl><name>x</name>"
                               "<opencl_device_version>OpenCL 99999999999.9 x (1e30)</opencl_device_version>"
                               "</coproc_opencl></coproc_cuda></coprocs></host_info>"));
  const COPROC_LIST& big = huge.data->host_info.coprocs;
  EXPECT_EQ(big.ati.cal_version_number, 2147483647);
  ASSERT_EQ(big.entry_count, 3);
  EXPECT_EQ(big.entries[2].opencl_device.device_version_number, 2147483647) << huge.log;
  EXPECT_EQ(big.entries[2].opencl_device.device_version_paren_x100, 2147483647) << huge.log;
}
