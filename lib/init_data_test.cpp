// The init data document: every field, the failures, and what stays of a
// document read halfway.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lib/init_data.h"
#include "lib/result_codes.h"
#include "init_data_documents.h"

using namespace init_data_documents;

TEST(InitData, FullDocument) {
  Parsed p = parse_fixture("full.xml");
  ASSERT_EQ(p.result, 0) << p.log;
  EXPECT_EQ(p.log, "");
  const INIT_DATA& d = *p.data;
  EXPECT_EQ(d.major_version, 8);
  EXPECT_EQ(d.release, 4);
  EXPECT_STREQ(d.app_name, "quayside_job");
  EXPECT_STREQ(d.acct_mgr_url, "");
  EXPECT_STREQ(d.user_name, "Ann & Bob");  // decoded twice
  EXPECT_STREQ(d.team_name, "Team <Q>");
  EXPECT_STREQ(d.project_dir, "/var/lib/corvo/projects/science.example.org_tide");
  EXPECT_STREQ(d.wu_name, "Tide_WU_17");
  EXPECT_STREQ(d.result_name, "Tide_WU_17_1");
  EXPECT_STREQ(d.comm_obj_name, "job7");
  EXPECT_EQ(d.client_pid, 4242);
  EXPECT_EQ(d.wu_cpu_time, 120.5);
  EXPECT_TRUE(d.vm_extensions_disabled);
  EXPECT_FALSE(d.using_sandbox);
  EXPECT_EQ(d.fraction_done_start, 0.25);
  EXPECT_EQ(d.fraction_done_end, 0.75);
  EXPECT_EQ(d.gpu_device_num, 0);
  EXPECT_EQ(d.process_priority, 1);
  EXPECT_EQ(d.process_priority_special, -1);
  EXPECT_EQ(d.ncpus, 2.0);
  EXPECT_EQ(d.project_preferences,
            "<project_preferences>\n\n<color>red</color>\n<max_jobs>2</max_jobs>\n</project_preferences>");

  const HOST_DESC& h = d.host_info;
  EXPECT_EQ(h.timezone, 3600);
  EXPECT_EQ(h.p_ncpus, 8);
  EXPECT_STREQ(h.p_features, "fpu sse2 avx avx2");
  EXPECT_EQ(h.p_fpops, 4.5e9);
  EXPECT_FALSE(h.use_wslc);
  ASSERT_EQ(h.wsl.distros.size(), 2u);
  EXPECT_EQ(h.wsl.distros[0].distro_name, "Ubuntu");
  EXPECT_TRUE(h.wsl.distros[0].is_default);
  ASSERT_EQ(h.wsl.distros[0].gpus.size(), 1u);
  EXPECT_TRUE(h.wsl.distros[0].gpus[0].has_cuda);
  EXPECT_EQ(h.wsl.distros[1].docker_type, 2);
  EXPECT_EQ(h.wsl.distros[1].distro_version, 4);
  ASSERT_EQ(h.coprocs.entry_count, 2);
  EXPECT_STREQ(h.coprocs.entries[0].type, "CPU");
  EXPECT_STREQ(h.coprocs.entries[1].type, "NVIDIA");
  EXPECT_EQ(h.coprocs.entries[1].pci_address_count, 1);
  EXPECT_EQ(h.coprocs.entries[1].opencl_device.vendor_id, 4318u);
  EXPECT_EQ(h.coprocs.entries[1].opencl_device.device_version_number, 300);
  EXPECT_EQ(h.coprocs.entries[1].opencl_device.device_version_paren_x100, 1250);
  EXPECT_EQ(h.coprocs.nvidia.maxThreadsDim[2], 64);
  EXPECT_EQ(h.opencl_cpu_prop_count, 1);
  EXPECT_STREQ(h.opencl_cpu_prop[0].platform_vendor, "Intel(R) Corporation");

  EXPECT_TRUE(d.proxy_info.have_proxy_server);
  EXPECT_TRUE(d.proxy_info.use_http_proxy);
  EXPECT_EQ(d.proxy_info.http_server_port, 8080);

  const GLOBAL_PREFS& g = d.global_preferences;
  EXPECT_STREQ(g.source_project, "https://science.example.org/tide/");
  EXPECT_EQ(g.mod_time, 1765000000.0);
  EXPECT_TRUE(g.run_if_user_active);
  EXPECT_EQ(g.max_ncpus_pct, 50);       // the venue "home" is not ours
  EXPECT_EQ(g.niu_max_ncpus_pct, 50);
  EXPECT_EQ(g.cpu_usage_limit, 80);
  EXPECT_EQ(g.ram_busy_fraction, 1.0);
  EXPECT_TRUE(g.compute_hours.by_weekday[2].active);
  EXPECT_EQ(g.compute_hours.by_weekday[2].end_hour, 17);
  EXPECT_TRUE(g.network_wifi_only);
}

TEST(InitData, Failures) {
  struct {
    const char* name;
    std::string document;
    int result;
    std::string log;
  } cases[] = {
      {"self-closed root", "<app_init_data/>", RC_XML_UNEXPECTED, "no start tag in app init data\n"},
      {"other root", "<?xml version=\"1.0\"?><init/>", RC_XML_UNEXPECTED, "no start tag in app init data\n"},
      {"empty file", "", RC_XML_UNEXPECTED, "no start tag in app init data\n"},
      {"no end tag", "<app_init_data><slot>3</slot>", RC_XML_UNEXPECTED,
       "parse_init_data_file: no end tag\n"},
      {"stray text", app("<slot>3</slot> stray words <hostid>1</hostid>"), 0,
       "unexpected text in init_data.xml: stray words\n"},
      {"unclaimed nested element", app("<foo><bar>1</bar><slot>9</slot></foo><slot>3</slot>"), 0, ""},
      {"cut project preferences", "<app_init_data><project_preferences><a>1</a>", RC_XML_UNEXPECTED, ""},
      {"cut global preferences", "<app_init_data><global_preferences><max_cpus>2</max_cpus>", RC_XML_UNEXPECTED, ""},
      {"cut host info", "<app_init_data><host_info><p_ncpus>2</p_ncpus>", RC_XML_UNEXPECTED,
       "parse_init_data_file: no end tag\n"},
  };
  for (const auto& c : cases) {
    Parsed p = parse_text(c.document);
    EXPECT_EQ(p.result, c.result) << c.name;
    EXPECT_EQ(p.log.empty() ? "" : without_times(p.log), c.log) << c.name;
  }
}

TEST(InitData, FieldsReadBeforeAFailureStay) {
  Parsed p = parse_text("<app_init_data><slot>3</slot><wu_name>w</wu_name>");
  EXPECT_EQ(p.result, RC_XML_UNEXPECTED);
  EXPECT_EQ(p.data->slot, 3);
  EXPECT_STREQ(p.data->wu_name, "w");

  Parsed unclaimed = parse_text(app("<foo><slot>9</slot></foo><slot>3</slot>"));
  EXPECT_EQ(unclaimed.data->slot, 3);
}

TEST(InitData, ValuesAndDefaults) {
  Parsed p = parse_text(app("<ncpus>two</ncpus><wu_cpu_time>1e999</wu_cpu_time><slot>5</slot>"
                            "<wu_name>" + std::string(256, 'x') + "</wu_name><gpu_device_num></gpu_device_num>"));
  ASSERT_EQ(p.result, 0);
  EXPECT_EQ(p.data->ncpus, 0);
  EXPECT_EQ(p.data->wu_cpu_time, 0);
  EXPECT_EQ(p.data->slot, 5);
  EXPECT_STREQ(p.data->wu_name, "");
  EXPECT_EQ(p.data->gpu_device_num, 0);
  EXPECT_EQ(p.data->gpu_opencl_dev_index, -1);
  EXPECT_EQ(p.data->fraction_done_end, 1.0);
  EXPECT_FALSE(p.data->project_preferences.has_value());

  INIT_DATA reset_only;
  reset_only.fraction_done_end = 0.5;
  reset_only.project_preferences = "kept";
  reset_only.reset();
  EXPECT_EQ(reset_only.fraction_done_end, 0);
  EXPECT_EQ(reset_only.project_preferences, "kept");
  EXPECT_FALSE(reset_only.global_preferences.network_wifi_only);
}

TEST(InitData, CopiesAreDeep) {
  Parsed p = parse_fixture("full.xml");
  auto copy = std::make_unique<INIT_DATA>(*p.data);
  p.data->project_preferences->assign("changed");
  p.data->host_info.wsl.distros.clear();
  EXPECT_EQ(copy->project_preferences->rfind("<project_preferences>", 0), 0u);
  EXPECT_EQ(copy->host_info.wsl.distros.size(), 2u);
  *copy = *copy;
  EXPECT_EQ(copy->host_info.wsl.distros.size(), 2u);
}
